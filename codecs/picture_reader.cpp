#include "codecs/picture_reader.h"

#include <fstream>
#include <iterator>

#include "codecs/bmp_reader.h"
#include "codecs/dib_decoder.h"
#include "codecs/gif_reader.h"
#include "codecs/ico_reader.h"
#include "codecs/jpeg_reader.h"

namespace codecs {

PictureFormat DetectPictureFormat(std::string_view bytes) {
  if (bytes.starts_with("BM")) return PictureFormat::Bmp;
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return PictureFormat::Gif;
  if (bytes.starts_with("\xFF\xD8\xFF")) return PictureFormat::Jpeg;
  if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return PictureFormat::Png;
  // Icons (type 1) and cursors (type 2) share one layout.
  if (bytes.size() >= 6 && bytes.substr(0, 4) == std::string_view("\0\0\1\0", 4)) {
    return PictureFormat::Ico;
  }
  if (bytes.size() >= 6 && bytes.substr(0, 4) == std::string_view("\0\0\2\0", 4)) {
    return PictureFormat::Ico;
  }
  return PictureFormat::Unknown;
}

std::optional<Bitmap> ReadPicture(std::string_view bytes, std::string* error) {
  switch (DetectPictureFormat(bytes)) {
    case PictureFormat::Bmp:
      return ReadBmp(bytes, error);
    case PictureFormat::Gif:
      return ReadGif(bytes, error);
    case PictureFormat::Jpeg:
      return ReadJpeg(bytes, error);
    case PictureFormat::Ico:
      return ReadIco(bytes, error);
    case PictureFormat::Png:
      return SetError(error, "PNG pictures are not supported");
    case PictureFormat::Unknown:
      break;
  }
  return SetError(error, "unknown picture format");
}

std::optional<Bitmap> ReadPictureFile(const std::string& path, std::string* error) {
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return SetError(error, "cannot read " + path);
  return ReadPicture(*bytes, error);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace codecs

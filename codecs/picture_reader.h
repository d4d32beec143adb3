#pragma once
// Reads any picture the authoring tool accepts (BMP, GIF, JPEG, ICO) by the
// signature at the start of its bytes, whatever its file name says.

#include <optional>
#include <string>
#include <string_view>

#include "codecs/bitmap.h"

namespace codecs {

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg, Ico, Png };

/// The format the leading bytes announce; Unknown when none matches.
PictureFormat DetectPictureFormat(std::string_view bytes);

/// Decodes bytes with the reader of their format. nullopt + error for an
/// unknown or unsupported format (PNG) and for whatever that reader refuses.
std::optional<Bitmap> ReadPicture(std::string_view bytes, std::string* error = nullptr);

/// Reads the file at path (native, UTF-8) and decodes it as ReadPicture.
/// nullopt + error also when the file cannot be read.
std::optional<Bitmap> ReadPictureFile(const std::string& path, std::string* error = nullptr);

/// The whole file at path; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path);

}  // namespace codecs

#include "codecs/jpeg_reader.h"

// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include "codecs/dib_decoder.h"

namespace codecs {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return: jump back to Decode instead of letting it call exit().
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool truncated;
};

void OnFatalError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

// Warnings would go to stderr. Most are harmless (stray bytes between
// markers), but at a premature end libjpeg pads the picture with grey and
// carries on: such a picture is refused rather than converted half grey.
void OnWarning(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    reinterpret_cast<ErrorManager*>(info->err)->truncated = true;
  }
}

// Every object alive between setjmp and a libjpeg call is C data or owned
// by the caller, so a longjmp out of libjpeg skips no destructor. False +
// error when libjpeg gave up or the picture is refused.
bool Decode(jpeg_decompress_struct* info, ErrorManager* manager, std::string_view bytes,
            Bitmap* bitmap, std::string* error) {
  if (setjmp(manager->jump)) {
    if (error) *error = manager->message;
    return false;
  }
  jpeg_create_decompress(info);
  jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(info, TRUE);

  const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (info->image_width == 0 || info->image_height == 0 ||
      uint64_t{info->image_width} * info->image_height > kMaxPicturePixels) {
    if (error) *error = "JPEG picture has no size or is too large";
    return false;
  }
  // Every 8 x 8 block takes at least one bit of coded data, even in a
  // progressive file: a header claiming more blocks than the bytes can
  // hold is refused before libjpeg allocates its buffers for them.
  if (uint64_t{info->image_width} * info->image_height / 64 > uint64_t{bytes.size()} * 8) {
    if (error) *error = "JPEG picture is larger than its data";
    return false;
  }
  jpeg_start_decompress(info);

  bitmap->width = static_cast<int>(info->output_width);
  bitmap->height = static_cast<int>(info->output_height);
  bitmap->pixels.assign(static_cast<size_t>(bitmap->width) * bitmap->height, OpaqueRgb(0, 0, 0));
  const int components = info->output_components;
  JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                              info->output_width * components, 1);
  // Adobe writes CMYK inverted (0 = full ink), which is what nearly every
  // CMYK JPEG in the wild carries.
  const bool inverted = cmyk && info->saw_Adobe_marker;
  while (info->output_scanline < info->output_height) {
    const JDIMENSION y = info->output_scanline;
    if (jpeg_read_scanlines(info, row, 1) != 1) break;
    uint32_t* dst = bitmap->pixels.data() + static_cast<size_t>(y) * bitmap->width;
    const JSAMPLE* src = row[0];
    for (int x = 0; x < bitmap->width; ++x, src += components) {
      if (cmyk) {
        uint32_t c = src[0], m = src[1], yy = src[2], k = src[3];
        if (!inverted) {
          c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        }
        dst[x] = OpaqueRgb(static_cast<uint8_t>(c * k / 255), static_cast<uint8_t>(m * k / 255),
                           static_cast<uint8_t>(yy * k / 255));
      } else {
        dst[x] = OpaqueRgb(src[0], src[1], src[2]);
      }
    }
  }
  if (manager->truncated) {
    if (error) *error = "JPEG file is truncated";
    return false;
  }
  jpeg_finish_decompress(info);
  return true;
}

}  // namespace

std::optional<Bitmap> ReadJpeg(std::string_view bytes, std::string* error) {
  if (bytes.empty()) return SetError(error, "empty JPEG file");
  jpeg_decompress_struct info{};
  ErrorManager manager{};
  info.err = jpeg_std_error(&manager.base);
  manager.base.error_exit = OnFatalError;
  manager.base.emit_message = OnWarning;
  Bitmap bitmap;
  const bool ok = Decode(&info, &manager, bytes, &bitmap, error);
  jpeg_destroy_decompress(&info);
  if (!ok) return std::nullopt;
  return bitmap;
}

}  // namespace codecs

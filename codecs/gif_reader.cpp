#include "codecs/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/dib_decoder.h"

namespace codecs {

namespace {

struct MemorySource {
  std::string_view bytes;
  size_t position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* source = static_cast<MemorySource*>(gif->UserData);
  if (length <= 0) return 0;
  const size_t left = source->bytes.size() - source->position;
  const size_t n = static_cast<size_t>(length) < left ? static_cast<size_t>(length) : left;
  std::memcpy(buffer, source->bytes.data() + source->position, n);
  source->position += n;
  return static_cast<int>(n);
}

// Closes the giflib handle on every way out.
struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  }
};

std::string GifError(const char* what, int code) {
  const char* text = GifErrorString(code);
  return std::string(what) + ": " + (text ? text : "unknown giflib error");
}

}  // namespace

std::optional<Bitmap> ReadGif(std::string_view bytes, std::string* error) {
  MemorySource source{bytes, 0};
  int code = 0;
  GifFileType* gif = DGifOpen(&source, ReadFromMemory, &code);
  if (!gif) return SetError(error, GifError("not a readable GIF file", code));
  GifCloser closer{gif};

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
      return SetError(error, GifError("damaged GIF file", gif->Error));
    }
    if (record == TERMINATE_RECORD_TYPE) return SetError(error, "GIF file holds no picture");
    if (record == EXTENSION_RECORD_TYPE) {
      int extCode = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &extCode, &block) == GIF_ERROR) {
        return SetError(error, GifError("damaged GIF extension", gif->Error));
      }
      while (block) {
        if (extCode == GRAPHICS_EXT_FUNC_CODE) {
          GraphicsControlBlock gcb;
          if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
            transparent = gcb.TransparentColor;
          }
          extCode = 0;  // only the first block of it is the control block
        }
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
          return SetError(error, GifError("damaged GIF extension", gif->Error));
        }
      }
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;

    if (DGifGetImageDesc(gif) == GIF_ERROR) {
      return SetError(error, GifError("damaged GIF frame header", gif->Error));
    }
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || colours->ColorCount <= 0) return SetError(error, "GIF file has no colour table");
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0) {
      return SetError(error, "GIF frame has no size");
    }
    // giflib keeps these as int; 16-bit fields in the file, so no overflow here.
    const int64_t canvasWidth = std::max<int64_t>(gif->SWidth, int64_t{frame.Left} + frame.Width);
    const int64_t canvasHeight = std::max<int64_t>(gif->SHeight, int64_t{frame.Top} + frame.Height);
    DibLayout size;
    if (!SetDibSize(canvasWidth, canvasHeight, &size, error)) return std::nullopt;
    // One LZW code of at least 2 bits stands for at most 4096 pixels: a
    // frame claiming more pixels than the bytes left could hold is refused
    // before its rows are allocated.
    const uint64_t framePixels = uint64_t(frame.Width) * uint64_t(frame.Height);
    if (framePixels > uint64_t(bytes.size() - source.position) * 4 * 4096) {
      return SetError(error, "GIF frame is larger than its data");
    }

    // The frame is decoded first and the canvas made only once its data
    // proved to be there.
    std::vector<GifPixelType> indices(static_cast<size_t>(framePixels));
    const auto readRow = [&](int row) {
      return DGifGetLine(gif, indices.data() + static_cast<size_t>(row) * frame.Width, frame.Width) != GIF_ERROR;
    };
    if (frame.Interlace) {
      static constexpr int kStart[4] = {0, 4, 2, 1};
      static constexpr int kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) {
          if (!readRow(row)) return SetError(error, GifError("damaged GIF pixel data", gif->Error));
        }
      }
    } else {
      for (int row = 0; row < frame.Height; ++row) {
        if (!readRow(row)) return SetError(error, GifError("damaged GIF pixel data", gif->Error));
      }
    }

    Bitmap bitmap;
    bitmap.width = size.width;
    bitmap.height = size.height;
    bitmap.pixels.assign(static_cast<size_t>(size.width) * size.height, kTransparentPixel);
    for (int row = 0; row < frame.Height; ++row) {
      const GifPixelType* line = indices.data() + static_cast<size_t>(row) * frame.Width;
      uint32_t* dst = bitmap.pixels.data() + static_cast<size_t>(frame.Top + row) * bitmap.width +
                      frame.Left;
      for (int x = 0; x < frame.Width; ++x) {
        const int index = line[x];
        if (index == transparent) continue;
        if (index < colours->ColorCount) {
          const GifColorType& c = colours->Colors[index];
          dst[x] = OpaqueRgb(c.Red, c.Green, c.Blue);
        } else {
          dst[x] = OpaqueRgb(0, 0, 0);
        }
      }
    }
    return bitmap;
  }
}

}  // namespace codecs

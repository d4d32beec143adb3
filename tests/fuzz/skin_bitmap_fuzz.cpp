// The skin archive's own BMP rule over any member bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/skin_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  codecs::DecodeSkinBitmap(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

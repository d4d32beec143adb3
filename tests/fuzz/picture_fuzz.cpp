// Every picture reader (BMP, GIF, JPEG, ICO), chosen by the leading bytes
// as the authoring tool chooses it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/picture_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  codecs::ReadPicture(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

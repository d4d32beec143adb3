// The command-line switches over any command line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "client/session/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  session::ParseSwitches(text);
  session::GetSwitchValue(text, "op");
  return 0;
}

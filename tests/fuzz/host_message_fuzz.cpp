// The host datagram decoder over any datagram; what decodes encodes back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/host_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::HostMessage message;
  if (!platform::DecodeHostMessage(data, size, &message)) return 0;
  const std::string wire = platform::EncodeHostMessage(message);
  if (wire != std::string(reinterpret_cast<const char*>(data), size)) std::abort();
  return 0;
}

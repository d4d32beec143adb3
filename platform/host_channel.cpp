// The host message wire format, the same on every system.
#include "platform/host_channel.h"

namespace platform {
namespace {

void PutLe64(int64_t value, unsigned char* out) {
  uint64_t v = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

int64_t GetLe64(const unsigned char* in) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in[i];
  return static_cast<int64_t>(v);
}

}  // namespace

std::string HostEndpointName(int64_t endpoint) {
  return "upgrade-host-" + std::to_string(endpoint);
}

std::string EncodeHostMessage(const HostMessage& message) {
  unsigned char bytes[kHostMessageSize];
  PutLe64(message.message, bytes);
  PutLe64(message.wParam, bytes + 8);
  PutLe64(message.lParam, bytes + 16);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

bool DecodeHostMessage(const void* bytes, size_t length, HostMessage* message) {
  if (length != kHostMessageSize) return false;
  const auto* in = static_cast<const unsigned char*>(bytes);
  message->message = GetLe64(in);
  message->wParam = GetLe64(in + 8);
  message->lParam = GetLe64(in + 16);
  return true;
}

}  // namespace platform

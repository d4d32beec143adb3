// The parts of the instance lock every system shares.
#include "platform/instance_lock.h"

#include <cstdint>
#include <cstdio>

namespace platform {

InstanceLock::~InstanceLock() { Release(); }

namespace {

// Well below the 255 bytes of a file name and the MAX_PATH characters of a
// mutex name.
constexpr size_t kMaxPlainName = 200;

}  // namespace

std::string InstanceLock::ShortenedName(const std::string& name) {
  if (name.size() <= kMaxPlainName) return name;
  uint64_t hash = 1469598103934665603ull;  // FNV-1a: stable across builds
  for (unsigned char c : name) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(hash));
  size_t keep = 120;
  size_t cut = name.size() - keep;
  // Do not start inside a UTF-8 character.
  while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
  return std::string(digest) + "_" + name.substr(cut);
}

}  // namespace platform

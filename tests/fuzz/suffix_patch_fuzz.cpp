// Applying a suffix patch of any bytes to a fixed old file: whatever the
// patch says, the result stays within the limit and a failure leaves no
// output. The old file is the one make_seeds.py makes its patches from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "codecs/suffix_patch.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

constexpr uint64_t kLimit = 1 << 20;

const std::filesystem::path& OldFile() {
  static const std::filesystem::path path = [] {
    std::string old(4096, '\0');
    for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
    const std::filesystem::path p = fuzzsupport::Folder("suffix-patch") / "old";
    fuzzsupport::WriteInput(p, reinterpret_cast<const uint8_t*>(old.data()), old.size());
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path folder = fuzzsupport::Folder("suffix-patch");
  const std::filesystem::path patch = fuzzsupport::WriteInput(folder / "patch", data, size);
  const std::filesystem::path out = folder / "out";
  const codecs::PatchOutcome r = codecs::ApplySuffixPatch(OldFile(), patch, out, kLimit);
  std::error_code ec;
  if (!r.ok && std::filesystem::exists(out, ec)) std::abort();
  if (r.ok && std::filesystem::file_size(out, ec) > kLimit) std::abort();
  std::filesystem::remove(out, ec);
  return 0;
}

#pragma once
// The check both patch kinds share: a damaged or hostile patch fails with a
// reason and leaves no output file, not even the stale one it replaces.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "codecs/zstd_patch.h"
#include "tests/support/temp_dir.h"

namespace codectest {

struct BadPatchCase {
  const char* name;
  std::string oldBytes;
  std::string patchBytes;
  uint64_t limit;
};

using ApplyPatch = std::function<codecs::PatchOutcome(const std::filesystem::path&, const std::filesystem::path&,
                                                      const std::filesystem::path&, uint64_t)>;

inline void ExpectEachFailsLeavingNoOutput(const testsupport::TempDir& dir, const std::vector<BadPatchCase>& cases,
                                           const ApplyPatch& apply) {
  for (const BadPatchCase& c : cases) {
    SCOPED_TRACE(c.name);
    dir.write("base", c.oldBytes);
    dir.write("bad", c.patchBytes);
    dir.write("out", "stale");
    const codecs::PatchOutcome r = apply(dir.file("base"), dir.file("bad"), dir.file("out"), c.limit);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  }
}

}  // namespace codectest

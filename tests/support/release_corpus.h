#pragma once
// The reference pair of releases for binary deltas (two consecutive Debian
// builds of one library), unpacked with dpkg-deb into a test's folder. The
// packages live outside the repository: $UPGRADE_RELEASE_CORPUS, else the
// team's shared copy; a machine without them skips the tests that need them.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ReleasePair {
  std::filesystem::path older;  // the unpacked older release (the installed one)
  std::filesystem::path newer;  // the unpacked newer release
  /// Regular files of the newer release, relative to its root, sorted.
  std::vector<std::filesystem::path> files;
};

/// Unpacks both releases below folder; nullopt when the packages are not
/// on this machine or dpkg-deb fails.
std::optional<ReleasePair> UnpackReleasePair(const std::filesystem::path& folder);

}  // namespace testsupport

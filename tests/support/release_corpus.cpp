#include "tests/support/release_corpus.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/run_command.h"

namespace testsupport {

namespace fs = std::filesystem;

std::optional<ReleasePair> UnpackReleasePair(const fs::path& folder) {
  const char* env = std::getenv("UPGRADE_RELEASE_CORPUS");
  const fs::path corpus = env && *env ? fs::path(env) : fs::path("/work/shared/corpus/releases");
  const fs::path olderDeb = corpus / "libssl3_3.0.20-1~deb12u2_amd64.deb";
  const fs::path newerDeb = corpus / "libssl3_3.0.22-1~deb12u2_amd64.deb";
  std::error_code ec;
  if (!fs::is_regular_file(olderDeb, ec) || !fs::is_regular_file(newerDeb, ec)) return std::nullopt;
  ReleasePair pair{folder / "older", folder / "newer", {}};
  fs::create_directories(folder, ec);
  for (const auto& [deb, dir] : {std::pair{olderDeb, pair.older}, std::pair{newerDeb, pair.newer}}) {
    if (RunCommand("dpkg-deb -x " + ShellQuote(deb.string()) + " " + ShellQuote(dir.string())).exitCode != 0) {
      return std::nullopt;
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(pair.newer)) {
    if (entry.is_regular_file() && !entry.is_symlink()) pair.files.push_back(fs::relative(entry.path(), pair.newer));
  }
  std::sort(pair.files.begin(), pair.files.end());
  return pair;
}

}  // namespace testsupport

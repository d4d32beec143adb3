#pragma once
// A fresh folder under /tmp for one test, removed with everything in it when
// the object goes away.

#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

class TempDir {
 public:
  /// Creates /tmp/<prefix>XXXXXX; a failure aborts the test run.
  explicit TempDir(std::string_view prefix = "upgrade-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// path() / name as a string.
  std::string file(std::string_view name) const;
  /// Writes bytes to path() / name (sub-folders created); returns the full path.
  std::string write(std::string_view name, std::string_view bytes) const;
  /// Reads a whole file; empty when it cannot be read.
  static std::string read(const std::filesystem::path& file);

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport

#pragma once
// ProjectStorage: the file operations the project model reads and writes
// through, so tests can make a save fail (they run as root, where
// permission bits stop nothing). The disk version replaces a file through a
// temporary file beside it, so a failed save leaves the old file whole.

#include <optional>
#include <string>

namespace author {

class ProjectStorage {
 public:
  virtual ~ProjectStorage() = default;

  /// The file's bytes (GBK path, "\" or "/"); nullopt when it cannot be read.
  virtual std::optional<std::string> Read(const std::string& gbkPath) = 0;
  /// Replaces the file's bytes; false when it could not be written (the old
  /// file then stays as it was).
  [[nodiscard]] virtual bool Write(const std::string& gbkPath, const std::string& bytes) = 0;

  /// The real file system.
  static ProjectStorage& Disk();
};

}  // namespace author

#pragma once
// ZipArchive: the ZIP access both programs share (configuration archive,
// skin archive, packaged items), over libzip. Member names are kept byte for
// byte: "res\sysicon.bmp" is one GBK name, not a folder. File-system paths
// passed here are native paths (UTF-8, "/"), converted by the caller.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_file;
struct zip_source;

namespace codecs {

/// A fresh name beside target (target + "." + 8 random hex digits + "~")
/// for a file that is written whole and then renamed over target.
std::string TempNameBeside(const std::string& target);

class ZipArchive {
 public:
  /// The most a member read into memory may unpack to: what a configuration
  /// or skin member could need many times over. A small archive must not
  /// claim gigabytes of memory (the fetched server texts have the same cap).
  static constexpr int64_t kMaxMemberBytes = 16 * 1024 * 1024;

  enum class Mode { ReadOnly, Change, Create };

  ZipArchive();
  ~ZipArchive();  // discards uncommitted changes
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  /// Opens an existing archive (ReadOnly, Change) or makes a new empty one
  /// (Create, replacing any file of that name when committed). False + ErrorText on failure.
  [[nodiscard]] bool Open(const std::string& path, Mode mode);
  /// Writes the changes (Change/Create) and closes. False + ErrorText when
  /// the archive could not be written; the file on disk is then unchanged.
  [[nodiscard]] bool Commit();
  /// Closes without writing.
  void Close();
  bool IsOpen() const { return za_ != nullptr; }

  /// Traditional PKWARE password used for reading and for members added
  /// afterwards; empty = none.
  void SetPassword(std::string_view password);

  /// Number of entries (a member deleted before Commit keeps its slot);
  /// -1 when not open.
  int64_t EntryCount() const;
  /// Stored name of entry i, raw bytes; empty when out of range or deleted.
  std::string EntryName(int64_t index) const;
  /// Index of the member whose raw name equals name byte for byte, or -1.
  int64_t FindMember(std::string_view name) const;
  /// Uncompressed size, or -1.
  int64_t MemberSize(int64_t index) const;

  /// The member's bytes; nullopt + ErrorText when absent, damaged, the
  /// password is wrong, or it unpacks to more than kMaxMemberBytes.
  std::optional<std::string> ExtractToMemory(int64_t index);
  std::optional<std::string> ExtractToMemory(std::string_view name);

  /// Writes entry i into folder (created as needed) under its stored path,
  /// "\" and "/" both separating folders, overwriting an existing file.
  /// Refuses (false) an absolute stored path or one that climbs out of the
  /// folder with ".."; nothing is then written.
  [[nodiscard]] bool ExtractEntryTo(int64_t index, const std::string& folder);

  /// Adds or replaces the member name (deflate, zlib's default level 6,
  /// encrypted when a password is set).
  [[nodiscard]] bool AddFromMemory(std::string_view name, std::string_view bytes);
  /// The file is read when the archive is written: it must stay until Commit.
  [[nodiscard]] bool AddFromFile(std::string_view name, const std::string& filePath);
  [[nodiscard]] bool DeleteMember(std::string_view name);
  /// Members added from now on carry this modification time (seconds since
  /// the epoch) instead of their file's: the same files then give the same
  /// archive bytes.
  void SetMemberTime(int64_t secondsSinceEpoch) { memberTime_ = secondsSinceEpoch; }

  /// Text of the last failure; empty when none.
  const std::string& ErrorText() const { return errorText_; }

 private:
  bool Fail(std::string text);
  int64_t LiveEntryCount() const;
  zip_file* OpenMember(int64_t index);
  bool AddSource(std::string_view name, zip_source* source);
  bool WriteEmptyArchive();

  zip* za_ = nullptr;
  Mode mode_ = Mode::ReadOnly;
  std::string path_;
  std::string password_;
  std::string errorText_;
  int64_t memberTime_ = -1;  // -1: the file's own time
};

}  // namespace codecs

#pragma once
// ResumeRecord: what a partly downloaded file left in the work folder is,
// so that a later run (after a kill, a power cut or a cancel) can ask the
// server for the missing bytes only. The bytes live in the partial file
// (destination + ".part"), the record beside it (destination + ".resume");
// a partial file without its record is never continued. The record is
// replaced in one rename after it reached the disk, so a crash leaves the
// old record or the new one, never half of one.

#include <cstdint>
#include <string>

namespace transfer {

struct ResumeRecord {
  std::string item;       // the item the bytes belong to ("file3:setup.bin")
  std::string url;        // the mirror they came from
  std::string validator;  // the server's ETag or Last-Modified (FTP: its MDTM)
  std::string md5;        // the item's expected digests when the bytes came
  std::string sha256;
  int64_t length = 0;     // the whole file's length as announced

  /// "<destination>.part": where the bytes of a download in progress go.
  static std::string PartialPath(const std::string& destination);
  /// "<destination>.resume": the record beside it.
  static std::string RecordPath(const std::string& destination);

  /// The record of `destination` (a GBK path); false when there is none or
  /// it cannot be read whole.
  [[nodiscard]] static bool Load(const std::string& destination, ResumeRecord& out);
  /// Writes the record of `destination` crash-safely; false when it could
  /// not be written (the download then goes on, just not resumable).
  [[nodiscard]] bool Save(const std::string& destination) const;
  /// Removes the partial file and its record.
  static void Discard(const std::string& destination);

  /// True when `nativePath` is a partial file with its record beside it, or
  /// such a record: what a clean-up of a failed run keeps for the next one.
  static bool IsResumableLeftover(const std::string& nativePath);
};

}  // namespace transfer

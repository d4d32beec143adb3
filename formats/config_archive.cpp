#include "formats/config_archive.h"

#include <filesystem>
#include <system_error>

#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "platform/disk_sync.h"

namespace formats {

namespace fs = std::filesystem;

namespace {

class StandardArchiveFiles : public ArchiveFiles {
 public:
  bool CopyNew(const std::string& from, const std::string& to, std::string& error) override {
    std::error_code ec;
    if (fs::copy_file(from, to, fs::copy_options::none, ec)) return true;
    error = "cannot copy " + from + " to " + to + ": " + ec.message();
    // A half-written copy is ours to remove; a file that was there already is not.
    if (ec != std::errc::file_exists) fs::remove(to, ec);
    return false;
  }

  bool Flush(const std::string& path, std::string& error) override {
    if (platform::FlushFile(path)) return true;
    error = "cannot flush " + path + " to the disk";
    return false;
  }

  bool Replace(const std::string& from, const std::string& to, std::string& error) override {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return true;
    error = "cannot rename " + from + " to " + to + ": " + ec.message();
    return false;
  }

  void Remove(const std::string& path) override {
    std::error_code ec;
    fs::remove(path, ec);
  }
};

}  // namespace

std::optional<std::string> ReadArchiveMember(std::string_view archivePath, std::string_view memberName,
                                             std::string_view password) {
  codecs::ZipArchive zip;
  zip.SetPassword(password);
  if (!zip.Open(common::NativePath(archivePath), codecs::ZipArchive::Mode::ReadOnly)) return std::nullopt;
  int64_t index = zip.FindMember(memberName);
  if (index < 0) return std::nullopt;
  return zip.ExtractToMemory(index);
}

ArchiveFiles& RealArchiveFiles() {
  static StandardArchiveFiles files;
  return files;
}

ArchiveWriteResult WriteArchiveMember(std::string_view archivePath, std::string_view memberName,
                                      std::string_view bytes, std::string_view password, ArchiveFiles& files) {
  const std::string target = common::NativePath(archivePath);
  // The copy lives in the archive's own folder, so the last step is a rename
  // within one file system.
  const std::string temp = codecs::TempNameBeside(target);
  std::string error;
  if (!files.CopyNew(target, temp, error)) return {false, std::move(error)};
  auto fail = [&](std::string text) {
    files.Remove(temp);
    return ArchiveWriteResult{false, std::move(text)};
  };

  // libzip carries the unchanged members over as they are stored and
  // writes, closes and renames the copy only when the whole archive is out.
  codecs::ZipArchive zip;
  zip.SetPassword(password);
  if (!zip.Open(temp, codecs::ZipArchive::Mode::Change)) return fail(zip.ErrorText());
  if (!zip.AddFromMemory(memberName, bytes)) return fail(zip.ErrorText());
  if (!zip.Commit()) return fail(zip.ErrorText());
  // A member that does not read back (an old entry's flags carried over
  // onto the new bytes, say) would leave a configuration the client can no
  // longer read: the old archive stays instead.
  if (ReadArchiveMember(common::Utf8ToGbk(temp), memberName, password) != bytes) {
    return fail("the rewritten member " + std::string(memberName) + " does not read back");
  }
  // Renamed before its bytes are on the disk, the new archive could be an
  // empty file after a power cut, and the old one gone with it.
  if (!files.Flush(temp, error)) return fail(std::move(error));
  if (!files.Replace(temp, target, error)) return fail(std::move(error));
  return {true, {}};
}

}  // namespace formats

#include "client/session/config_source.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "client/session/client_config.h"
#include "client/session/file_status.h"
#include "codecs/zip_archive.h"
#include "formats/config_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "platform/file_operations.h"

namespace session {

namespace {

bool HasMember(std::string_view archivePath, std::string_view member) {
  codecs::ZipArchive zip;
  if (!zip.Open(common::NativePath(archivePath), codecs::ZipArchive::Mode::ReadOnly)) return false;
  return zip.FindMember(member) >= 0;
}

// The new text goes to a fresh temporary name beside the file (one a
// recovery after a crash knows), reaches the disk, and is renamed over the
// old file, so the configuration is at every moment the old or the new one.
bool ReplaceTextFile(const std::string& gbkPath, std::string_view text, std::string* error) {
  const std::string target = common::NativePath(gbkPath);
  platform::RealFileOperations ops;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = platform::TemporaryNameBeside(target, attempt);
    std::FILE* f = std::fopen(temp.c_str(), "wbx");  // never an existing file or link
    if (!f) {
      if (errno == EEXIST) continue;
      break;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (written && closed && ops.SyncFile(temp).ok() && ops.Rename(temp, target).ok()) {
      (void)ops.SyncFolder(target.substr(0, target.rfind('/') + 1));
      return true;
    }
    (void)ops.DeleteFile(temp);
    break;
  }
  if (error) *error = "cannot replace " + target;
  return false;
}

}  // namespace

std::optional<ClientConfigSource> FindClientConfiguration(std::string_view archivePath, std::string_view appFolder,
                                                          std::string_view baseName) {
  const std::string packageName = std::string(baseName) + ".dat";
  if (FileExistsNonEmpty(archivePath)) {
    for (const std::string& member : {std::string("client.dat"), packageName}) {
      if (HasMember(archivePath, member)) return ClientConfigSource{std::string(archivePath), member};
    }
  }
  const std::string textFile = std::string(appFolder) + packageName;
  if (FileExistsNonEmpty(textFile)) return ClientConfigSource{textFile, ""};
  return std::nullopt;
}

std::optional<std::string> ReadClientConfiguration(const ClientConfigSource& source) {
  if (!source.IsTextFile()) {
    auto bytes = formats::ReadArchiveMember(source.path, source.member, ArchivePassword());
    if (!bytes) return std::nullopt;
    return MemberText(*bytes);
  }
  std::ifstream in(common::NativePath(source.path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return MemberText(bytes);
}

bool WriteClientConfiguration(const ClientConfigSource& source, std::string_view text, std::string* error) {
  if (source.IsTextFile()) return ReplaceTextFile(source.path, text, error);
  formats::ArchiveWriteResult result =
      formats::WriteArchiveMember(source.path, source.member, text, ArchivePassword());
  if (!result && error) *error = result.errorText;
  return result.ok;
}

bool PackageLogSwitch(std::string_view configText) {
  common::IniDocument doc;
  if (!doc.SetText(configText)) return false;
  return doc.GetInt("system", "closelog", 1) == 0;
}

}  // namespace session

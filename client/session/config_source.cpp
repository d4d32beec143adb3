#include "client/session/config_source.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "client/session/client_config.h"
#include "client/session/file_status.h"
#include "codecs/zip_archive.h"
#include "formats/config_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"

namespace session {

namespace {

bool HasMember(std::string_view archivePath, std::string_view member) {
  codecs::ZipArchive zip;
  if (!zip.Open(common::NativePath(archivePath), codecs::ZipArchive::Mode::ReadOnly)) return false;
  return zip.FindMember(member) >= 0;
}

bool ReplaceTextFile(const std::string& gbkPath, std::string_view text, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path target(common::NativePath(gbkPath));
  fs::path temp = target;
  temp += ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      if (error) *error = "cannot write " + temp.string();
      std::error_code ec;
      fs::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    if (error) *error = "cannot replace " + target.string() + ": " + ec.message();
    fs::remove(temp, ec);
    return false;
  }
  return true;
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

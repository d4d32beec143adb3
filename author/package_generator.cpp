#include "author/package_generator.h"

#include <cstdio>
#include <filesystem>

#include "author/item_slot.h"
#include "author/package_skin.h"
#include "author/project_file.h"
#include "author/system_items_page.h"
#include "author/url_entry.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"

namespace author {

namespace {

namespace fs = std::filesystem;
using common::Gbk;

constexpr char kNoVersion[] = "0.0.0";

// The server's [system] keys in the order they are written.
constexpr const char* kServerSystemKeys[] = {
    "run_udbefore", "run_udafters", "run_udafterf", "run_dlbefore", "run_dlafters", "run_dlafterf",
    "run_before",   "run_after",    "close_proc1",  "close_proc2",  "close_proc3",  "close_items"};

// The prompt windows' keys, in the order they are written; true for a text.
struct UiKey {
  const char* key;
  bool text;
};
constexpr UiKey kServerUiKeys[] = {
    {"noupdate_win", false}, {"noupdate_win_msg", true}, {"start_win", false}, {"start_win_msg", true},
    {"dl_win", false},       {"dl_win_msg", true},       {"end_win1", false},  {"end_win2", false},
    {"end_win1_msg", true},  {"end_win2_msg", true},     {"close_win", false}, {"close_win_msg", true}};

void PutInt(common::IniDocument& doc, std::string_view section, std::string_view key, int value) {
  doc.PutValue(section, key, std::to_string(value));
}

std::string WithTrailingSlash(std::string folder) {
  folder = common::GbkReplaceChar(common::Trim(folder), '\\', '/');
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// Creates (or truncates) a file; false when it cannot be made.
bool CreateEmptyFile(const std::string& gbkPath) {
  std::FILE* f = std::fopen(common::NativePath(gbkPath).c_str(), "wb");
  if (!f) return false;
  return std::fclose(f) == 0;
}

// Binds a document to a file and reads it; false when it cannot be opened.
bool OpenDocument(common::IniDocument& doc, const std::string& gbkPath) {
  doc.SetFileName(gbkPath);
  return doc.Load();
}

// Copies the packaged client next to the package. The copy goes to a
// temporary name first and is renamed over the old one, so a client still
// running from an earlier debug run does not stop the copy (a running
// program cannot be opened for writing) and a failed copy leaves no half
// program behind.
bool CopyClientProgram(const std::string& from, const std::string& to) {
  std::error_code ec;
  const fs::path target(common::NativePath(to));
  fs::path temp = target;
  temp += ".tmp";
  fs::remove(temp, ec);
  if (!fs::copy_file(common::NativePath(from), temp, fs::copy_options::overwrite_existing, ec)) return false;
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

bool PackClientConfiguration(const std::string& folder) {
  codecs::ZipArchive zip;
  return zip.Open(common::NativePath(folder + "update.bin"), codecs::ZipArchive::Mode::Create) &&
         zip.AddFromFile("update.dat", common::NativePath(folder + "update.dat")) && zip.Commit();
}

class Generation {
 public:
  Generation(const GeneratorRequest& request, const GeneratorProgress& progress)
      : request_(request), progress_(progress) {}

  GeneratorResult Run();

 private:
  bool Fail(std::string message) {
    result_.messages.push_back(std::move(message));
    return false;
  }
  void Reached(int position, std::string_view utf8Step) {
    if (progress_) progress_(position, Gbk(utf8Step));
  }
  bool CreateFiles();
  // Steps 4 to 6: the documents are opened anew for each step.
  bool MapItems(void (*write)(ProjectFile&, common::IniDocument&, common::IniDocument&),
                std::string_view utf8StepMessage);
  bool WriteSkin();
  bool PackFiles();

  const GeneratorRequest& request_;
  const GeneratorProgress& progress_;
  GeneratorResult result_;
  std::string folder_;
  std::string serverName_;
};

GeneratorResult Generation::Run() {
  ProjectFile project(request_.projectFile);
  project.Read();
  serverName_ = ServerConfigName(project.GetString("system", "urls", ""));
  if (serverName_.empty()) {
    Fail(Gbk("没有设置服务器端配置文件url，或是设置错误！"));
    return result_;
  }
  Reached(1, "服务器端配置文件：" + common::GbkToUtf8(serverName_));

  folder_ = WithTrailingSlash(request_.outputFolder);
  result_.outputFolder = folder_;
  std::error_code ec;
  fs::create_directories(common::NativePath(folder_), ec);
  Reached(2, "输出文件夹：" + common::GbkToUtf8(folder_));

  if (!CreateFiles()) return result_;
  Reached(3, "创建配置文件");
  if (!MapItems(&WriteSystemItems, "系统项信息生成出错！")) return result_;
  Reached(4, "系统项");
  if (!MapItems(&WriteFileItems, "文件项信息生成出错！")) return result_;
  Reached(5, "文件项");
  if (!MapItems(&WriteDirItems, "目录项信息生成出错！")) return result_;
  Reached(7, "目录项");
  if (!WriteSkin()) return result_;
  Reached(8, "界面设计");
  if (!PackFiles()) return result_;
  Reached(10, "ui.bin");

  const std::string program = folder_ + "update";
  if (!request_.updateProgram.empty() && fs::is_regular_file(common::NativePath(request_.updateProgram), ec)) {
    if (!CopyClientProgram(request_.updateProgram, program)) {
      Fail(Gbk("拷贝：") + request_.updateProgram + Gbk("到输出文件夹失败！"));
      return result_;
    }
  }
  Reached(11, "update");

  result_.ok = true;
  result_.statusText = Gbk("完成创建！\r\n结果保存在文件夹：") + folder_ + "\r\n";
  return result_;
}

bool Generation::CreateFiles() {
  if (!CreateEmptyFile(folder_ + "update.dat")) return Fail(Gbk("创建本地配置文件出错！"));
  if (!CreateEmptyFile(folder_ + serverName_)) {
    return Fail(Gbk("创建服务器端配置文件") + serverName_ + Gbk("出错！"));
  }
  if (!CreateEmptyFile(folder_ + "ui.dat")) return Fail(Gbk("创建界面配置文件出错！"));
  return true;
}

bool Generation::MapItems(void (*write)(ProjectFile&, common::IniDocument&, common::IniDocument&),
                          std::string_view utf8StepMessage) {
  ProjectFile project(request_.projectFile);
  common::IniDocument client;
  common::IniDocument server;
  bool opened = project.Read();
  opened = OpenDocument(client, folder_ + "update.dat") && opened;
  opened = OpenDocument(server, folder_ + serverName_) && opened;
  if (!opened) {
    Fail(Gbk("错误：无法打开文件！"));
    return Fail(Gbk(utf8StepMessage));
  }
  write(project, client, server);
  // A document that cannot be saved is a step that did not happen: the
  // package would go out without these keys.
  if (!client.Save() || !server.Save()) {
    Fail(Gbk("错误：无法打开文件！"));
    return Fail(Gbk(utf8StepMessage));
  }
  return true;
}

bool Generation::WriteSkin() {
  ProjectFile project(request_.projectFile);
  project.Read();
  std::string error;
  if (!WritePackageSkin(project, request_.folders, folder_, &error)) {
    if (!error.empty() && error != Gbk("界面设计信息生成出错！")) result_.messages.push_back(error);
    return Fail(Gbk("界面设计信息生成出错！"));
  }
  return true;
}

bool Generation::PackFiles() {
  std::error_code ec;
  if (request_.configOutput == 1) {
    // "update.dat" goes only once its archive is written: a failed pack
    // keeps the text configuration instead of leaving no configuration.
    if (!PackClientConfiguration(folder_)) return Fail(Gbk("创建本地配置文件出错！"));
    fs::remove(common::NativePath(folder_ + "update.dat"), ec);
  } else {
    fs::remove(common::NativePath(folder_ + "update.bin"), ec);
  }
  Reached(9, request_.configOutput == 1 ? "update.bin" : "update.dat");

  std::string error;
  const bool packed = PackPackageSkin(folder_, &error);
  RemovePackageSkinWork(folder_);
  if (!packed) return Fail(Gbk("创建界面配置文件出错！"));
  return true;
}

}  // namespace

std::string ServerConfigName(std::string_view urlsValue) {
  std::vector<std::string> lines = DisplayLinesFromUrls(urlsValue);
  if (lines.empty()) return "";
  std::string first = common::GbkReplaceChar(lines.front(), '\\', '/');
  size_t cut = common::GbkFind(first, "  ");
  if (cut != std::string::npos) first.resize(cut);
  size_t slash = common::GbkFindLast(first, '/');
  return slash == std::string::npos ? first : first.substr(slash + 1);
}

void WriteSystemItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server) {
  client.PutValue("system", "urls", project.GetString("system", "urls", ""));
  PutInt(client, "system", "closelog", project.GetInt("system", "closelog", 0));
  PutInt(client, "system", "randomsel", project.GetInt("system", "randomsel", 0));
  PutInt(client, "system", "tryallurl", project.GetInt("system", "tryallurl", 0));
  for (const char* key : kServerSystemKeys) server.PutValue("system", key, project.GetString("system", key, ""));
  for (const UiKey& k : kServerUiKeys) {
    if (k.text) {
      server.PutValue("UI", k.key, project.GetString("UI", k.key, DefaultPromptText(k.key)));
    } else {
      PutInt(server, "UI", k.key, project.GetInt("UI", k.key, DefaultPromptSwitch(k.key)));
    }
  }
}

void WriteFileItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server) {
  for (int i = 0; i < kFileSlots; ++i) {
    const std::string section = SlotSection(ItemKind::File, i);
    const ItemSlot slot = ReadItemSlot(project, ItemKind::File, i);
    if (slot.localVer != kNoVersion) client.PutValue(section, "ver", slot.localVer);
    if (slot.urls.empty()) continue;
    server.PutValue(section, "urls", slot.urls);
    server.PutValue(section, "path", slot.path);
    // A file item's server version is written even when it is "0.0.0".
    server.PutValue(section, "ver", slot.fileVer);
    server.PutValue(section, "rename", slot.rename);
    server.PutValue(section, "describe", slot.describe);
    server.PutValue(section, "md5", slot.md5);
    PutInt(server, section, "uncompress", slot.uncompress);
    PutInt(server, section, "modify_ver", slot.modifyVer);
    PutInt(server, section, "runme", slot.runme);
    PutInt(server, section, "op_mode", slot.opMode);
    PutInt(server, section, "show_type", slot.showType);
    PutInt(server, section, "randomsel", slot.randomsel);
    PutInt(server, section, "tryallurl", slot.tryallurl);
  }
}

void WriteDirItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server) {
  for (int i = 0; i < kDirSlots; ++i) {
    const std::string section = SlotSection(ItemKind::Dir, i);
    const ItemSlot slot = ReadItemSlot(project, ItemKind::Dir, i);
    if (slot.localVer != kNoVersion) client.PutValue(section, "ver", slot.localVer);
    if (slot.urls.empty()) continue;
    server.PutValue(section, "urls", slot.urls);
    server.PutValue(section, "path", slot.path);
    if (slot.fileVer != kNoVersion) server.PutValue(section, "ver", slot.fileVer);
    server.PutValue(section, "filter", slot.filter);
    server.PutValue(section, "describe", slot.describe);
    PutInt(server, section, "modify_ver", slot.modifyVer);
    PutInt(server, section, "is_inc_subdir", slot.isIncSubdir);
    PutInt(server, section, "op_mode", slot.opMode);
    PutInt(server, section, "show_type", slot.showType);
    PutInt(server, section, "randomsel", slot.randomsel);
    PutInt(server, section, "tryallurl", slot.tryallurl);
  }
}

GeneratorResult GeneratePackage(const GeneratorRequest& request, const GeneratorProgress& progress) {
  return Generation(request, progress).Run();
}

}  // namespace author

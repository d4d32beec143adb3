#include "author/generator/package_generator.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "author/project/item_slot.h"
#include "author/generator/package_skin.h"
#include "author/project/project_file.h"
#include "author/project/project_keys.h"
#include "author/project/url_entry.h"
#include "author/generator/release_deltas.h"
#include "author/generator/package_signing.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_keys.h"
#include "formats/skin_writer.h"
#include "formats/update_config_writer.h"
#include "formats/value_syntax.h"

namespace author {

namespace {

namespace fs = std::filesystem;
using common::Gbk;

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
  if (!zip.Open(common::NativePath(folder + "update.bin"), codecs::ZipArchive::Mode::Create)) return false;
  zip.SetMemberTime(formats::kPackageMemberTime);
  return zip.AddFromFile("update.dat", common::NativePath(folder + "update.dat")) && zip.Commit();
}

class Generation {
 public:
  Generation(const GeneratorRequest& request, const GeneratorProgress& progress)
      : request_(request), progress_(progress), project_(request.projectFile) {}

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
  // With a project key the package is signed (package_signing.h); without
  // one only an earlier signature is removed.
  bool SignPackage();
  // The releases kept under the project and the patches from them.
  bool WriteDeltas();

  const GeneratorRequest& request_;
  const GeneratorProgress& progress_;
  GeneratorResult result_;
  std::string folder_;
  std::string serverName_;
  ProjectFile project_;
};

GeneratorResult Generation::Run() {
  // The project is read once: the model's document when the caller has
  // one, else the saved file.
  if (!request_.projectText.empty()) {
    project_.ReadText(request_.projectText);
  } else if (!project_.Read()) {
    Fail(Gbk("错误：无法打开文件：") + NativeGbkPath(request_.projectFile));
    return result_;
  }
  serverName_ = ServerConfigName(project_.GetString("system", "urls", ""));
  if (serverName_.empty()) {
    Fail(Gbk("没有设置服务器端配置文件url，或是设置错误！"));
    return result_;
  }
  Reached(1, "服务器端配置文件：" + common::GbkToUtf8(serverName_));

  folder_ = WithTrailingSlash(request_.outputFolder);
  // A signed package is never replaced by one the tool cannot sign: the
  // clients that know its key would refuse every update from then on.
  std::error_code sigEc;
  if (!LoadProjectKeys(request_.projectFile) &&
      fs::exists(common::NativePath(folder_ + serverName_ + ".sig"), sigEc)) {
    Fail(Gbk("输出文件夹中的升级包带有签名，但找不到签名密钥：") + NativeGbkPath(PrivateKeyFile(request_.projectFile)) +
         Gbk("\n请放回密钥文件；要改发不签名的升级包，请先删除") + folder_ + serverName_ + ".sig" + Gbk("。"));
    return result_;
  }
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
  Reached(6, "目录项");
  if (!WriteDeltas()) return result_;
  if (!SignPackage()) return result_;
  Reached(7, "签名");
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
  common::IniDocument client;
  common::IniDocument server;
  bool opened = OpenDocument(client, folder_ + "update.dat");
  opened = OpenDocument(server, folder_ + serverName_) && opened;
  if (!opened) {
    Fail(Gbk("错误：无法打开文件！"));
    return Fail(Gbk(utf8StepMessage));
  }
  write(project_, client, server);
  // A document that cannot be saved is a step that did not happen: the
  // package would go out without these keys.
  if (!client.Save() || !server.Save()) {
    Fail(Gbk("错误：无法打开文件！"));
    return Fail(Gbk(utf8StepMessage));
  }
  return true;
}

bool Generation::SignPackage() {
  SigningRequest request{request_.projectFile, folder_ + "update.dat", folder_ + serverName_,
                         static_cast<int64_t>(std::time(nullptr))};
  return author::SignPackage(request, result_.messages);
}

bool Generation::WriteDeltas() {
  common::IniDocument server;
  if (!OpenDocument(server, folder_ + serverName_)) return Fail(Gbk("错误：无法打开文件！"));
  const DeltaReport report = WriteReleaseDeltas(project_, request_.projectFile, folder_, server);
  if (!server.Save()) return Fail(Gbk("错误：无法打开文件！"));
  result_.patches = report.patches;
  // A patch that could not be made leaves its item to the whole file.
  for (const std::string& problem : report.problems) Reached(6, common::GbkToUtf8(problem));
  return true;
}

bool Generation::WriteSkin() {
  std::string error;
  if (!WritePackageSkin(project_, request_.folders, folder_, &error)) {
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

std::string FirstLocalSource(std::string_view urlsValue, bool folder) {
  formats::UrlList list;
  formats::AppendUrlList(urlsValue, list);
  for (const std::string& url : list.urls) {
    if (url.rfind("file://", 0) != 0) continue;
    std::string path = url.substr(7);
    std::error_code ec;
    if (path.empty() || path.front() != '/') continue;
    const fs::path native(common::NativePath(path));
    if (folder ? fs::is_directory(native, ec) : fs::is_regular_file(native, ec)) return path;
  }
  return "";
}

std::string LocalItemSource(std::string_view urlsValue) { return FirstLocalSource(urlsValue, false); }

std::string ServerConfigName(std::string_view urlsValue) {
  std::vector<std::string> lines = DisplayLinesFromUrls(urlsValue);
  if (lines.empty()) return "";
  std::string first = common::GbkReplaceChar(lines.front(), '\\', '/');
  size_t cut = common::GbkFind(first, "  ");
  if (cut != std::string::npos) first.resize(cut);
  size_t slash = common::GbkFindLast(first, '/');
  return slash == std::string::npos ? first : first.substr(slash + 1);
}

namespace {

// The project keeps the package's [system] and [UI] keys under their own
// names; a project without them gives the table's defaults.
template <typename Settings>
Settings FromProject(ProjectFile& project, formats::KeySection section, const char* name) {
  Settings settings;
  for (const formats::ConfigKey* key : formats::WrittenKeys(section)) {
    formats::SetStoredValue(*key, settings, project.GetString(name, key->name, common::Gbk(key->def)));
  }
  return settings;
}

template <typename Item, size_t N>
void FromProject(ProjectFile& project, ItemKind kind, std::array<Item, N>& items) {
  for (size_t i = 0; i < N; ++i) {
    ItemSlot slot = ReadItemSlot(project, kind, static_cast<int>(i));
    static_cast<formats::ItemKeys&>(items[i]) = slot;
    if constexpr (std::is_base_of_v<formats::FileKeys, Item>) static_cast<formats::FileKeys&>(items[i]) = slot;
    if constexpr (std::is_base_of_v<formats::DirKeys, Item>) static_cast<formats::DirKeys&>(items[i]) = slot;
  }
}

}  // namespace

void WriteSystemItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server) {
  formats::WriteClientSystem(FromProject<formats::ClientSettings>(project, formats::KeySection::ClientSystem, "system"),
                             client);
  formats::WriteSystemAndUi(FromProject<formats::SystemSettings>(project, formats::KeySection::System, "system"),
                            FromProject<formats::UiSettings>(project, formats::KeySection::Ui, "UI"), server);
}

void WriteFileItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server) {
  formats::FileItems files;
  FromProject(project, ItemKind::File, files);
  formats::WriteFileItems(files, client, server);
}

void WriteDirItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server) {
  formats::DirItems dirs;
  FromProject(project, ItemKind::Dir, dirs);
  formats::WriteDirItems(dirs, client, server);
}

GeneratorResult GeneratePackage(const GeneratorRequest& request, const GeneratorProgress& progress) {
  return Generation(request, progress).Run();
}

}  // namespace author

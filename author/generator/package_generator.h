#pragma once
// The package generator: turns a saved project into an update package in
// its output folder. The package is laid out for the client generation the
// tool packages as "update": the client configuration "update.dat" (text)
// or the archive "update.bin" holding it (packed), the server configuration
// named after the last path component of the first server location, the
// skin archive "ui.bin", and a copy of updateApp/update. A project with a
// signing key (project_keys.h) is signed (package_signing.h). No Qt and no
// widgets: the create-and-debug page runs it on a worker thread and
// `quillmate --generate` runs it in the foreground.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "author/project/tool_folders.h"

namespace common {
class IniDocument;
}

namespace author {

class ProjectFile;

/// The progress positions run from 0 to this.
inline constexpr int kGeneratorLastPosition = 11;

struct GeneratorRequest {
  std::string projectFile;    // the project file, stored form (GBK, "\"): its keys sit beside it
  std::string projectText;    // the project's document (ProjectModel::Text); "": read projectFile once
  std::string outputFolder;   // GBK, "/" or "\" separators; trimmed and given a trailing "/" here
  int configOutput = 0;       // [project] local_cfgout: 0 text "update.dat", 1 packed "update.bin"
  std::string updateProgram;  // the packaged client, GBK native path (updateApp/update)
  ToolFolders folders;        // the tool's pictures and current skin template
};

/// One step reached: its progress position and what it did (GBK), for a
/// headless run's output.
using GeneratorProgress = std::function<void(int position, const std::string& step)>;

struct GeneratorResult {
  bool ok = false;
  // On failure: the boxes to show, in order (GBK). On success: empty.
  std::vector<std::string> messages;
  // The output folder as written (GBK native path, ends in "/").
  std::string outputFolder;
  // On success: "完成创建！\r\n结果保存在文件夹：" + folder + "\r\n".
  std::string statusText;
  // Patches written into the output's "patches/" folder, which then goes
  // up to the server with the server configuration.
  int patches = 0;
};

/// The server configuration file name from a urls value: its first entry as
/// the system items page lists it, "\" turned into "/", cut before the first
/// double blank (the FTP user and password parts), after the last "/".
/// "" when there is no usable entry.
std::string ServerConfigName(std::string_view urlsValue);

/// The first file:// location of a urls value that names an existing local
/// folder (folder set) or regular file (GBK path), "" when there is none.
std::string FirstLocalSource(std::string_view urlsValue, bool folder);
/// The first local file of a urls value: the generator hashes it.
std::string LocalItemSource(std::string_view urlsValue);

/// The key mappings of one package, each over documents already loaded
/// (project) and bound to their files (client, server); nothing is saved.
void WriteSystemItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server);
void WriteFileItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server);
void WriteDirItems(ProjectFile& project, common::IniDocument& client, common::IniDocument& server);

/// Generates the package; progress is called on the caller's thread.
/// Files written before a failure stay as they are.
GeneratorResult GeneratePackage(const GeneratorRequest& request, const GeneratorProgress& progress = {});

}  // namespace author

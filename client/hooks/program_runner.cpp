#include "client/hooks/program_runner.h"

#include <filesystem>
#include <system_error>

#include "common/gbk.h"
#include "platform/launcher.h"

namespace transfer {
namespace {

constexpr const char* kDone = "执行完毕！";

// Does the GBK text name a file that exists (not a folder)?
bool NamesExistingFile(std::string_view gbkPath) {
  std::error_code ec;
  const std::filesystem::path path(common::NativePath(gbkPath));
  return std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec);
}

}  // namespace

CommandParts SplitCommandLine(std::string_view line) {
  CommandParts parts;
  const size_t firstBlank = line.find(' ');
  if (firstBlank == std::string_view::npos || firstBlank == 0) {
    parts.program = std::string(line);
  } else {
    // A "." is never the trail byte of a double-byte character, so a plain
    // byte scan cannot match inside one.
    const std::string lower = common::GbkToLowerAscii(line);
    size_t cut = std::string::npos;
    for (size_t pos = 0; pos < lower.size() && cut == std::string::npos; ++pos) {
      for (std::string_view ext : {".exe ", ".com ", ".bat "}) {
        if (lower.compare(pos, ext.size(), ext) == 0) {
          cut = pos + ext.size() - 1;  // the blank after the extension
          break;
        }
      }
    }
    // Programs without an extension: the first blank before which the text
    // names an existing file ends the program ("/opt/My Tools/setup -x").
    for (size_t blank = firstBlank; cut == std::string::npos && blank != std::string::npos;
         blank = common::GbkFind(line, ' ', blank + 1)) {
      if (NamesExistingFile(line.substr(0, blank))) cut = blank;
    }
    if (cut == std::string::npos) {
      parts.program = std::string(line);
    } else {
      parts.program = std::string(line.substr(0, cut));
      parts.parameters = std::string(line.substr(cut + 1));
    }
  }
  const size_t back = common::GbkFindLast(parts.program, '\\');
  const size_t slash = common::GbkFindLast(parts.program, '/');
  size_t last = back == std::string::npos ? slash
                : slash == std::string::npos ? back
                                              : std::max(back, slash);
  if (last != std::string::npos) {
    parts.folder = parts.program.substr(0, last + 1);
    parts.program = parts.program.substr(last + 1);
  }
  return parts;
}

std::vector<std::string> SplitParameters(std::string_view parameters) {
  std::vector<std::string> arguments;
  std::string current;
  bool inWord = false, quoted = false;
  for (char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty argument
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) arguments.push_back(current);
      current.clear();
      inWord = false;
    } else {
      current += c;
      inWord = true;
    }
  }
  if (inWord) arguments.push_back(current);
  return arguments;
}

std::string RunResultText(int error) {
  const char* text = kDone;
  switch (error) {
    case 2: text = "指定文件不存在"; break;
    case 3: text = "指定路径不存在"; break;
    case 5: text = "访问指定文件被拒绝"; break;
    case 8: text = "没有足够的内存来执行操作"; break;
    case 32: text = "共享违规发生了"; break;
    case 1155: text = "没有与制定文件名扩展对应的应用程序"; break;
    case 1156: text = "动态数据交换 (DDE) 处理失败"; break;
    case 1157: text = "无法找到运行应用程序所必须的库文件"; break;
    case 1223:
      text = "这个函数要求用户提供更多其他信息（比如弹出对话框），但请求用户被取消了";
      break;
    default: break;
  }
  return common::Utf8ToGbk(text);
}

int StartProgram(const std::string& program, std::string_view parameters, const std::string& folder, bool hidden) {
  platform::LaunchRequest request;
  request.program = common::NativePath(program);
  request.folder = common::NativePath(folder);
  request.arguments = SplitParameters(common::GbkToUtf8(parameters));
  request.hidden = hidden;
  return platform::Launch(request);
}

std::string RunProgram(std::string_view commandLine, bool wait) {
  const CommandParts parts = SplitCommandLine(common::TrimRight(commandLine));

  platform::LaunchRequest request;
  request.wait = wait;
  const std::string& program = parts.program;
  if (common::EndsWithNoCase(program, ".reg") || common::EndsWithNoCase(program, ".ocx") ||
      common::EndsWithNoCase(program, ".dll")) {
    // The file's own path is one argument, blanks and all; the tool runs
    // hidden from the caller's folder.
    const std::string file = common::NativePath(parts.folder + program);
    request.hidden = true;
    request.byNameOnly = true;
    if (common::EndsWithNoCase(program, ".reg")) {
      request.program = "regedit";
      request.arguments = {"/s", file};
    } else {
      // Unregister first so the server is registered afresh; that the old
      // one was not registered is no failure.
      platform::LaunchRequest unregister = request;
      unregister.program = "regsvr32";
      unregister.arguments = {"/u", "/s", file};
      unregister.wait = false;
      (void)platform::Launch(unregister);
      request.program = "regsvr32";
      request.arguments = {"/s", file};
    }
  } else {
    request.program = common::NativePath(parts.program);
    request.folder = common::NativePath(parts.folder);
    request.arguments = SplitParameters(common::GbkToUtf8(parts.parameters));
  }
  return RunResultText(platform::Launch(request));
}

}  // namespace transfer

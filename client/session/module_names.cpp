#include "client/session/module_names.h"

#include "common/gbk.h"

namespace session {

namespace {

std::string WithoutSuffixNoCase(std::string_view text, std::string_view suffix) {
  if (common::EndsWithNoCase(text, suffix)) text.remove_suffix(suffix.size());
  return std::string(text);
}

}  // namespace

std::string AppFolderOf(std::string_view modulePath) {
  size_t slash = common::GbkFindLast(modulePath, '/');
  return slash == std::string::npos ? "" : std::string(modulePath.substr(0, slash + 1));
}

std::string ExeFileNameOf(std::string_view modulePath) {
  size_t slash = common::GbkFindLast(modulePath, '/');
  return std::string(slash == std::string::npos ? modulePath : modulePath.substr(slash + 1));
}

std::string ExeBaseName(std::string_view exeFileName) {
  return WithoutSuffixNoCase(WithoutSuffixNoCase(exeFileName, ".new"), ".exe");
}

std::string ArchiveNameOf(std::string_view exeFileName) { return ExeBaseName(exeFileName) + ".bin"; }

std::string InstanceLockName(std::string_view modulePath) {
  return WithoutSuffixNoCase(common::GbkReplaceChar(modulePath, '/', '_'), ".new");
}

std::string ParentFolderValue(std::string_view appFolder) {
  std::string parent(appFolder);
  if (!parent.empty() && parent.back() == '/') parent.pop_back();
  size_t slash = common::GbkFindLast(parent, '/');
  if (slash != std::string::npos && slash > 0) parent.resize(slash);
  return parent;
}

std::string ProgramCaption(std::string_view exeFileName) {
  size_t dot = common::GbkFindLast(exeFileName, '.');
  return std::string(dot == std::string::npos ? exeFileName : exeFileName.substr(0, dot));
}

}  // namespace session

#include "author/project/tool_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <cstdlib>

#include "common/gbk.h"
#include "platform/folders.h"

namespace author {

namespace {

// Where an installed tool keeps its shipped data, seen from the folder of
// the program: <prefix>/bin/../lib/quillmate. The build passes the same path
// it installs the data to.
#ifndef QUILLMATE_INSTALLED_DATA
#define QUILLMATE_INSTALLED_DATA "../lib/quillmate"
#endif

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

ToolFolders ToolFolders::Decide(std::string programFolder, bool programFolderWritable,
                                std::string xdgDataHome, std::string home) {
  ToolFolders f;
  f.programFolder_ = WithSlash(std::move(programFolder));
  if (programFolderWritable) {
    f.dataFolder_ = f.programFolder_;
  } else if (!xdgDataHome.empty() && xdgDataHome[0] == '/') {
    // The XDG rule: a relative XDG_DATA_HOME is invalid and ignored.
    f.dataFolder_ = WithSlash(std::move(xdgDataHome)) + "quillmate/";
  } else {
    f.dataFolder_ = WithSlash(std::move(home)) + ".local/share/quillmate/";
  }
  return f;
}

ToolFolders ToolFolders::ForThisProgram() {
  std::string module = platform::ModulePath();
  size_t slash = module.rfind('/');
  std::string folder = slash == std::string::npos ? std::string("./") : module.substr(0, slash + 1);
  const QString nativeFolder = QString::fromStdString(common::GbkToUtf8(folder));
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::string xdgGbk = common::Utf8ToGbk(xdg ? xdg : "");
  std::string homeGbk = common::Utf8ToGbk(home ? home : "");
  QFileInfo installed(nativeFolder + QStringLiteral(QUILLMATE_INSTALLED_DATA));
  if (installed.isDir()) {
    // An installed tool: its prefix is never written, even when the user
    // (root) could.
    return Decide(common::Utf8ToGbk(QDir::cleanPath(installed.absoluteFilePath()).toStdString()), false,
                  std::move(xdgGbk), std::move(homeGbk));
  }
  QFileInfo info(nativeFolder);
  return Decide(folder, info.isDir() && info.isWritable(), std::move(xdgGbk), std::move(homeGbk));
}

ToolFolders ToolFolders::InOneFolder(std::string folder) {
  ToolFolders f;
  f.programFolder_ = WithSlash(std::move(folder));
  f.dataFolder_ = f.programFolder_;
  return f;
}

}  // namespace author

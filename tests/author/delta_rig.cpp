#include "tests/author/delta_rig.h"

#include <cstdint>
#include <fstream>

#include "author/generator/package_generator.h"
#include "author/project/project_keys.h"
#include "author/project/tool_folders.h"
#include "common/gbk.h"
#include "tests/support/run_command.h"

namespace authortest {

namespace fs = std::filesystem;
using testsupport::ShellQuote;

namespace {

// The item's folder in the project's form: "\" separators, trailing "\".
std::string ItemPath(const fs::path& rel) {
  std::string folder = rel.parent_path().string();
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return folder.empty() ? "" : folder + "\\";
}

}  // namespace

DeltaRig::DeltaRig(const fs::path& root) : root_(root) {
  fs::create_directories(root_ / "srv");
  fs::create_directories(root_ / "tmp");
  fs::create_directories(root_ / "p");
  fs::create_directories(root_ / "tool");
  fs::copy(testsupport::BinDir() + "/pics", root_ / "tool/pics", fs::copy_options::recursive);
  started_ = http_.Start((root_ / "srv").string());
}

bool DeltaRig::Sign() { return author::MakeProjectKey((root_ / "p/p.epj").string()); }

bool DeltaRig::Release(const std::string& version, const std::string& installedVersion, const fs::path& tree,
                       const std::vector<fs::path>& rels, std::string* error) {
  const fs::path items = root_ / "srv/items" / version;
  std::string project;
  for (size_t i = 0; i < rels.size(); ++i) {
    const fs::path target = items / rels[i];
    fs::create_directories(target.parent_path());
    fs::copy_file(tree / rels[i], target, fs::copy_options::overwrite_existing);
    const std::string rel = rels[i].generic_string();
    project += "[file" + std::to_string(i) + "]\r\nurls=url0=" + http_.BaseUrl() + "/files/items/" + version + "/" +
               rel + ";;url1=file://" + target.string() + "\r\nlocal_ver=" + installedVersion +
               "\r\nfile_ver=" + version + "\r\npath=" + ItemPath(rels[i]) + "\r\nshow_type=2\r\nop_mode=1\r\n";
  }
  return Generate(project, error);
}

bool DeltaRig::ReleaseDir(const std::string& version, const std::string& installedVersion, const fs::path& tree,
                          std::string* error, bool overFtp) {
  std::string ftpMirror;
  if (overFtp) {
    if (ftp_.port() == 0 && !ftp_.Start((root_ / "srv").string())) return false;
    ftpMirror = "url0=ftp://127.0.0.1:" + std::to_string(ftp_.port()) + "/dirs/" + version + ",,tester,,secret;;";
  }
  const fs::path items = root_ / "srv/dirs" / version;
  std::error_code ec;
  fs::remove_all(items, ec);
  fs::create_directories(items.parent_path());
  fs::copy(tree, items, fs::copy_options::recursive);
  return Generate("[dir0]\r\nurls=" + ftpMirror + (overFtp ? "url1" : "url0") + "=file://" + items.string() +
                      "\r\ntryallurl=1\r\nlocal_ver=" + installedVersion +
                      "\r\nfile_ver=" + version + "\r\npath=data\r\nis_inc_subdir=1\r\nshow_type=2\r\nop_mode=1\r\n",
                  error);
}

bool DeltaRig::Generate(const std::string& items, std::string* error) {
  const std::string project = "[system]\r\nurls=url0=" + http_.BaseUrl() +
                              "/files/s.ini\r\ncloselog=0\r\n[project]\r\nlocal_cfgout=0\r\n" + items;
  std::ofstream(root_ / "p/p.epj", std::ios::binary | std::ios::trunc) << project;

  author::GeneratorRequest request;
  request.projectFile = (root_ / "p/p.epj").string();
  request.outputFolder = Output();
  request.updateProgram = testsupport::BinDir() + "/upgrade_testable";
  request.folders = author::ToolFolders::InOneFolder((root_ / "tool").string());
  const author::GeneratorResult result = author::GeneratePackage(request);
  if (!result.ok) {
    if (error) *error = result.messages.empty() ? "failed" : common::GbkToUtf8(result.messages.front());
    return false;
  }
  fs::copy_file(Output() + "s.ini", root_ / "srv/s.ini", fs::copy_options::overwrite_existing);
  if (fs::exists(Output() + "s.ini.sig")) {
    fs::copy_file(Output() + "s.ini.sig", root_ / "srv/s.ini.sig", fs::copy_options::overwrite_existing);
  }
  std::error_code ec;
  fs::remove_all(root_ / "srv/patches", ec);
  if (fs::exists(Output() + "patches")) fs::copy(Output() + "patches", root_ / "srv/patches", fs::copy_options::recursive);
  return true;
}

std::string DeltaRig::Install(const std::string& name, const fs::path& tree, const std::vector<fs::path>& rels) {
  const fs::path app = root_ / name;
  std::error_code ec;
  fs::remove_all(app, ec);
  for (const fs::path& rel : rels) {
    fs::create_directories((app / rel).parent_path());
    fs::copy_file(tree / rel, app / rel);
  }
  for (const char* file : {"update", "update.dat", "ui.bin"}) fs::copy_file(Output() + file, app / file);
  return app.string() + "/";
}

int DeltaRig::RunClient(const std::string& app, const std::string& prefix) {
  const std::string command = "cd " + ShellQuote(app) + " && QT_QPA_PLATFORM=offscreen TMPDIR=" + ShellQuote((root_ / "tmp").string()) +
                              " UPGRADE_PROMPT_LOG=" + ShellQuote((root_ / "boxes.txt").string()) + " " + prefix +
                              " ./update >/dev/null 2>&1";
  return testsupport::RunCommand(command).exitCode;
}

std::string DeltaRig::Log(const std::string& app) {
  return common::GbkToUtf8(testsupport::TempDir::read(app + "update.log"));
}

std::string PseudoRandomBytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  uint32_t x = seed;
  for (char& c : s) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

std::string SectionValue(const std::string& ini, const std::string& section, const std::string& key) {
  const size_t at = ini.find("[" + section + "]\r\n");
  const size_t line = at == std::string::npos ? at : ini.find("\r\n" + key + "=", at);
  if (line == std::string::npos) return "";
  const size_t start = line + key.size() + 3;
  return ini.substr(start, ini.find("\r\n", start) - start);
}

}  // namespace authortest

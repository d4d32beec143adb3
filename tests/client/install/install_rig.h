#pragma once
// A whole run state for the installation stage without the session before
// it: item slots, settings, a real log in the rig's folder, a host
// notifier, a scripted prompter and the real program runner, plus a page
// stand-in that records what the stage shows. Items and their download
// records are filled by hand, as the download stage would fill them, and
// the downloaded files are written into the item's temporary folder.
// Header-only: the crash-test helper program uses it too.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "client/session/client_log.h"
#include "client/session/host_notifier.h"
#include "client/session/item_slots.h"
#include "client/session/run_state.h"
#include "client/session/scripted_prompter.h"
#include "client/session/server_settings.h"
#include "client/hooks/program_runner.h"
#include "client/stage/stage_sink.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"

namespace install_test {

// What the update page would show, recorded; questions answered by script.
class PageRecorder : public transfer::StageSink {
 public:
  explicit PageRecorder(session::RunState* run = nullptr) : run_(run) {}

  std::vector<std::string> messages;  // status lines (GBK)
  std::vector<std::string> notices;   // GBK
  std::vector<std::string> asked;     // texts of Ask boxes (GBK)
  std::vector<std::string> trayTips;
  std::vector<int> bar;
  int barMaximum = -1;
  int ended = -1;         // EndStage's value
  int finished = -1;      // FinishStage's success
  bool waitedForUser = false;
  bool retryAnswer = false;
  std::function<void(const std::string&)> onNotice;  // runs on the worker's thread
  std::function<void(const std::string&)> onMessage;

  bool IsDirectoryRow(int) const override { return false; }
  void AppendRowText(int, const std::string&) override {}
  void SetRowProgress(int, int) override {}
  void SetRowSpeed(int, const std::string&) override {}
  void SetFileBar(int) override {}
  void SetTransferStatus(const std::string&) override {}
  void SetTrayTip(const std::string& text) override { trayTips.push_back(text); }
  void AddMessage(const std::string& text) override {
    if (run_) run_->WriteLog(text);
    messages.push_back(text);
    if (onMessage) onMessage(text);
  }
  int AddRow(const std::string&) override { return 0; }
  void CheckRow(int) override {}
  void SetBarRange(int, int maximum) override { barMaximum = maximum; }
  void SetBarValue(int, int value) override { bar.push_back(value); }
  session::BoxAnswer Ask(const session::BoxRequest& request) override {
    asked.push_back(request.text);
    return session::BoxAnswer::Ok;
  }
  void Notice(const std::string& text) override {
    notices.push_back(text);
    if (onNotice) onNotice(text);
  }
  bool AskRetry(const std::string& text) override {
    notices.push_back(text);
    return retryAnswer;
  }
  void ShowFinishButton(int) override {}
  void FinishStage(bool waitForUser, int success) override {
    waitedForUser = waitForUser;
    finished = success;
  }
  void EndStage(int success) override {
    if (ended < 0) ended = success;
  }

  bool Said(const std::string& utf8) const {
    const std::string gbk = common::Gbk(utf8);
    for (const auto& m : messages)
      if (m == gbk) return true;
    return false;
  }

 private:
  session::RunState* run_;
};

// The application folder with its configuration archive and the run's
// work folder, inside one test folder.
class InstallRig {
 public:
  // folder: an existing folder (native path, no trailing "/") for the log
  // and the work folder; appFolder (ends in "/"): default folder + "/app/".
  explicit InstallRig(const std::string& folder, const std::string& appFolder = "")
      : folder_(folder), app_(appFolder.empty() ? folder + "/app/" : appFolder), work_(folder + "/work/") {
    std::filesystem::create_directories(app_);
    std::filesystem::create_directories(work_);
    ui_ = session::UiSettings::Defaults();
    runner_ = [](std::string_view line, bool wait) { return transfer::RunProgram(line, wait); };
  }
  ~InstallRig() { log_.Close(); }

  std::string AppFolder() const { return app_; }
  std::string WorkFolder() const { return work_; }
  std::string ArchivePath() const { return app_ + "upgrade.bin"; }
  std::string LogPath() const { return folder_ + "/upgrade.log"; }

  session::FileItem& File(int n) { return files_[n]; }
  session::DirItem& Dir(int n) { return dirs_[n]; }
  session::SystemSettings& System() { return system_; }
  session::UiSettings& Ui() { return ui_; }
  session::SessionDecision& Decision() { return decision_; }
  session::ScriptedPrompter& Prompter() { return prompter_; }
  session::HostNotifier& Host() { return host_; }
  void SetShowType(int type) { showType_ = type; }
  void SetOpMode(int mode) { opMode_ = mode; }
  void SetRunMode(session::RunMode mode) { runMode_ = mode; }

  /// Writes the configuration archive with "client.dat" = text (UTF-8 given,
  /// stored as GBK) and reads it back as the run's client document.
  void WriteArchive(const std::string& clientDatUtf8) {
    codecs::ZipArchive zip;
    if (zip.Open(ArchivePath(), codecs::ZipArchive::Mode::Create) &&
        zip.AddFromMemory("pre.dat", "[pre]\r\ncloselog=0\r\n") &&
        zip.AddFromMemory("client.dat", common::Gbk(clientDatUtf8))) {
      (void)zip.Commit();
    }
  }
  /// [section] ver in the archive's "client.dat" now.
  std::string ArchivedVersion(const std::string& section) const {
    auto bytes = formats::ReadArchiveMember(ArchivePath(), "client.dat");
    if (!bytes) return "<no client.dat>";
    common::IniDocument doc;
    if (!doc.SetText(*bytes)) return "<empty>";
    return doc.GetString(section, "ver", "<none>");
  }

  /// A downloaded file in the item's temporary folder and its record.
  void AddFileDownload(int n, const std::string& name, const std::string& bytes) {
    files_[n].newItem = true;
    files_[n].fileName = name;
    Write(work_ + "file" + std::to_string(n) + "/" + name, bytes);
    pending_.push_back({true, n, {"", name, name, static_cast<int64_t>(bytes.size())}});
  }
  void AddDirDownload(int n, const std::string& subFolder, const std::string& name, const std::string& bytes) {
    Write(work_ + "dir" + std::to_string(n) + "/" + (subFolder.empty() ? "" : subFolder + "/") + name, bytes);
    AddDirRecord(n, subFolder, name, static_cast<int64_t>(bytes.size()));
  }
  /// The record alone, for a file already in the temporary folder.
  void AddDirRecord(int n, const std::string& subFolder, const std::string& name, int64_t size = 0) {
    dirs_[n].newItem = true;
    const std::string tempName = (subFolder.empty() ? "" : subFolder + "/") + name;
    pending_.push_back({false, n, {subFolder, name, tempName, size}});
  }

  /// Makes the run state (once) with the log open in the rig's folder.
  session::RunState& Run() {
    if (run_) return *run_;
    // The log is "upgrade.log" in the current folder.
    char old[4096];
    if (!getcwd(old, sizeof old)) old[0] = 0;
    if (chdir(folder_.c_str()) == 0) {
      log_.Open();
      if (old[0] && chdir(old) != 0) {
      }
    }
    if (auto bytes = formats::ReadArchiveMember(ArchivePath(), "client.dat")) {
      doc_ = std::make_unique<common::IniDocument>();
      if (!doc_->SetText(*bytes)) doc_.reset();
    }
    session::RunRefs refs{files_, dirs_, system_, ui_, decision_, showType_, log_,
                          host_,  prompter_, runner_, doc_.get()};
    session::RunPlaces places;
    places.opMode = opMode_;
    places.runMode = runMode_;
    places.modulePath = app_ + "upgrade";
    places.appFolder = app_;
    places.workFolder = work_;
    places.archivePath = ArchivePath();
    run_ = std::make_unique<session::RunState>(refs, std::move(places));
    for (const Pending& p : pending_) {
      (p.file ? run_->FileWork(p.slot) : run_->DirWork(p.slot)).downloads.push_back(p.record);
    }
    return *run_;
  }

  /// The log so far as UTF-8 texts without their time stamps.
  std::vector<std::string> LogTexts() const {
    std::ifstream in(LogPath(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(common::GbkToUtf8(line.size() > 12 ? line.substr(12) : line));
    }
    return lines;
  }
  bool Logged(const std::string& utf8) const {
    for (const auto& l : LogTexts())
      if (l == utf8) return true;
    return false;
  }

  static void Write(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  struct Pending {
    bool file;
    int slot;
    session::DownloadRecord record;
  };

  std::string folder_, app_, work_;
  session::FileItems files_;
  session::DirItems dirs_;
  session::SystemSettings system_;
  session::UiSettings ui_;
  session::SessionDecision decision_;
  int showType_ = session::kShowSilent;
  int opMode_ = 1;
  session::RunMode runMode_ = session::RunMode::Normal;
  session::ClientLog log_;
  session::HostNotifier host_;
  session::ScriptedPrompter prompter_;
  session::ProgramRunner runner_;
  std::unique_ptr<common::IniDocument> doc_;
  std::vector<Pending> pending_;
  std::unique_ptr<session::RunState> run_;
};

}  // namespace install_test

#pragma once
// ClientSandbox: a fresh folder holding a copy of the built client, its
// configuration archive (made with Python's zipfile) and private temp, home
// and runtime folders, so that runs of the real program can be checked by
// their log, their message boxes (recorded through the scripted prompter)
// and their timing, without touching the machine's own folders.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace apptest {

struct ClientRun {
  int exitCode = -1;
  std::chrono::milliseconds elapsed{0};
};

class ClientSandbox {
 public:
  /// Copies the tests' flavour of the client (build/bin/upgrade_testable,
  /// which takes scripted answers) into the folder under the name program.
  explicit ClientSandbox(std::string program = "upgrade");

  const testsupport::TempDir& Dir() const { return dir_; }
  std::string Folder() const { return dir_.path().string(); }
  const std::string& Program() const { return program_; }
  /// The application's own folder in the work folder ({temp} is the
  /// sandbox's "tmp"): "~qirra_tmp/<program>-<16 hex digits of the SHA-256
  /// of the program's path>", without a trailing "/".
  std::string WorkFolder() const;

  /// Writes the configuration archive name (default: program + ".bin") with
  /// the given (member, bytes) pairs; texts are passed as UTF-8 and stored
  /// as GBK.
  void WriteArchive(const std::vector<std::pair<std::string, std::string>>& utf8Members,
                    std::string name = "");

  /// Runs the program on that X display (":N") instead of the offscreen
  /// platform, for a tray icon; an unusable session bus keeps Qt on the X11
  /// tray.
  void UseDisplay(std::string display) { display_ = std::move(display); }

  /// The shell command that runs the program in its folder with args
  /// (answers: the scripted prompter's answer list; realBoxes: no scripted
  /// prompter, and the shell is replaced by the program).
  std::string Command(const std::string& args = "", const std::string& answers = "",
                      bool realBoxes = false) const;
  /// Runs it and waits.
  ClientRun Run(const std::string& args = "", const std::string& answers = "") const;

  /// The program's log ("upgrade.log" for upgrade) as UTF-8 texts, the time stamp and its four blanks cut
  /// off; empty when there is no log. LogExists tells the two apart.
  std::vector<std::string> LogTexts() const;
  bool LogExists() const;
  /// The time stamps of the log lines ("%H:%M:%S").
  std::vector<std::string> LogStamps() const;

  /// The message boxes shown, one UTF-8 record "caption\ttext\tbuttons" each.
  std::vector<std::string> Boxes() const;

  /// The lock file that stands for this program copy.
  std::string LockFile() const;

 private:
  testsupport::TempDir dir_;
  std::string program_;
  std::string display_;
};

/// The log lines every run writes when its configuration is read: banner,
/// folder values, archive name (UTF-8).
std::vector<std::string> BannerLines(const ClientSandbox& box, const std::string& archive);

}  // namespace apptest

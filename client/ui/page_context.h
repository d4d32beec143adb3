#pragma once
// PageContext: what the wizard pages read from and report to the client run
// (skin, run mode, session show type, log, host, tray, item rows, the run's
// prompter). The session window fills it from ClientApp; tests fill it by
// hand. Texts handed over here are GBK bytes, as the configuration holds them.

#include <QImage>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/session_modes.h"
#include "formats/skin_description.h"

namespace session {
class HostNotifier;
class Prompter;
}

namespace ui {

class CSystemTray;

/// One row of the start window: a file item or a dir item with a new version.
struct NewItemRow {
  bool isDir = false;
  std::string name;         // file item: its file name
  std::string firstUrl;     // dir item: its first location
  std::string newVersion;
  std::string description;
};

struct PageContext {
  const formats::SkinDescription* skin = nullptr;
  session::RunMode runMode = session::RunMode::Normal;
  /// Session show type now (the tray's "show window" can change it).
  std::function<int()> showType;
  /// WriteLog of the run (GBK text); may be empty in tests.
  std::function<void(std::string_view)> log;
  /// Host window notifier; null or host 0: no host known.
  session::HostNotifier* host = nullptr;
  /// The tray icon when the tray switch is on, else null.
  CSystemTray* tray = nullptr;
  /// Skin picture by archive member name; a null image when it cannot be loaded.
  std::function<QImage(const std::string&)> loadPicture;
  /// The run's message boxes; null: real boxes (MessageBoxPrompter).
  session::Prompter* prompter = nullptr;
  /// Items with a new version, in table order (file items, then dir items).
  std::vector<NewItemRow> newItems;
  /// Whether self-update items were found (the download page then runs that download).
  bool selfUpdate = false;
  /// Brings the hidden session window back; empty: show the page's top window.
  std::function<void()> showSessionWindow;
  /// Greys (false) or restores the session window's close command.
  std::function<void(bool)> setSessionClosable;

  int ShowType() const { return showType ? showType() : session::kShowNormal; }
  void Log(std::string_view gbk) const {
    if (log) log(gbk);
  }
  /// A cancel or failure outcome (-2, -3, -4): when a host window is known
  /// the code goes to the host with its log line; then the follow-up line.
  void ReportOutcome(int code) const;
};

}  // namespace ui

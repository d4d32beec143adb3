#pragma once
// PageContext: what the wizard pages read from and report to the client run
// (skin, run mode, session show type, log, host, tray, item rows, message
// boxes). The session window fills it from ClientApp; tests fill it by hand.
// Texts handed over here are GBK bytes, as the configuration holds them.

#include <QImage>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/skin_description.h"

class QWidget;

namespace session {
class HostNotifier;
}

namespace ui {

class CSystemTray;

// Run modes and session show types, by the values ClientApp keeps.
inline constexpr int kRunNormal = 0;
inline constexpr int kRunPreview = 1;
inline constexpr int kRunCheckVer = 2;
inline constexpr int kRunSelfUpdate = 3;

inline constexpr int kShowNormal = 0;
inline constexpr int kShowSemiSilent = 1;
inline constexpr int kShowSilent = 2;

/// One message box as the pages ask for it; the answer is true for Yes,
/// Retry or OK.
struct MessageBoxRequest {
  enum class Icon { Information, Warning, Question };
  enum class Buttons { Ok, RetryCancel, YesNo };
  QWidget* owner = nullptr;
  Icon icon = Icon::Information;
  Buttons buttons = Buttons::Ok;
  QString caption;
  QString text;
};
using MessageBoxFunction = std::function<bool(const MessageBoxRequest&)>;

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
  int runMode = kRunNormal;
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
  /// The message boxes; empty: the QMessageBox implementation.
  MessageBoxFunction messageBox;
  /// Items with a new version, in table order (file items, then dir items).
  std::vector<NewItemRow> newItems;
  /// Whether self-update items were found (the download page then runs that download).
  bool selfUpdate = false;
  /// Brings the hidden session window back; empty: show the page's top window.
  std::function<void()> showSessionWindow;
  /// Greys (false) or restores the session window's close command.
  std::function<void(bool)> setSessionClosable;

  int ShowType() const { return showType ? showType() : kShowNormal; }
  void Log(std::string_view gbk) const {
    if (log) log(gbk);
  }
};

}  // namespace ui

#pragma once
// VersionCheck: the tool's own new-version check. At start-up it runs the
// packaged client beside the tool, "updateApp/update /HWND:<n> /OP:CheckVer
// /Ad:vesk", with n an endpoint the tool listens on; the client's outcome
// code 3 ("new version found") shows the new-version bar. Without the client
// or its configuration archive beside it nothing is started and nothing
// shows.

#include <QFrame>
#include <memory>
#include <string>

#include "author/project/tool_folders.h"

namespace platform {
class HostListener;
}

namespace author {

/// The outcome message of the host channel and the code of a new version.
inline constexpr int64_t kHostOutcomeMessage = 0x0400 + 999;
inline constexpr int64_t kOutcomeNewVersion = 3;
inline constexpr int64_t kOutcomeExiting = 4;

// The strip "发现有新版本的程序或数据！" with a link to the home page and the
// buttons "立即升级" and "以后提醒我".
class NewVersionBar : public QFrame {
  Q_OBJECT

 public:
  NewVersionBar(ToolFolders folders, std::string homePage, QWidget* parent = nullptr);
  ~NewVersionBar() override;

  /// Starts the check; false when there is nothing to start (or it failed).
  bool StartCheck();
  /// The endpoint the check listens on (0 before StartCheck).
  int64_t Endpoint() const;

  /// "立即升级": starts the client with "/Tray" and hides the bar.
  void UpgradeNow();

 private:
  ToolFolders folders_;
  std::string homePage_;
  std::unique_ptr<platform::HostListener> listener_;
};

}  // namespace author

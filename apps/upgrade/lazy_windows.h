#pragma once
// LazyWindows: the client's windows and message boxes as the run sees them
// (SessionUi and Prompter), with the library that holds them loaded only
// when the run first needs a window: a tray icon, a box, or the session
// window. Reading the skin needs no window and happens here. A check that
// shows nothing thus starts without Qt. When no screen can be reached, a
// box answers as if dismissed and the session window ends as cancelled,
// both logged, instead of the toolkit ending the process half way.

#include <memory>
#include <string>

#include "apps/upgrade/windows_module.h"
#include "client/download/download_stage.h"

namespace platform {
class LoadedLibrary;
}

namespace upgrade_app {

class LazyWindows : public session::SessionUi, public session::Prompter {
 public:
  LazyWindows(int& argc, char** argv);
  ~LazyWindows() override;
  LazyWindows(const LazyWindows&) = delete;
  LazyWindows& operator=(const LazyWindows&) = delete;

  /// The run the windows show and the stages of its pages; before any use.
  void Attach(session::ClientApp& app, StageMaker download, StageMaker selfUpdate, StageMaker update);
  /// Ends the windows (and the toolkit) while the run still exists.
  void Close();

  bool LoadSkin() override;
  bool CreateTray() override;
  void ShowTray() override;
  void RemoveTray() override;
  int RunSessionWindow(session::RunState& run) override;
  session::BoxAnswer Show(const session::BoxRequest& request) override;

  /// How the download follows the tray icon's tip: in use when the run
  /// shows a tray icon, its first line the skin's title.
  transfer::DownloadOptions DownloadSettings();
  /// True once the windows' library was loaded.
  bool Loaded() const { return module_ != nullptr; }

 private:
  /// The loaded windows; null (after one log line and stderr line) when
  /// they cannot be had. Tried once.
  WindowsModule* Module();

  int& argc_;
  char** argv_;
  session::ClientApp* app_ = nullptr;
  StageMaker download_;
  StageMaker selfUpdate_;
  StageMaker update_;
  ui::ClientSkin skin_;
  bool skinRead_ = false;
  bool tried_ = false;
  std::unique_ptr<platform::LoadedLibrary> library_;
  std::unique_ptr<WindowsModule> module_;
};

}  // namespace upgrade_app

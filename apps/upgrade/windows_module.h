#pragma once
// WindowsModule: the client's windows (message boxes, tray icon, the
// session window with its pages) as the program sees them once the library
// that holds them is loaded. That library is built from client/ui with Qt
// and carried inside the program (LazyWindows loads it), so a run that
// shows no window never loads Qt. Both sides are built from these headers
// by the same build, so plain C++ types cross the boundary.

#include <functional>
#include <memory>

#include "client/skin/client_skin.h"
#include "client/session/prompter.h"
#include "client/session/session_ui.h"

namespace session {
class ClientApp;
class RunState;
}

namespace transfer {
class PageStage;
}

namespace upgrade_app {

using StageMaker = std::function<std::unique_ptr<transfer::PageStage>(session::RunState&)>;

struct WindowsSetup {
  // The program's arguments, for the toolkit; they outlive the module.
  int* argc = nullptr;
  char** argv = nullptr;
  session::ClientApp* app = nullptr;
  // The skin as the run read it; null before the run read one.
  const ui::ClientSkin* skin = nullptr;
  // The stages of the download page (normal run, self-update) and of the
  // update page.
  StageMaker download;
  StageMaker selfUpdate;
  StageMaker update;
};

class WindowsModule {
 public:
  virtual ~WindowsModule() = default;
  virtual session::Prompter& Boxes() = 0;
  virtual session::SessionUi& Windows() = 0;
  /// Hands over the skin the run read after the module was loaded.
  virtual void UseSkin(const ui::ClientSkin& skin) = 0;
  /// True while the run shows a working tray icon.
  virtual bool TrayInUse() = 0;
};

/// The one symbol the library exports: makes its windows over the setup
/// (the toolkit's application object included).
inline constexpr char kMakeWindowsSymbol[] = "upgrade_make_windows";
using MakeWindowsFunction = WindowsModule* (*)(const WindowsSetup&);

}  // namespace upgrade_app

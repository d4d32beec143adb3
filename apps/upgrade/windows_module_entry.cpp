// The entry of the client's windows library: the Qt application object,
// the real message boxes and the client windows, made when the program
// first needs a window.

#include <QApplication>

#include "apps/upgrade/windows_module.h"
#include "client/ui/client_windows.h"
#include "client/ui/message_box_prompter.h"
#include "client/ui/system_tray.h"

namespace upgrade_app {
namespace {

class LoadedWindows : public WindowsModule {
 public:
  explicit LoadedWindows(const WindowsSetup& setup) : app_(*setup.argc, setup.argv), windows_(*setup.app) {
    // Boxes and hidden session windows must not end the program on their own.
    app_.setQuitOnLastWindowClosed(false);
    windows_.SetStageMakers(setup.download, setup.selfUpdate, setup.update);
    if (setup.skin) windows_.UseSkin(*setup.skin);
  }

  session::Prompter& Boxes() override { return boxes_; }
  session::SessionUi& Windows() override { return windows_; }
  void UseSkin(const ui::ClientSkin& skin) override { windows_.UseSkin(skin); }
  bool TrayInUse() override { return windows_.Tray() && windows_.Tray()->IsEnabled(); }

 private:
  QApplication app_;
  ui::MessageBoxPrompter boxes_;
  ui::ClientWindows windows_;
};

}  // namespace
}  // namespace upgrade_app

extern "C" __attribute__((visibility("default"))) upgrade_app::WindowsModule* upgrade_make_windows(
    const upgrade_app::WindowsSetup& setup) {
  return new upgrade_app::LoadedWindows(setup);
}

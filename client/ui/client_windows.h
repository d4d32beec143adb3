#pragma once
// ClientWindows: the client's windows as the session driver sees them. It
// reads the skin from the configuration archive, owns the tray icon and
// runs the session window with the pages, all over the state of one
// ClientApp run. The message boxes of the pages go through the run's
// prompter, like every other box of the client.

#include <memory>

#include "client/session/session_ui.h"
#include "client/ui/page_context.h"
#include "formats/skin_description.h"

namespace session {
class ClientApp;
}

namespace ui {

class CSystemTray;

class ClientWindows : public session::SessionUi {
 public:
  explicit ClientWindows(session::ClientApp& app);
  ~ClientWindows() override;

  /// False after the skin reader's box when the archive or "ui.dat" cannot be read.
  bool LoadSkin() override;
  /// False when the desktop has no notification area.
  bool CreateTray() override;
  void ShowTray() override;
  void RemoveTray() override;
  /// 0 when the session window ended by cancel, 1 otherwise.
  int RunSessionWindow() override;

  const formats::SkinDescription& Skin() const { return skin_; }
  CSystemTray* Tray() const { return tray_.get(); }

  /// The pages' context as the run fills it (rows of the new items, the
  /// boxes through the run's prompter).
  PageContext MakePageContext();

 private:
  session::ClientApp& app_;
  formats::SkinDescription skin_;
  std::unique_ptr<CSystemTray> tray_;
};

}  // namespace ui

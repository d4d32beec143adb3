#pragma once
// ClientWindows: the client's windows as the session driver sees them. It
// reads the skin from the configuration archive, owns the tray icon and
// runs the session window with the pages, all over the state of one
// ClientApp run. The message boxes of the pages go through the run's
// prompter, like every other box of the client. The stages of the download
// and update pages are made per run from the run state by the makers the
// program sets; a stage without a maker is not available in this client.

#include <functional>
#include <memory>

#include "client/session/session_ui.h"
#include "client/skin/client_skin.h"
#include "client/ui/page_context.h"
#include "formats/skin_description.h"

namespace session {
class ClientApp;
class RunState;
}

namespace transfer {
class PageStage;
}

namespace ui {

class CSystemTray;

class ClientWindows : public session::SessionUi {
 public:
  /// Makes a stage that works on the run.
  using StageMaker = std::function<std::unique_ptr<transfer::PageStage>(session::RunState&)>;

  explicit ClientWindows(session::ClientApp& app);
  ~ClientWindows() override;
  ClientWindows(const ClientWindows&) = delete;
  ClientWindows& operator=(const ClientWindows&) = delete;

  /// False after the skin reader's box when the archive or "ui.dat" cannot be read.
  bool LoadSkin() override;
  /// Takes the skin the run has read already instead of reading it again.
  void UseSkin(const ClientSkin& skin);
  /// False when the desktop has no notification area.
  bool CreateTray() override;
  void ShowTray() override;
  void RemoveTray() override;
  /// 0 when the session window ended by cancel, 1 otherwise.
  int RunSessionWindow(session::RunState& run) override;

  /// The download stage of a normal run, the download stage of a self-update
  /// run, and the installation stage.
  void SetStageMakers(StageMaker download, StageMaker selfUpdate, StageMaker update);

  const formats::SkinDescription& Skin() const { return skin_.description; }
  CSystemTray* Tray() const { return tray_.get(); }

  /// The pages' context as the run fills it (rows of the new items, the
  /// boxes through the run's prompter).
  PageContext MakePageContext();

 private:
  session::ClientApp& app_;
  ClientSkin skin_;
  std::unique_ptr<CSystemTray> tray_;
  StageMaker makeDownload_;
  StageMaker makeSelfUpdate_;
  StageMaker makeUpdate_;
  // Kept until the program ends: a stage's worker is never joined.
  std::unique_ptr<transfer::PageStage> downloadStage_;
  std::unique_ptr<transfer::PageStage> updateStage_;
};

}  // namespace ui

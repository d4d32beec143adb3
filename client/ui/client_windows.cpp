#include "client/ui/client_windows.h"

#include "client/session/client_app.h"
#include "client/session/client_config.h"
#include "client/session/file_status.h"
#include "client/session/new_item_plan.h"
#include "client/session/prompter.h"
#include "client/session/run_state.h"
#include "client/stage/page_stage.h"
#include "client/ui/icon_strip.h"
#include "client/ui/qt_convert.h"
#include "client/ui/session_window.h"
#include "client/ui/skin_bitmap.h"
#include "client/ui/system_tray.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"

namespace ui {
namespace {

constexpr int kTrayId = 139;

// The program's own icon: the first frame of the built-in strip.
QIcon ProgramIcon() { return IconStrip::Builtin().Icons().first(); }

}  // namespace

ClientWindows::ClientWindows(session::ClientApp& app) : app_(app) {}

ClientWindows::~ClientWindows() = default;

bool ClientWindows::LoadSkin() { return LoadClientSkin(app_, skin_); }

void ClientWindows::UseSkin(const ClientSkin& skin) { skin_ = skin; }

bool ClientWindows::CreateTray() {
  if (tray_) return tray_->IsEnabled();
  tray_ = std::make_unique<CSystemTray>();
  if (!tray_->Create(nullptr, skin_.description.title, ProgramIcon(), kTrayId, false)) return false;
  // Hidden while the command line is read; shown right after it.
  tray_->HideIcon();
  tray_->SetMenuDefaultItem(kTrayCommandShow, false);
  return true;
}

void ClientWindows::ShowTray() {
  if (tray_) tray_->ShowIcon();
}

void ClientWindows::RemoveTray() {
  if (!tray_) return;
  tray_->StopAnimation();
  tray_->HideIcon();
  tray_.reset();
}

PageContext ClientWindows::MakePageContext() {
  PageContext context;
  context.skin = &skin_.description;
  context.runMode = app_.Mode();
  context.showType = [this] { return app_.ShowType(); };
  context.log = [this](std::string_view line) { app_.WriteLog(line); };
  context.host = &app_.Notifier();
  context.tray = tray_ && tray_->IsEnabled() ? tray_.get() : nullptr;
  context.loadPicture = [this](const std::string& member) {
    return LoadSkinBitmap(
        [this](std::string_view name) {
          return formats::ReadArchiveMember(skin_.archive, name, skin_.password);
        },
        [this](std::string_view line) { app_.WriteLog(line); }, member);
  };
  context.prompter = &app_.Prompts();
  for (const session::PlannedItem& item : session::PlanNewItems(app_.Files(), app_.Dirs())) {
    if (!item.IsDir()) {
      context.newItems.push_back({false, item.file->fileName, {}, item.ServerVersion(), item.Describe()});
      continue;
    }
    const formats::UrlList& locations = item.Locations();
    const std::string first = locations.empty() ? std::string() : locations.urls.front();
    context.newItems.push_back({true, {}, first, item.ServerVersion(), item.Describe()});
  }
  context.selfUpdate = app_.Mode() == session::RunMode::SelfUpdate;
  return context;
}

void ClientWindows::SetStageMakers(StageMaker download, StageMaker selfUpdate, StageMaker update) {
  makeDownload_ = std::move(download);
  makeSelfUpdate_ = std::move(selfUpdate);
  makeUpdate_ = std::move(update);
}

int ClientWindows::RunSessionWindow(session::RunState& run) {
  PageContext context = MakePageContext();
  SessionWindowSetup setup;
  setup.opMode = app_.OpMode();
  setup.setShowType = [this](int type) { app_.SetShowType(type); };
  const StageMaker& makeDownload = run.Mode() == session::RunMode::SelfUpdate ? makeSelfUpdate_ : makeDownload_;
  downloadStage_ = makeDownload ? makeDownload(run) : nullptr;
  updateStage_ = makeUpdate_ ? makeUpdate_(run) : nullptr;
  setup.downloadStage = downloadStage_.get();
  setup.updateStage = updateStage_.get();
  SessionWindow window(context, setup);
  return window.Run();
}

}  // namespace ui

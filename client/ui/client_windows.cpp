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
#include "client/ui/skin_parser.h"
#include "client/ui/system_tray.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"

namespace ui {
namespace {

constexpr int kTrayId = 139;

// The skin reader's view of the run: the archive holding the skin, the
// run's information box and its logging configuration reads.
class AppSkinHost : public SkinHost {
 public:
  AppSkinHost(session::ClientApp& app, const std::string& archive, const std::string& password)
      : app_(app), archive_(archive), password_(password) {}
  bool ArchiveExists() override { return session::FileExistsNonEmpty(archive_); }
  std::string ArchiveFileName() override { return app_.ArchiveName(); }
  std::optional<std::string> ReadArchiveMember(std::string_view name) override {
    auto bytes = formats::ReadArchiveMember(archive_, name, password_);
    if (!bytes) return std::nullopt;
    return session::MemberText(*bytes);
  }
  void Notice(std::string_view gbkText) override { app_.ShowInformation(gbkText); }
  int LogMasterSwitch() override { return app_.Log().MasterSwitch() ? 1 : 0; }
  void SetLogMasterSwitch(int on) override { app_.Log().SetMasterSwitch(on != 0); }
  std::string ReadValue(common::IniDocument& doc, std::string_view section, std::string_view key,
                        std::string_view def) override {
    session::ConfigReader reader(app_.Folders(), app_.Log());
    return reader.ReadText(doc, section, key, def);
  }

 private:
  session::ClientApp& app_;
  const std::string& archive_;
  const std::string& password_;
};

// The program's own icon: the first frame of the built-in strip.
QIcon ProgramIcon() { return IconStrip::Builtin().Icons().first(); }

}  // namespace

ClientWindows::ClientWindows(session::ClientApp& app) : app_(app) {}

ClientWindows::~ClientWindows() = default;

bool ClientWindows::LoadSkin() {
  // The skin is "ui.dat" of the configuration archive. A package laid out
  // for the earlier client, and the authoring tool's preview, carry it in
  // the archive "ui.bin" beside the program instead.
  skinArchive_ = app_.ArchivePath();
  skinPassword_ = session::ArchivePassword();
  if (!formats::ReadArchiveMember(skinArchive_, "ui.dat", skinPassword_)) {
    const std::string packed = app_.AppFolder() + "ui.bin";
    if (session::FileExistsNonEmpty(packed)) {
      skinArchive_ = packed;
      skinPassword_.clear();
    }
  }
  AppSkinHost host(app_, skinArchive_, skinPassword_);
  return ParseSkin(host, skin_);
}

bool ClientWindows::CreateTray() {
  if (tray_) return tray_->IsEnabled();
  tray_ = std::make_unique<CSystemTray>();
  if (!tray_->Create(nullptr, skin_.title, ProgramIcon(), kTrayId, false)) return false;
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
  context.skin = &skin_;
  context.runMode = app_.Mode();
  context.showType = [this] { return app_.ShowType(); };
  context.log = [this](std::string_view line) { app_.WriteLog(line); };
  context.host = &app_.Notifier();
  context.tray = tray_ && tray_->IsEnabled() ? tray_.get() : nullptr;
  context.loadPicture = [this](const std::string& member) {
    return LoadSkinBitmap(
        [this](std::string_view name) {
          return formats::ReadArchiveMember(skinArchive_, name, skinPassword_);
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

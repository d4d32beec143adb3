#include "apps/upgrade/lazy_windows.h"

#include <cstdio>

#include "apps/upgrade/carried_windows.h"
#include "client/session/client_app.h"
#include "common/gbk.h"
#include "platform/loaded_library.h"

namespace upgrade_app {

LazyWindows::LazyWindows(int& argc, char** argv) : argc_(argc), argv_(argv) {}

LazyWindows::~LazyWindows() { Close(); }

void LazyWindows::Attach(session::ClientApp& app, StageMaker download, StageMaker selfUpdate, StageMaker update) {
  app_ = &app;
  download_ = std::move(download);
  selfUpdate_ = std::move(selfUpdate);
  update_ = std::move(update);
}

void LazyWindows::Close() { module_.reset(); }

WindowsModule* LazyWindows::Module() {
  if (module_ || tried_) return module_.get();
  tried_ = true;
  std::string error;
  if (!platform::DisplayAvailable()) {
    error = "no display (none is set, or the one set cannot be reached; QT_QPA_PLATFORM=offscreen runs unwatched)";
  } else if ((library_ = platform::LoadedLibrary::FromBytes(CarriedWindowsLibrary(), error))) {
    auto make = reinterpret_cast<MakeWindowsFunction>(library_->Symbol(kMakeWindowsSymbol));
    if (make) {
      WindowsSetup setup{&argc_, argv_, app_, skinRead_ ? &skin_ : nullptr, download_, selfUpdate_, update_};
      module_.reset(make(setup));
    } else {
      error = "the windows library has no entry";
    }
  }
  if (!module_) {
    std::fprintf(stderr, "upgrade: cannot show windows: %s\n", error.c_str());
    if (app_) app_->WriteLog(common::Gbk("无法显示窗口：") + error);
  }
  return module_.get();
}

bool LazyWindows::LoadSkin() {
  skinRead_ = ui::LoadClientSkin(*app_, skin_);
  if (module_) module_->UseSkin(skin_);
  return skinRead_;
}

bool LazyWindows::CreateTray() {
  WindowsModule* module = Module();
  return module && module->Windows().CreateTray();
}

void LazyWindows::ShowTray() {
  if (module_) module_->Windows().ShowTray();
}

void LazyWindows::RemoveTray() {
  if (module_) module_->Windows().RemoveTray();
}

int LazyWindows::RunSessionWindow(session::RunState& run) {
  WindowsModule* module = Module();
  // Without windows the pages cannot run: the session ends as cancelled.
  return module ? module->Windows().RunSessionWindow(run) : 0;
}

session::BoxAnswer LazyWindows::Show(const session::BoxRequest& request) {
  WindowsModule* module = Module();
  return module ? module->Boxes().Show(request) : session::DismissAnswer(request.buttons);
}

transfer::DownloadOptions LazyWindows::DownloadSettings() {
  transfer::DownloadOptions options;
  options.trayInUse = module_ && module_->TrayInUse();
  options.trayBase = skin_.description.title;
  return options;
}

}  // namespace upgrade_app

#include "apps/upgrade/run_upgrade.h"

#include <QApplication>

#include "client/session/client_app.h"
#include "client/session/command_line.h"
#include "client/download/config_fetch.h"
#include "client/download/download_stage.h"
#include "client/install/process_closer.h"
#include "client/hooks/program_runner.h"
#include "client/install/update_stage.h"
#include "client/ui/client_windows.h"
#include "client/ui/message_box_prompter.h"
#include "client/ui/system_tray.h"

namespace upgrade_app {

namespace {

// The download follows the tray icon's tip when the run shows one; the
// tip's first line is the skin's title.
transfer::DownloadOptions DownloadSettings(const ui::ClientWindows& windows) {
  transfer::DownloadOptions options;
  options.trayInUse = windows.Tray() && windows.Tray()->IsEnabled();
  options.trayBase = windows.Skin().title;
  return options;
}

}  // namespace

int RunUpgrade(int argc, char** argv, ClientSeam* seam) {
  QApplication app(argc, argv);
  // Boxes and hidden session windows must not end the program on their own.
  app.setQuitOnLastWindowClosed(false);
  std::unique_ptr<session::Prompter> prompter = seam ? seam->MakePrompter() : nullptr;
  if (!prompter) prompter = std::make_unique<ui::MessageBoxPrompter>();
  const std::string commandLine = session::JoinCommandLine(argc, argv);
  if (seam) seam->Started(commandLine);
  transfer::UpdateTimings installTimings;
  if (seam) installTimings.perFile = seam->InstallDelayPerFile();

  session::ClientApp client(*prompter, commandLine);
  client.SetProgramRunner(&transfer::RunProgram);
  client.SetConfigFetcher(transfer::MakeConfigFetcher([&client](const std::string& line) { client.WriteLog(line); }));
  client.SetSelfUpdateTools(
      {&transfer::ProcessCloser::FindProcessByName, [](const std::string& program, std::string_view parameters, const std::string& folder,
                              bool hidden) {
         return transfer::StartProgram(program, parameters, folder, hidden) == 0;
       }});
  ui::ClientWindows windows(client);
  client.SetSessionUi(&windows);
  windows.SetStageMakers(
      [&windows](session::RunState& run) { return transfer::MakeDownloadStage(run, DownloadSettings(windows)); },
      [&windows](session::RunState& run) { return transfer::MakeSelfUpdateStage(run, DownloadSettings(windows)); },
      [&windows, installTimings](session::RunState& run) {
        return transfer::MakeUpdateStage(run, windows.Skin().title, installTimings);
      });
  return client.Run();
}

}  // namespace upgrade_app

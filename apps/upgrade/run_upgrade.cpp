#include "apps/upgrade/run_upgrade.h"

#include "apps/upgrade/lazy_windows.h"
#include "client/session/client_app.h"
#include "client/session/command_line.h"
#include "client/download/config_fetch.h"
#include "client/download/download_stage.h"
#include "client/install/process_closer.h"
#include "client/hooks/program_runner.h"
#include "client/install/update_stage.h"
#include "common/gbk.h"
#include "platform/launcher.h"

namespace upgrade_app {

int RunUpgrade(int argc, char** argv, ClientSeam* seam) {
  // The windows' library (and Qt with it) loads only when the run first
  // shows something; a check that shows nothing never pays for it.
  LazyWindows windows(argc, argv);
  std::unique_ptr<session::Prompter> prompter = seam ? seam->MakePrompter() : nullptr;
  const std::string commandLine = session::JoinCommandLine(argc, argv);
  if (seam) seam->Started(commandLine);
  transfer::UpdateTimings installTimings;
  if (seam) installTimings.perFile = seam->InstallDelayPerFile();

  session::ClientApp client(prompter ? *prompter : static_cast<session::Prompter&>(windows), commandLine);
  client.SetProgramRunner(&transfer::RunProgram);
  client.SetConfigFetcher(transfer::MakeConfigFetcher([&client](const std::string& line) { client.WriteLog(line); }));
  client.SetSelfUpdateTools(
      {&transfer::ProcessCloser::FindProcessByName,
       [](const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
          bool hidden) { return transfer::StartProgramWithArguments(program, arguments, folder, hidden) == 0; },
       [](const std::string& program) { return platform::IsNativeProgram(common::NativePath(program)); }});
  // The download follows the tray icon's tip when the run shows one; the
  // tip's first line is the skin's title.
  windows.Attach(
      client, [&windows](session::RunState& run) { return transfer::MakeDownloadStage(run, windows.DownloadSettings()); },
      [&windows](session::RunState& run) { return transfer::MakeSelfUpdateStage(run, windows.DownloadSettings()); },
      [&windows, installTimings](session::RunState& run) {
        return transfer::MakeUpdateStage(run, windows.DownloadSettings().trayBase, installTimings);
      });
  client.SetSessionUi(&windows);
  const int status = client.Run();
  windows.Close();
  return status;
}

}  // namespace upgrade_app

// The update client. It has no main window: ClientApp does the whole run
// (the session window runs its own event loop while the pages are up) and
// the process ends with it.

#include <QApplication>
#include <QFile>

#include "client/session/client_app.h"
#include "client/session/command_line.h"
#include "client/transfer/config_fetch.h"
#include "client/transfer/download_stage.h"
#include "client/transfer/process_closer.h"
#include "client/transfer/program_runner.h"
#include "client/transfer/update_stage.h"
#include "client/ui/client_windows.h"
#include "client/ui/message_box_prompter.h"
#include "client/ui/system_tray.h"
#include "common/gbk.h"
#include "platform/launcher.h"

namespace {

// The download follows the tray icon's tip when the run shows one; the
// tip's first line is the skin's title.
transfer::DownloadOptions DownloadSettings(const ui::ClientWindows& windows) {
  transfer::DownloadOptions options;
  options.trayInUse = windows.Tray() && windows.Tray()->IsEnabled();
  options.trayBase = windows.Skin().title;
  return options;
}

// For the process tests: with UPGRADE_COMMAND_LOG set, every process of the
// client appends its command line there (one line each), so the chain of a
// self-update can be followed.
void RecordCommandLine(const std::string& gbkLine) {
  const QByteArray path = qgetenv("UPGRADE_COMMAND_LOG");
  if (path.isEmpty()) return;
  QFile file(QString::fromLocal8Bit(path));
  if (file.open(QIODevice::Append)) file.write(QByteArray::fromStdString(gbkLine + "\n"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Boxes and hidden session windows must not end the program on their own.
  app.setQuitOnLastWindowClosed(false);
  auto prompter = ui::CreatePrompter();
  const std::string commandLine = session::JoinCommandLine(argc, argv);
  RecordCommandLine(commandLine);
  session::ClientApp client(*prompter, commandLine);
  client.SetProgramRunner(&transfer::RunProgram);
  client.SetConfigFetcher(transfer::MakeConfigFetcher([&client](const std::string& line) { client.WriteLog(line); }));
  client.SetSelfUpdateTools(
      {&transfer::ProcessCloser::FindProcessByName,
       [](const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
          bool hidden) { return transfer::StartProgramWithArguments(program, arguments, folder, hidden) == 0; },
       [](const std::string& program) { return platform::IsNativeProgram(common::NativePath(program)); }});
  ui::ClientWindows windows(client);
  client.SetSessionUi(&windows);
  windows.SetStageMakers(
      [&windows](session::RunState& run) { return transfer::MakeDownloadStage(run, DownloadSettings(windows)); },
      [&windows](session::RunState& run) { return transfer::MakeSelfUpdateStage(run, DownloadSettings(windows)); },
      [&windows](session::RunState& run) { return transfer::MakeUpdateStage(run, windows.Skin().title); });
  return client.Run();
}

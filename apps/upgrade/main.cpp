// The update client. It has no window of its own: ClientApp does the whole
// run and the process ends with it, without entering an event loop.

#include <QApplication>

#include "client/session/client_app.h"
#include "client/session/command_line.h"
#include "client/transfer/config_fetch.h"
#include "client/transfer/program_runner.h"
#include "client/ui/message_box_prompter.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto prompter = ui::CreatePrompter();
  session::ClientApp client(*prompter, session::JoinCommandLine(argc, argv));
  client.SetProgramRunner(&transfer::RunProgram);
  client.SetConfigFetcher(transfer::MakeConfigFetcher([&client](const std::string& line) { client.WriteLog(line); }));
  return client.Run();
}

#include "tests/support/environment_seam.h"

#include <cstdlib>
#include <fstream>

#include "client/session/scripted_prompter.h"

namespace testsupport {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::unique_ptr<session::Prompter> EnvironmentSeam::MakePrompter() {
  const std::string record = Variable("UPGRADE_PROMPT_LOG");
  if (record.empty()) return nullptr;
  return std::make_unique<session::ScriptedPrompter>(Variable("UPGRADE_PROMPT_ANSWERS"), record);
}

void EnvironmentSeam::Started(const std::string& gbkCommandLine) {
  // One line per process, so a test can follow the chain of a self-update.
  const std::string path = Variable("UPGRADE_COMMAND_LOG");
  if (path.empty()) return;
  std::ofstream(path, std::ios::binary | std::ios::app) << gbkCommandLine << "\n";
}

std::chrono::milliseconds EnvironmentSeam::InstallDelayPerFile() {
  return std::chrono::milliseconds(std::atoi(Variable("UPGRADE_TEST_INSTALL_DELAY_MS").c_str()));
}

}  // namespace testsupport

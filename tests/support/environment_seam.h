#pragma once
// EnvironmentSeam: the switches of the tests' flavour of the update client
// (build/bin/upgrade_testable), read from its environment:
//   UPGRADE_PROMPT_LOG=<file>      no box appears; each is appended to the
//                                  file and answered from
//   UPGRADE_PROMPT_ANSWERS=<list>  (comma-separated ok, yes, no, retry,
//                                  cancel; a box is dismissed when it runs out)
//   UPGRADE_COMMAND_LOG=<file>     this process appends its command line
//   UPGRADE_TEST_INSTALL_DELAY_MS=<n>  a pause after each installed file
// The shipped client has none of them.

#include "apps/upgrade/client_seam.h"

namespace testsupport {

class EnvironmentSeam : public upgrade_app::ClientSeam {
 public:
  std::unique_ptr<session::Prompter> MakePrompter() override;
  void Started(const std::string& gbkCommandLine) override;
  std::chrono::milliseconds InstallDelayPerFile() override;
};

}  // namespace testsupport

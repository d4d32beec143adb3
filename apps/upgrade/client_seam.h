#pragma once
// ClientSeam: the few things a test build of the update client changes at
// start-up, so that process tests can run whole sessions without a screen.
// The shipped program passes no seam at all: it shows real boxes, records
// nothing and installs at full speed, whatever its environment holds.

#include <chrono>
#include <memory>
#include <string>

#include "client/session/prompter.h"

namespace upgrade_app {

class ClientSeam {
 public:
  virtual ~ClientSeam() = default;

  /// The prompter to answer the boxes instead of the screen; null keeps the
  /// real message boxes.
  virtual std::unique_ptr<session::Prompter> MakePrompter() = 0;
  /// Told this process's command line (GBK) before the run begins.
  virtual void Started(const std::string& gbkCommandLine) = 0;
  /// A pause after each installed file (zero: none), so a test can kill an
  /// installation half way.
  virtual std::chrono::milliseconds InstallDelayPerFile() = 0;
};

}  // namespace upgrade_app

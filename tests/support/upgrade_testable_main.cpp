// build/bin/upgrade_testable: the update client as shipped, plus the
// switches the process tests and the tool's end-to-end tests drive it with
// (see environment_seam.h). Never packaged or installed.

#include "apps/upgrade/run_upgrade.h"
#include "tests/support/environment_seam.h"

int main(int argc, char** argv) {
  testsupport::EnvironmentSeam seam;
  return upgrade_app::RunUpgrade(argc, argv, &seam);
}

// The update client. It has no main window: ClientApp does the whole run
// (the session window runs its own event loop while the pages are up) and
// the process ends with it. The shipped program takes nothing from its
// environment that would answer its boxes or change its work.

#include "apps/upgrade/run_upgrade.h"

int main(int argc, char** argv) { return upgrade_app::RunUpgrade(argc, argv, nullptr); }

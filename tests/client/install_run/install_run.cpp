// install_run <folder> <appFolder> <count> [closeName]: installs the files
// f000.txt ... of <folder>/work/dir0/ into appFolder as dir item 0 (version
// 2.0 into appFolder's upgrade.bin) through the real update worker, in a
// silent automatic session, and exits 0 after success, 1 after a failure.
// closeName goes into close_proc1 and close_proc2 (a program's file name or
// a window title). UPGRADE_TEST_INSTALL_DELAY_MS slows each
// installed file, so that a test can kill the installation half way.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/install/update_worker.h"
#include "platform/file_operations.h"
#include "tests/client/install/install_rig.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: install_run <folder> <appFolder> <count> [closeName]\n");
    return 2;
  }
  install_test::InstallRig rig(argv[1], argv[2]);
  const int count = std::atoi(argv[3]);
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%03d.txt", i);
    rig.AddDirRecord(0, "", name);
  }
  rig.Dir(0).modifyVer = 1;
  rig.Dir(0).serverVersion = "2.0";
  if (argc > 4) {
    rig.System().closeProc1 = {argv[4]};
    rig.System().closeProc2 = {argv[4]};
    rig.Decision().closeProcesses = true;
  }
  transfer::UpdateTimings timings;
  if (const char* delay = std::getenv("UPGRADE_TEST_INSTALL_DELAY_MS")) {
    timings.perFile = std::chrono::milliseconds(std::atoi(delay));
  }
  timings.settle = std::chrono::milliseconds(0);
  install_test::PageRecorder page(&rig.Run());
  platform::RealFileOperations ops;
  transfer::UpdateWorker worker(transfer::InstallEnv{rig.Run(), page, ops, ""}, timings);
  worker.Run();
  for (const std::string& m : page.messages) std::printf("%s\n", common::GbkToUtf8(m).c_str());
  return page.finished == 1 ? 0 : 1;
}

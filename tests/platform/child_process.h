#pragma once
// A child process for the platform tests: started without a shell, its
// standard output kept in a file, killed and reaped when the object goes.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace platform {

class ChildProcess {
 public:
  /// Runs args[0] (searched on PATH); pid() is 0 when it could not start.
  explicit ChildProcess(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      Reap();
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int pid() const { return pid_; }
  std::string Output() const { return testsupport::TempDir::read(output_); }

  /// Collects the exit status (blocks until the child has exited).
  void Reap() {
    if (pid_ > 0 && !reaped_) reaped_ = waitpid(pid_, nullptr, 0) == pid_;
  }

  /// Polls `ready` every 10 ms for up to 5 s.
  template <typename Ready>
  static bool Eventually(Ready ready) {
    for (int i = 0; i < 500; ++i) {
      if (ready()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

 private:
  testsupport::TempDir dir_{"upgrade-child-"};
  std::string output_ = dir_.file("out.txt");
  int pid_ = 0;
  bool reaped_ = false;
};

}  // namespace platform

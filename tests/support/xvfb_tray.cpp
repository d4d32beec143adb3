#include "tests/support/xvfb_tray.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <thread>

#include "tests/support/run_command.h"

extern char** environ;

namespace testsupport {
namespace {

// Starts argv[0] (searched on PATH) with stdout and stderr going to logFile
// and DISPLAY set when display is not empty; -1 and errno when it cannot.
pid_t Spawn(const std::vector<std::string>& args, const std::string& logFile,
            const std::string& display, int closeInChild = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (closeInChild >= 0) posix_spawn_file_actions_addclose(&actions, closeInChild);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "DISPLAY=", 8) != 0 || display.empty()) env.emplace_back(*e);
  }
  if (!display.empty()) env.push_back("DISPLAY=" + display);
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  return pid;
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

}  // namespace

XvfbTray::XvfbTray() {
  if (StartServer()) StartTray();
}

XvfbTray::~XvfbTray() {
  Stop(tray_);
  Stop(server_);
}

bool XvfbTray::StartServer() {
  int fds[2];
  if (pipe(fds) != 0) {
    error_ = "no pipe";
    return false;
  }
  // Xvfb picks a free display number itself and writes it to the pipe once
  // it accepts connections; -noreset keeps the tray's selection alive when
  // the last client goes.
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "640x480x24",
                   "-nolisten", "tcp", "-noreset"},
                  dir_.file("xvfb.log"), "", fds[0]);
  const int spawnError = errno;
  close(fds[1]);
  if (server_ < 0) {
    close(fds[0]);
    error_ = spawnError == ENOENT ? "Xvfb is not installed" : "Xvfb cannot be started";
    return false;
  }
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, 10000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not start: " + TempDir::read(dir_.file("xvfb.log"));
    Stop(server_);
    return false;
  }
  display_ = ":" + number;
  return true;
}

bool XvfbTray::StartTray() {
  Stop(tray_);
  const std::string out = dir_.file("tray" + std::to_string(trayRuns_++) + ".txt");
  tray_ = Spawn({BinDir() + "/fake_tray"}, out, display_);
  if (tray_ < 0) {
    error_ = "the tray helper cannot be started";
    return false;
  }
  for (int i = 0; i < 500; ++i) {
    if (TempDir::read(out).rfind("ready ", 0) == 0) return true;
    if (waitpid(tray_, nullptr, WNOHANG) == tray_) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  error_ = "the tray helper did not start: " + TempDir::read(out);
  return false;
}

bool XvfbTray::RunHelper(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {BinDir() + "/fake_tray"};
  argv.insert(argv.end(), args.begin(), args.end());
  const pid_t pid = Spawn(argv, dir_.file("helper.txt"), display_);
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool XvfbTray::Click(uint32_t window, int button) const {
  return RunHelper({"click", std::to_string(window), std::to_string(button)});
}

bool XvfbTray::Iconify(uint32_t window) const { return RunHelper({"iconify", std::to_string(window)}); }

void XvfbTray::StopTray() { Stop(tray_); }

std::vector<TrayEvent> XvfbTray::Events() const {
  std::vector<TrayEvent> events;
  for (int run = 0; run < trayRuns_; ++run) {
    std::istringstream in(TempDir::read(dir_.file("tray" + std::to_string(run) + ".txt")));
    std::string what;
    uint32_t window;
    while (in >> what >> window) {
      if (what != "ready") events.push_back({what, window});
    }
  }
  return events;
}

std::vector<uint32_t> XvfbTray::Docked() const {
  std::vector<uint32_t> docked;
  for (const TrayEvent& e : Events()) {
    if (e.what == "dock") docked.push_back(e.window);
  }
  return docked;
}

bool XvfbTray::WaitFor(const std::string& what, uint32_t window,
                       std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    for (const TrayEvent& e : Events()) {
      if (e.what == what && (window == 0 || e.window == window)) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

}  // namespace testsupport

// What a version check costs from start to end: the shipped client runs
// "/OP:CheckVer" against a file:// server configuration (the demo package,
// tray icon off, so the check shows no window), in turns with /bin/true
// and with curl reading the same configuration. Prints the medians, the
// peak memory of each, the same check with a tray icon (the windows'
// library loaded, offscreen), and last the ratio ours / curl.
//   build/bin/startup_bench [runs]   (default 21 of each)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Sample {
  double seconds = 0;
  long peakKiB = 0;
  int status = -1;
};

// One run of argv in folder, its wall time and the child's peak memory.
Sample RunOnce(const std::vector<std::string>& args, const std::string& folder) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  Sample sample;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    sample.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.peakKiB = usage.ru_maxrss;
    sample.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  return sample;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Series {
  const char* name;
  std::vector<std::string> args;
  std::string folder;
  std::vector<double> seconds;
  long peakKiB = 0;
  bool failed = false;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 21;
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const std::string upgrade = (bin / "upgrade").string();
  const std::string curl = "/usr/bin/curl";
  if (!fs::exists(upgrade) || !fs::exists(curl)) {
    std::fprintf(stderr, "startup_bench: needs %s and %s\n", upgrade.c_str(), curl.c_str());
    return 1;
  }
  testsupport::TempDir dir("startup-bench-");
  const std::string quiet = dir.path().string() + "/quiet";
  const std::string tray = dir.path().string() + "/tray";
  const std::string script = UPGRADE_SOURCE_DIR "/scripts/make_demo_package.py";
  for (const auto& [folder, trayFlag] : {std::pair{quiet, "0"}, std::pair{tray, "1"}}) {
    const std::string url = "file://" + folder + "/srv";
    if (testsupport::RunCommand("/usr/bin/python3 " + testsupport::ShellQuote(script) + " " +
                                testsupport::ShellQuote(folder) + " " + testsupport::ShellQuote(url) + " 2 " +
                                trayFlag)
                .exitCode != 0) {
      std::fprintf(stderr, "startup_bench: the demo package could not be made\n");
      return 1;
    }
    fs::copy_file(upgrade, folder + "/upgrade");
  }
  // The check must not find a display: what is measured shows no window.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  std::vector<Series> series = {
      {"/bin/true", {"/bin/true"}, quiet, {}},
      {"curl -s file://.../server.ini", {curl, "-s", "-o", "/dev/null", "file://" + quiet + "/srv/server.ini"}, quiet, {}},
      {"upgrade /OP:CheckVer", {quiet + "/upgrade", "/OP:CheckVer"}, quiet, {}},
  };
  for (int i = 0; i < runs; ++i) {
    // A different one goes first each round.
    for (size_t k = 0; k < series.size(); ++k) {
      Series& s = series[(k + i) % series.size()];
      const Sample sample = RunOnce(s.args, s.folder);
      if (sample.status != 0) s.failed = true;
      s.seconds.push_back(sample.seconds);
      s.peakKiB = std::max(s.peakKiB, sample.peakKiB);
    }
  }
  // The same check with the tray icon on: the windows' library is loaded.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Series windowed{"upgrade /OP:CheckVer, tray on (offscreen)", {tray + "/upgrade", "/OP:CheckVer"}, tray, {}};
  for (int i = 0; i < std::max(3, runs / 3); ++i) {
    const Sample sample = RunOnce(windowed.args, windowed.folder);
    if (sample.status != 0) windowed.failed = true;
    windowed.seconds.push_back(sample.seconds);
    windowed.peakKiB = std::max(windowed.peakKiB, sample.peakKiB);
  }
  series.push_back(windowed);
  for (const Series& s : series) {
    std::printf("%-44s median %7.2f ms  peak %6.1f MiB%s\n", s.name, Median(s.seconds) * 1000, s.peakKiB / 1024.0,
                s.failed ? "  (a run failed)" : "");
  }
  const double ours = Median(series[2].seconds);
  std::printf("check / true: %.2f\n", ours / Median(series[0].seconds));
  std::printf("check peak memory: %.1f MiB\n", series[2].peakKiB / 1024.0);
  std::printf("check / curl file://: %.2f\n", ours / Median(series[1].seconds));
  return series[2].failed ? 1 : 0;
}

// A dir item of 1,000 files of 4 KiB and 10 files of 8 MiB fetched over FTP
// from the test server on 127.0.0.1 by the real download worker, against
// `lftp -e 'mirror ...'` on the same tree in the same run (Debian's lftp is
// installed here when missing). Each side runs three times, in turns; the
// best time of each counts. Ends with the ratio of the times.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "client/session/client_log.h"
#include "client/session/host_notifier.h"
#include "client/session/run_state.h"
#include "client/session/scripted_prompter.h"
#include "client/download/download_worker.h"
#include "client/stage/stage_sink.h"
#include "client/stage/transfer_context.h"
#include "tests/support/run_command.h"
#include "tests/support/silent_stage_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;


double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

uintmax_t TreeBytes(const fs::path& root) {
  uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

}  // namespace

int main() {
  setenv("UPGRADE_TEST_SUPPORT", UPGRADE_SOURCE_DIR "/tests/support", 0);
  if (testsupport::RunCommand("command -v lftp >/dev/null").exitCode != 0 &&
      testsupport::RunCommand("apt-get install -y --no-install-recommends lftp >/dev/null 2>&1 || "
                              "sudo apt-get install -y --no-install-recommends lftp >/dev/null 2>&1")
              .exitCode != 0) {
    std::fprintf(stderr, "lftp is needed (apt-get install lftp)\n");
    return 1;
  }

  testsupport::TempDir root("download-bench-root-");
  testsupport::TempDir out("download-bench-out-");
  fs::create_directories(root.path() / "tree");
  std::vector<char> block(size_t{8} << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
  for (int i = 0; i < 1000; ++i)
    std::ofstream(root.path() / "tree" / ("small" + std::to_string(i) + ".bin"), std::ios::binary)
        .write(block.data() + i, 4096);
  for (int i = 0; i < 10; ++i)
    std::ofstream(root.path() / "tree" / ("big" + std::to_string(i) + ".bin"), std::ios::binary)
        .write(block.data(), static_cast<std::streamsize>(block.size()));
  const uintmax_t expected = TreeBytes(root.path() / "tree");

  testsupport::FtpTestServer ftp;
  if (!ftp.Start(root.path().string())) {
    std::fprintf(stderr, "cannot start the FTP test server\n");
    return 1;
  }
  const std::string port = std::to_string(ftp.port());

  double ours = 1e9, lftp = 1e9;
  bool ok = true;
  for (int run = 0; run < 3; ++run) {
    fs::remove_all(out.path());
    fs::create_directories(out.path());
    {
      session::FileItems files;
      session::DirItems dirs;
      dirs[0].newItem = true;
      dirs[0].locations.urls = {"ftp://127.0.0.1:" + port + "/tree"};
      dirs[0].locations.users = {"tester"};
      dirs[0].locations.passwords = {"secret"};
      session::SystemSettings system;
      session::UiSettings ui = session::UiSettings::Defaults();
      session::SessionDecision decision;
      int showType = session::kShowSilent;
      session::ClientLog log;  // not opened: writes nothing
      session::HostNotifier host;
      session::ScriptedPrompter prompter;
      session::ProgramRunner runner;
      session::RunPlaces places;
      places.opMode = 1;
      places.workFolder = out.path().string() + "/ours/";
      session::RunState state({files, dirs, system, ui, decision, showType, log, host, prompter, runner, nullptr},
                              places);
      auto sink = std::make_shared<testsupport::SilentStageSink>();
      auto control = std::make_shared<transfer::TransferContext>();
      auto start = Clock::now();
      transfer::DownloadWorker(state, sink, control, {}).Run();
      double t = Seconds(start);
      if (sink->ended != 1 || TreeBytes(out.path() / "ours") != expected) ok = false;
      ours = std::min(ours, t);
    }
    auto start = Clock::now();
    int rc = testsupport::RunCommand("lftp -u tester,secret -p " + port +
                                     " -e 'set ftp:passive-mode off; mirror /tree " +
                                     testsupport::ShellQuote(out.file("lftp")) + "; quit' 127.0.0.1 >/dev/null 2>&1")
                 .exitCode;
    double t = Seconds(start);
    if (rc != 0 || TreeBytes(out.path() / "lftp") != expected) ok = false;
    lftp = std::min(lftp, t);
  }
  if (!ok) {
    std::fprintf(stderr, "a download failed or was incomplete\n");
    return 1;
  }
  std::printf("1,010 files (%.0f MiB) over FTP: ours %.2f s, lftp mirror %.2f s\n", expected / 1048576.0, ours,
              lftp);
  std::printf("dir download time ratio ours/lftp: %.2f\n", ours / lftp);
  return 0;
}

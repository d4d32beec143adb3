// A 200 MiB file item over HTTP from the test server on 127.0.0.1, fetched
// by the real download worker in a child process that is killed (SIGKILL)
// once about half of the file is on disk; then the next run in this
// process. The figure is what the server sent in all, over the file's size:
// with resume the second run asks for the rest only; the same kill followed
// by a run that finds no partial file (as before resume) costs about 1.5.
// Ends with the resume ratio.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/download/download_worker.h"
#include "client/download/memory_fetcher.h"
#include "client/download/resume_record.h"
#include "client/session/client_log.h"
#include "client/session/host_notifier.h"
#include "client/session/run_state.h"
#include "client/session/scripted_prompter.h"
#include "client/stage/transfer_context.h"
#include "tests/support/silent_stage_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace {

namespace fs = std::filesystem;
constexpr uint64_t kSize = uint64_t{200} << 20;

uint64_t Sent(const testsupport::HttpTestServer& server) {
  transfer::MemoryFetcher fetcher;
  std::string text;
  return fetcher.FetchToMemory(server.BaseUrl() + "/sent", text) ? std::stoull(text) : 0;
}

// One run of the download worker over the item; true when the stage ended well.
bool RunWorker(const std::string& url, const std::string& workFolder) {
  session::FileItems files;
  session::DirItems dirs;
  files[0].newItem = true;
  files[0].fileName = "big.bin";
  files[0].locations.urls = {url};
  files[0].locations.users = {""};
  files[0].locations.passwords = {""};
  session::SystemSettings system;
  session::UiSettings ui = session::UiSettings::Defaults();
  session::SessionDecision decision;
  int showType = session::kShowSilent;
  session::ClientLog log;
  session::HostNotifier host;
  session::ScriptedPrompter prompter;
  session::ProgramRunner runner;
  session::RunPlaces places;
  places.opMode = 1;
  places.workFolder = workFolder;
  session::RunState state({files, dirs, system, ui, decision, showType, log, host, prompter, runner, nullptr},
                          places);
  auto sink = std::make_shared<testsupport::SilentStageSink>();
  transfer::DownloadWorker(state, sink, std::make_shared<transfer::TransferContext>(), {}).Run();
  return sink->ended == 1;
}

// Kills a run at about half, then runs again (after `forget` removed the
// partial file, as a client without resume would start); the server's bytes
// over the file's size, or a negative number when something failed.
double KillAndRestart(const testsupport::HttpTestServer& server, const std::string& url, const fs::path& work,
                      bool forget, uint64_t& killedAt) {
  fs::remove_all(work);
  const std::string destination = (work / "file0" / "big.bin").string();
  const std::string partial = transfer::ResumeRecord::PartialPath(destination);
  const uint64_t before = Sent(server);
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) _exit(RunWorker(url, work.string() + "/") ? 0 : 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (;;) {
    std::error_code ec;
    const uint64_t have = fs::file_size(partial, ec);
    if (!ec && have >= kSize / 2) break;
    if (std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  std::error_code ec;
  killedAt = fs::file_size(partial, ec);
  if (ec || killedAt >= kSize) return -1;
  if (forget) transfer::ResumeRecord::Discard(destination);
  if (!RunWorker(url, work.string() + "/") || fs::file_size(destination) != kSize) return -1;
  return static_cast<double>(Sent(server) - before) / static_cast<double>(kSize);
}

}  // namespace

int main() {
  setenv("UPGRADE_TEST_SUPPORT", UPGRADE_SOURCE_DIR "/tests/support", 0);
  testsupport::TempDir root("resume-bench-root-");
  testsupport::TempDir out("resume-bench-out-");
  {
    std::vector<char> block(size_t{1} << 20);
    std::ofstream f(root.path() / "big.bin", std::ios::binary);
    for (uint64_t i = 0; i < kSize / block.size(); ++i) {
      for (size_t k = 0; k < block.size(); k += 4096) block[k] = static_cast<char>(i + k);
      f.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  testsupport::HttpTestServer server;
  if (!server.Start(root.path().string())) {
    std::fprintf(stderr, "cannot start the HTTP test server\n");
    return 1;
  }
  const std::string url = server.BaseUrl() + "/files/big.bin";
  uint64_t killedWith = 0, killedWithout = 0;
  const double without = KillAndRestart(server, url, out.path() / "without", true, killedWithout);
  const double with = KillAndRestart(server, url, out.path() / "with", false, killedWith);
  if (with < 0 || without < 0) {
    std::fprintf(stderr, "a download failed or the kill came too late\n");
    return 1;
  }
  std::printf("200 MiB over HTTP, killed at %.0f%% and %.0f%%: sent/size without resume %.3f, with resume %.3f\n",
              100.0 * killedWithout / kSize, 100.0 * killedWith / kSize, without, with);
  std::printf("resumed download bytes sent/size: %.3f\n", with);
  return 0;
}

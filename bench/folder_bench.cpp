// A dir item of 10,000 and of 100,000 small files, over file:// and over
// FTP (the test server on 127.0.0.1): the listing alone, the whole download
// by the real download worker and the installation by the real update
// worker over an older copy of the folder (a backup and a replacement per
// file). Each case runs in a child process of its own, so its peak memory
// is its own. The cost of a large folder must grow with the number of
// files, not faster: the last line is the worst time ratio 100k / 10k of
// the two protocols (linear is 10). The small case runs three times and
// counts with its median: it lasts a second or two, where a hiccup of the
// machine would move the ratio by one.
// The folders go under TMPDIR (else /tmp); the first line names the file
// system they are on. Before the cases the bench creates and deletes as
// many files as the cases will make, so both start with a warm kernel
// (not on an ext4 without a journal, where deleted files slow new ones).
// Each case first puts the older copy in place with `cp -r && sync`; its
// time is printed as the reference: how the file system itself grows.
// Usage: folder_bench [files of the large case [file|ftp]]   (default 100000, both)

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "client/download/download_worker.h"
#include "client/download/folder_listing.h"
#include "client/install/rollback.h"
#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"
#include "client/install/update_worker.h"
#include "platform/file_operations.h"
#include "tests/client/install/install_rig.h"
#include "tests/support/run_command.h"
#include "tests/support/silent_stage_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr size_t kFileBytes = 1024;
constexpr int kSmallRuns = 3;  // the small case counts with the median of these


// What one case measured; sent from the child to the parent as bytes.
struct CaseResult {
  bool ok = false;
  double listing = 0, download = 0, install = 0;
  double copy = 0;  // the reference: cp -r && sync of the tree, the older copy
  long listed = 0;
  long peakKib = 0;
  double Total() const { return listing + download + install; }
};

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long PeakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

bool WriteTree(const fs::path& folder, int files) {
  fs::create_directories(folder);
  std::string bytes(kFileBytes, '\0');
  for (int i = 0; i < files; ++i) {
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(i * 7 + k * 131);
    std::ofstream out(folder / ("f" + std::to_string(i) + ".dat"), std::ios::binary);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
  }
  return true;
}

// One case, in the child: listing, download, installation over an older
// copy (the source tree itself stands in for it, its bytes do not matter).
// caseFolder: where the case's application and work folders go; it is
// removed with the bench's root at the end, not by the case: on an ext4
// without a journal every new file costs a look at the inodes deleted in
// the last five minutes, so a case that deleted its files would charge
// the next one for them.
CaseResult RunCase(const std::string& caseFolder, const std::string& tree, const std::string& url, bool ftp,
                   int ftpPort, int files) {
  CaseResult result;
  const std::string app = caseFolder + "/app/";
  fs::create_directories(app);
  const auto copyStart = Clock::now();
  if (testsupport::RunCommand("cp -r " + testsupport::ShellQuote(tree + "/.") + " " + testsupport::ShellQuote(app) +
                              " && sync")
          .exitCode != 0)
    return result;
  result.copy = Seconds(copyStart);

  install_test::InstallRig rig(caseFolder, app);
  rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
  session::DirItem& item = rig.Dir(0);
  item.newItem = true;
  item.modifyVer = 1;
  item.serverVersion = "2.0";
  item.locations.urls = {url};
  item.locations.users = {ftp ? "tester" : ""};
  item.locations.passwords = {ftp ? "secret" : ""};
  session::RunState& run = rig.Run();

  {
    transfer::TransferContext context;
    transfer::TransferEngine engine(context, nullptr, nullptr, {});
    std::vector<session::DownloadRecord> list;
    const auto start = Clock::now();
    const std::string root = ftp ? "/" + fs::path(tree).filename().string() : tree;
    const transfer::ListingRequest request{root, "", false};
    const bool listed = ftp ? engine.FtpConnect("127.0.0.1", "tester", "secret", ftpPort) &&
                                  transfer::ListFtpFolder(engine, request, list, {})
                            : transfer::ListLocalFolder(request, list, {});
    result.listing = Seconds(start);
    engine.FtpClose();
    result.listed = static_cast<long>(list.size());
    if (!listed || result.listed != files) return result;
  }

  auto page = std::make_shared<testsupport::SilentStageSink>();
  auto control = std::make_shared<transfer::TransferContext>();
  auto start = Clock::now();
  transfer::DownloadWorker(run, page, control, {}).Run();
  result.download = Seconds(start);
  if (page->ended != 1 || static_cast<int>(run.DirWork(0).downloads.size()) != files) return result;

  testsupport::SilentStageSink installPage;
  platform::RealFileOperations ops;
  transfer::UpdateTimings timings;
  timings.settle = std::chrono::milliseconds(0);  // the closer's pause is not work
  transfer::UpdateWorker worker(transfer::InstallEnv{run, installPage, ops, ""}, timings);
  start = Clock::now();
  worker.Run();
  result.install = Seconds(start);
  result.ok = installPage.ended == 1 && rig.ArchivedVersion("dir0") == "2.0";
  result.peakKib = PeakKib();
  return result;
}

// Runs the case in a child process and reads back what it measured.
CaseResult RunInChild(const std::string& caseFolder, const std::string& tree, const std::string& url, bool ftp,
                      int ftpPort, int files) {
  CaseResult result;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return result;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    const CaseResult r = RunCase(caseFolder, tree, url, ftp, ftpPort, files);
    const bool written = write(pipeFds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
    _exit(written ? 0 : 1);  // the parent's servers and folders are the parent's to end
  }
  close(pipeFds[1]);
  if (pid > 0 && read(pipeFds[0], &result, sizeof result) != static_cast<ssize_t>(sizeof result)) result = {};
  close(pipeFds[0]);
  if (pid > 0) waitpid(pid, nullptr, 0);
  return result;
}

// Creates and deletes `files` empty files, so the kernel keeps that many
// inodes and directory entries ready for reuse. Without it the small case
// reuses what an earlier run freed while the large one outgrows that and
// has the kernel build new ones (inode_init_once, 5 % of the large case in
// a profile): the ratio would count the kernel's warm-up as the client's.
bool WarmInodeCache(const fs::path& folder, int files) {
  fs::create_directories(folder);
  for (int i = 0; i < files; ++i) {
    const int fd = open((folder / ("w" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return !ec;
}

// The file system under `folder`, and whether it is one whose new files pay
// for recent deletions: ext4 without a journal looks at every inode freed in
// the last minutes, one by one, before it hands out a new one (with a
// journal it does not), so there a run measures the deletions of the
// previous run as much as the client.
struct FileSystem {
  std::string text;
  bool deletionsLinger = false;
};

FileSystem DescribeFileSystem(const std::string& folder) {
  struct statfs info {};
  struct stat st {};
  if (statfs(folder.c_str(), &info) != 0 || stat(folder.c_str(), &st) != 0) return {"unknown"};
  if (info.f_type == TMPFS_MAGIC) return {"tmpfs"};
  if (info.f_type != EXT4_SUPER_MAGIC) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "type 0x%lx", static_cast<unsigned long>(info.f_type));
    return {hex};
  }
  std::error_code ec;
  const std::string device =
      fs::read_symlink("/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)),
                       ec)
          .filename()
          .string();
  bool journal = false;
  for (const auto& entry : fs::directory_iterator("/proc/fs/jbd2", ec))
    journal = journal || (!device.empty() && entry.path().filename().string().rfind(device + "-", 0) == 0);
  if (journal) return {"ext4 (" + device + ", with a journal)"};
  return {"ext4 (" + device +
              ", no journal: new files skip the inodes deleted in the last minutes, so no warm-up either; give "
              "TMPDIR another file system for figures of the client alone)",
          true};
}

}  // namespace

int main(int argc, char** argv) {
  const int large = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int small = large / 10;
  const std::string only = argc > 2 ? argv[2] : "";
  setenv("UPGRADE_TEST_SUPPORT", UPGRADE_SOURCE_DIR "/tests/support", 0);

  testsupport::TempDir root("folder-bench-root-");
  const FileSystem fileSystem = DescribeFileSystem(root.path().string());
  std::printf("folders on %s: %s\n", root.path().c_str(), fileSystem.text.c_str());
  const std::string smallTree = root.file("small"), largeTree = root.file("large");
  if (!WriteTree(smallTree, small) || !WriteTree(largeTree, large)) {
    std::fprintf(stderr, "folder_bench: cannot write the trees\n");
    return 1;
  }
  // A case makes about three files per file of its tree (the old copy,
  // the download, the installed copy), and every case's files stay until
  // the end: per protocol 3 x kSmallRuns x small + 3 x large, about 4 x large.
  // Where deleted inodes linger, deleting that many would slow every case.
  const int protocols = only.empty() ? 2 : 1;
  if (!fileSystem.deletionsLinger && !WarmInodeCache(root.file("warm-up"), 4 * large * protocols)) {
    std::fprintf(stderr, "folder_bench: cannot warm the inode cache\n");
    return 1;
  }
  testsupport::FtpTestServer ftp;
  if (!ftp.Start(root.path().string())) {
    std::fprintf(stderr, "folder_bench: cannot start the FTP test server\n");
    return 1;
  }
  const std::string ftpBase = "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/";

  double worstRatio = 0;
  long worstPeakKib = 0;
  for (bool overFtp : {false, true}) {
    const char* protocol = overFtp ? "ftp" : "file";
    if (!only.empty() && only != protocol) continue;
    CaseResult r[2];
    for (int c = 0; c < 2; ++c) {
      const std::string& tree = c == 0 ? smallTree : largeTree;
      const std::string url = overFtp ? ftpBase + fs::path(tree).filename().string() : "file://" + tree;
      std::vector<CaseResult> runs;
      for (int k = 0; k < (c == 0 ? kSmallRuns : 1); ++k) {
        const std::string caseFolder = root.file(std::string(protocol) + std::to_string(c) + "-" + std::to_string(k));
        fs::create_directories(caseFolder);
        runs.push_back(RunInChild(caseFolder, tree, url, overFtp, ftp.port(), c == 0 ? small : large));
        if (!runs.back().ok) {
          std::fprintf(stderr, "folder_bench: the %s case of %d files failed\n", protocol, c == 0 ? small : large);
          return 1;
        }
        worstPeakKib = std::max(worstPeakKib, runs.back().peakKib);
      }
      std::sort(runs.begin(), runs.end(),
                [](const CaseResult& a, const CaseResult& b) { return a.Total() < b.Total(); });
      r[c] = runs[runs.size() / 2];
      std::printf(
          "%-4s %6d files: listing %6.2f s, download %7.2f s, install %6.2f s, peak memory %.1f MiB; "
          "cp -r && sync %.2f s%s\n",
          protocol, c == 0 ? small : large, r[c].listing, r[c].download, r[c].install, r[c].peakKib / 1024.0,
          r[c].copy, runs.size() > 1 ? (" (median of " + std::to_string(runs.size()) + ")").c_str() : "");
      std::fflush(stdout);
    }
    const double ratio = r[1].Total() / r[0].Total();
    std::printf("%-4s time ratio %dk/%dk: listing %.2f, download %.2f, install %.2f, total %.2f (cp -r && sync %.2f)\n",
                protocol, large / 1000, small / 1000, r[1].listing / r[0].listing, r[1].download / r[0].download,
                r[1].install / r[0].install, ratio, r[1].copy / r[0].copy);
    worstRatio = std::max(worstRatio, ratio);
  }
  std::printf("peak memory of one case (largest): %.1f MiB\n", worstPeakKib / 1024.0);
  std::printf("folder time ratio %dk/%dk (worst): %.2f\n", large / 1000, small / 1000, worstRatio);
  return 0;
}

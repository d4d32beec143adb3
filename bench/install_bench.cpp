// Backs up and installs a tree of 1,000 files totalling 1 GiB over an older
// copy of it through the real update worker (hard-link backups, a copy into
// a temporary name and a rename per file, one flush of the file system,
// versions written into the archive, backups deleted), against `cp -r` of
// the same tree on the same file system (alone, and followed by `sync`, the
// durable copy that the installation's crash safety is to be weighed
// against), five times each in turns, and prints the ratios of the medians,
// against the durable copy last.
// Usage: install_bench [folder]   (default /tmp/install_bench; about 3 GiB)

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "client/install/update_worker.h"
#include "platform/file_operations.h"
#include "tests/client/install/install_rig.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 1000;
constexpr size_t kFileSize = size_t{1} << 20;  // 1,000 x 1 MiB: about 1 GiB

std::string FileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "f%04d.bin", i);
  return name;
}

bool WriteTree(const std::string& folder, uint64_t seed) {
  fs::create_directories(folder);
  std::vector<uint64_t> chunk(kFileSize / sizeof(uint64_t));
  uint64_t x = seed;
  for (int i = 0; i < kFiles; ++i) {
    for (auto& w : chunk) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      w = x;
    }
    std::FILE* out = std::fopen((folder + "/" + FileName(i)).c_str(), "wb");
    if (!out) return false;
    const bool ok = std::fwrite(chunk.data(), 1, kFileSize, out) == kFileSize;
    if (std::fclose(out) != 0 || !ok) return false;
  }
  return true;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// One installation of the new tree over a fresh older copy; seconds.
double RunOurs(const std::string& root) {
  const std::string app = root + "/app/";
  Shell("rm -rf '" + root + "/app' '" + root + "/upgrade.log' && cp -al '" + root + "/old' '" + root +
        "/app' && sync");
  install_test::InstallRig rig(root, app);
  rig.WriteArchive("[dir0]\r\nver=1.0\r\n");
  for (int i = 0; i < kFiles; ++i) rig.AddDirRecord(0, "", FileName(i));
  rig.Dir(0).modifyVer = 1;
  rig.Dir(0).serverVersion = "2.0";
  install_test::PageRecorder page(&rig.Run());
  platform::RealFileOperations ops;
  transfer::UpdateTimings timings;
  timings.settle = std::chrono::milliseconds(0);  // the closer's pause is not work
  transfer::UpdateWorker worker(transfer::InstallEnv{rig.Run(), page, ops, ""}, timings);
  const auto start = Clock::now();
  worker.Run();
  const double took = Seconds(Clock::now() - start);
  if (page.finished != 1) {
    std::fprintf(stderr, "install_bench: the installation failed\n");
    std::exit(1);
  }
  return took;
}

// cp -r alone leaves its data in the page cache; with `sync` it pays the
// flush to the disk that the installation makes before it records the
// update as done (its crash safety), so both figures are printed.
double RunCp(const std::string& root, bool thenSync) {
  Shell("rm -rf '" + root + "/cp' && sync");
  const auto start = Clock::now();
  if (Shell("cp -r '" + root + "/work/dir0' '" + root + "/cp'" + (thenSync ? " && sync" : "")) != 0) {
    std::fprintf(stderr, "install_bench: cp failed\n");
    std::exit(1);
  }
  return Seconds(Clock::now() - start);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "/tmp/install_bench";
  if (!fs::exists(root + "/work/dir0/" + FileName(kFiles - 1))) {
    std::printf("writing the new and the older tree under %s ...\n", root.c_str());
    if (!WriteTree(root + "/work/dir0", 0x9e3779b97f4a7c15ull) || !WriteTree(root + "/old", 42)) {
      std::fprintf(stderr, "install_bench: cannot write the trees\n");
      return 1;
    }
  }
  // Who goes first alternates: a run that follows the deletion of a large
  // tree pays for the freed blocks, and a fixed order would charge one side.
  std::vector<double> ours, cp, cpSync;
  for (int round = 0; round < 5; ++round) {
    if (round % 2 == 0) {
      ours.push_back(RunOurs(root));
      cp.push_back(RunCp(root, false));
      cpSync.push_back(RunCp(root, true));
    } else {
      cpSync.push_back(RunCp(root, true));
      cp.push_back(RunCp(root, false));
      ours.push_back(RunOurs(root));
    }
    std::printf("round %d: ours %.2f s, cp -r %.2f s, cp -r && sync %.2f s\n", round + 1, ours.back(),
                cp.back(), cpSync.back());
    std::fflush(stdout);
  }
  Shell("rm -rf '" + root + "/cp' '" + root + "/app'");
  std::printf("install time ratio ours/cp -r: %.2f\n", Median(ours) / Median(cp));
  std::printf("install time ratio ours/(cp -r && sync): %.2f\n", Median(ours) / Median(cpSync));
  return 0;
}

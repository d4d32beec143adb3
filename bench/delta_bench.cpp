// Delta updates on the reference pair of library releases: the older
// release is published and installed, the newer one published through the
// tool's generator (library, headless), and the real client updates the
// installed folder from the HTTP test server. Prints the bytes the client
// fetched against the bytes of the new files (goal <= 0.09), the time to
// apply the patches against a plain copy of the new files (goal <= 2), and
// the client's peak memory; the byte ratio comes last. Beside ours, zstd's
// command line (zstd -19 --long=27 --patch-from) on the same pair: once per
// changed file, summed, and once on the whole tree as one tar against the
// older tree's tar; and both ours and the command line's for the shared
// libraries alone (the files named *.so*), the part a library's changes
// are about: the tree also holds a compressed changelog that no patch can
// make small.
// Usage: delta_bench [folder]   (default /tmp/delta_bench)
//
// Bytes fetched are the new files' bytes less what the client's log says
// the patches saved: a patched item costs its patch, any other its file.
// The command line's figures count only its patches: unchanged files cost
// it nothing.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/any_patch.h"
#include "common/sha256_digest.h"
#include "formats/patch_list.h"
#include "tests/author/delta_rig.h"
#include "tests/support/release_corpus.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The value of a key in one section of a server configuration text.
std::string Value(const std::string& ini, const std::string& section, const std::string& key) {
  const size_t at = ini.find("[" + section + "]\r\n");
  if (at == std::string::npos) return "";
  const size_t end = ini.find("\r\n[", at + 1);
  const size_t k = ini.find("\r\n" + key + "=", at);
  if (k == std::string::npos || (end != std::string::npos && k > end)) return "";
  const size_t start = k + key.size() + 3;
  return ini.substr(start, ini.find("\r\n", start) - start);
}

bool IsLibrary(const fs::path& rel) { return rel.filename().string().find(".so") != std::string::npos; }

int64_t SizeOf(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

// zstd's command line: the size of its patch from old to new, -1 on failure.
int64_t CliPatch(const fs::path& oldFile, const fs::path& newFile, const fs::path& patch) {
  using testsupport::ShellQuote;
  const std::string command = "zstd -q -f -19 --long=27 --patch-from=" + ShellQuote(oldFile.string()) + " " +
                              ShellQuote(newFile.string()) + " -o " + ShellQuote(patch.string()) +
                              " 2>/dev/null";  // its notes on tuning the parser
  return testsupport::RunCommand(command).exitCode == 0 ? SizeOf(patch) : -1;
}

bool Tar(const fs::path& tree, const fs::path& tar) {
  using testsupport::ShellQuote;
  return testsupport::RunCommand("tar --sort=name -cf " + ShellQuote(tar.string()) + " -C " +
                                 ShellQuote(tree.string()) + " .")
             .exitCode == 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("UPGRADE_TEST_SUPPORT", UPGRADE_SOURCE_DIR "/tests/support", 0);
  setenv("UPGRADE_BIN_DIR", UPGRADE_BINARY_DIR "/bin", 0);
  const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp/delta_bench");
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root);
  auto pair = testsupport::UnpackReleasePair(root / "corpus");
  if (!pair) {
    std::fprintf(stderr, "the release pair is missing (set UPGRADE_RELEASE_CORPUS)\n");
    return 1;
  }
  authortest::DeltaRig rig(root / "rig");
  std::string error;
  if (!rig.Started() || !rig.Release("1.0", "0.0.0", pair->older, pair->files, &error) ||
      !rig.Release("1.1", "1.0", pair->newer, pair->files, &error)) {
    std::fprintf(stderr, "publishing failed: %s\n", error.c_str());
    return 1;
  }

  int64_t newBytes = 0;
  for (const fs::path& rel : pair->files) newBytes += static_cast<int64_t>(fs::file_size(pair->newer / rel));

  // The client, under a wrapper that reports its peak resident memory.
  const std::string app = rig.Install("app", pair->older, pair->files);
  const std::string wrapper = std::string(testsupport::kPython) +
                              " -c 'import resource,subprocess,sys; r=subprocess.run(sys.argv[1:]).returncode; "
                              "open(\"maxrss\",\"w\").write(str(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)); "
                              "sys.exit(r)'";
  if (rig.RunClient(app, wrapper) != 0) {
    std::fprintf(stderr, "the client failed\n");
    return 1;
  }
  for (const fs::path& rel : pair->files) {
    if (testsupport::TempDir::read(app + rel.string()) != testsupport::TempDir::read(pair->newer / rel)) {
      std::fprintf(stderr, "%s was not updated\n", rel.c_str());
      return 1;
    }
  }
  const std::string log = authortest::DeltaRig::Log(app);
  const std::string savedMark = "共节省 ";
  const size_t total = log.find("★ 补丁更新 ");
  const int64_t saved = total == std::string::npos ? 0 : std::stoll(log.substr(log.find(savedMark, total) + savedMark.size()));
  const int patched = total == std::string::npos ? 0 : std::atoi(log.c_str() + total + std::string("★ 补丁更新 ").size());
  const long peakKiB = std::atol(testsupport::TempDir::read(app + "maxrss").c_str());

  // Applying every patch against copying every new file, five times each in
  // turns, from a warm cache.
  const std::string ini = testsupport::TempDir::read(rig.Server() + "s.ini");
  std::vector<double> applyMs;
  std::vector<double> copyMs;
  const fs::path scratch = root / "scratch";
  fs::create_directories(scratch);
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    for (size_t i = 0; i < pair->files.size(); ++i) {
      auto patches = formats::ParsePatchList(Value(ini, "file" + std::to_string(i), "patches"));
      if (patches.empty()) continue;
      if (!codecs::ApplyAnyPatch(pair->older / pair->files[i], rig.Server() + patches[0].url,
                                 scratch / ("p" + std::to_string(i)), uint64_t{1} << 30).ok) {
        std::fprintf(stderr, "applying the patch of %s failed\n", pair->files[i].c_str());
        return 1;
      }
    }
    applyMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    start = Clock::now();
    for (size_t i = 0; i < pair->files.size(); ++i) {
      fs::copy_file(pair->newer / pair->files[i], scratch / ("c" + std::to_string(i)),
                    fs::copy_options::overwrite_existing);
    }
    copyMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }

  // Ours for the libraries alone: the patch each one's client takes (the
  // one whose base is the installed file), else the whole file.
  int64_t libNew = 0;
  int64_t libOurs = 0;
  for (size_t i = 0; i < pair->files.size(); ++i) {
    const fs::path& rel = pair->files[i];
    if (!IsLibrary(rel)) continue;
    const int64_t size = SizeOf(pair->newer / rel);
    libNew += size;
    const std::string base = common::FileSha256((pair->older / rel).string());
    int64_t cost = size;
    for (const formats::PatchEntry& p : formats::ParsePatchList(Value(ini, "file" + std::to_string(i), "patches"))) {
      if (p.base == base) cost = std::min(cost, p.size);
    }
    libOurs += cost;
  }

  // zstd's command line on the same pair.
  int64_t cliFiles = 0;
  int64_t cliLibs = 0;
  for (const fs::path& rel : pair->files) {
    const fs::path oldFile = pair->older / rel;
    if (!fs::is_regular_file(oldFile, ec) ||
        testsupport::TempDir::read(oldFile) == testsupport::TempDir::read(pair->newer / rel)) {
      continue;
    }
    const int64_t size = CliPatch(oldFile, pair->newer / rel, scratch / "cli.zst");
    if (size < 0) {
      std::fprintf(stderr, "zstd failed on %s (is the zstd package installed?)\n", rel.c_str());
      return 1;
    }
    cliFiles += size;
    if (IsLibrary(rel)) cliLibs += size;
  }
  if (!Tar(pair->older, scratch / "old.tar") || !Tar(pair->newer, scratch / "new.tar")) {
    std::fprintf(stderr, "tar failed\n");
    return 1;
  }
  const int64_t cliTree = CliPatch(scratch / "old.tar", scratch / "new.tar", scratch / "tree.zst");
  if (cliTree < 0) {
    std::fprintf(stderr, "zstd failed on the tree's tar\n");
    return 1;
  }

  const int64_t fetched = newBytes - saved;
  std::printf("new files: %zu, %lld bytes; items patched: %d\n", pair->files.size(),
              static_cast<long long>(newBytes), patched);
  std::printf("client peak memory: %ld KiB\n", peakKiB);
  std::printf("patch apply %.1f ms, plain copy %.1f ms (medians of 5)\n", Median(applyMs), Median(copyMs));
  std::printf("patch apply time ratio apply/copy: %.2f\n", Median(applyMs) / Median(copyMs));
  auto ratio = [](int64_t part, int64_t whole) { return whole > 0 ? static_cast<double>(part) / whole : 0.0; };
  std::printf("whole tree, ratio of the new bytes: ours %.4f, zstd CLI per changed file %.4f (%lld bytes), "
              "zstd CLI tree tar %.4f (%lld bytes)\n",
              ratio(fetched, newBytes), ratio(cliFiles, newBytes), static_cast<long long>(cliFiles),
              ratio(cliTree, newBytes), static_cast<long long>(cliTree));
  std::printf("libraries alone (%lld new bytes), patch/new bytes: ours %.4f, zstd CLI %.4f\n",
              static_cast<long long>(libNew), ratio(libOurs, libNew), ratio(cliLibs, libNew));
  std::printf("delta download ratio fetched/new bytes: %.4f\n", static_cast<double>(fetched) / newBytes);
  return 0;
}

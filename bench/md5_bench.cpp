// Hashes a 1 GiB file with Md5Digest and with the md5sum command, three
// times each in turns, and prints the throughput ratio of the medians.
// Usage: md5_bench [file]   (default /tmp/md5_bench_1g.bin, created when missing)

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/md5_digest.h"

namespace {

constexpr uint64_t kFileSize = uint64_t{1} << 30;

bool CreateFile(const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::vector<uint64_t> chunk((1 << 20) / sizeof(uint64_t));
  uint64_t x = 0x9e3779b97f4a7c15ull;
  for (uint64_t written = 0; written < kFileSize; written += chunk.size() * sizeof(uint64_t)) {
    for (auto& w : chunk) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      w = x;
    }
    if (std::fwrite(chunk.data(), sizeof(uint64_t), chunk.size(), out) != chunk.size()) {
      std::fclose(out);
      return false;
    }
  }
  return std::fclose(out) == 0;
}

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string RunMd5sum(const std::string& path) {
  std::string cmd = "md5sum " + ShellQuote(path);
  std::FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return "";
  char buf[256];
  std::string out;
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out.substr(0, 32);
}

std::string RunOurs(const std::string& path) {
  common::Md5Digest md5;
  md5.DigestFile(path);
  auto digest = md5.GetDigest();
  md5.Close();
  return digest.value_or("failed: " + md5.ErrorText());
}

template <typename F>
double Seconds(F&& f, std::string& result) {
  auto start = std::chrono::steady_clock::now();
  result = f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string PeakMemory() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return line;
  return "VmHWM: unknown";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/md5_bench_1g.bin";
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    std::printf("creating %s (1 GiB)\n", path.c_str());
    if (!CreateFile(path)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  const double mib = static_cast<double>(std::filesystem::file_size(path, ec)) / (1 << 20);

  // One untimed pass brings the file into the page cache for both tools.
  std::string expected = RunMd5sum(path);
  if (expected.size() != 32) {
    std::fprintf(stderr, "md5sum failed on %s\n", path.c_str());
    return 1;
  }

  std::vector<double> ours, theirs;
  for (int round = 1; round <= 3; ++round) {
    std::string a, b;
    ours.push_back(Seconds([&] { return RunOurs(path); }, a));
    theirs.push_back(Seconds([&] { return RunMd5sum(path); }, b));
    std::printf("round %d: Md5Digest %.3f s (%.0f MiB/s)  md5sum %.3f s (%.0f MiB/s)\n", round,
                ours.back(), mib / ours.back(), theirs.back(), mib / theirs.back());
    if (a != expected || b != expected) {
      std::fprintf(stderr, "digest mismatch: ours %s, md5sum %s, expected %s\n", a.c_str(),
                   b.c_str(), expected.c_str());
      return 1;
    }
  }
  std::printf("digest %s of %.0f MiB\n", expected.c_str(), mib);
  std::printf("peak memory of this process: %s\n", PeakMemory().c_str());
  std::printf("md5 throughput ratio ours/md5sum: %.2f\n", Median(theirs) / Median(ours));
  return 0;
}

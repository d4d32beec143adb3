#include "client/session/refused_self_update.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/gbk.h"

namespace session {

namespace {

// The marker's lines: "config=<digest>", then "<section>=<version>" each.
std::vector<std::pair<std::string, std::string>> ReadLines(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  std::vector<std::pair<std::string, std::string>> lines;
  std::string line;
  while (std::getline(in, line) && lines.size() < 64) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq != std::string::npos) lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return lines;
}

}  // namespace

RefusedSelfUpdates::RefusedSelfUpdates(std::string path, std::string configDigest)
    : path_(std::move(path)), digest_(std::move(configDigest)) {}

std::string RefusedSelfUpdates::PathFor(const std::string& archivePath) { return archivePath + ".refused"; }

bool RefusedSelfUpdates::WasRefused(const std::string& section, const std::string& version) {
  const std::string native = common::NativePath(path_);
  const auto lines = ReadLines(native);
  if (lines.empty()) return false;
  if (lines.front().first != "config" || lines.front().second != digest_) {
    std::error_code ec;
    std::filesystem::remove(native, ec);
    return false;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].first == section && lines[i].second == version) return true;
  }
  return false;
}

void RefusedSelfUpdates::Remember(const std::vector<std::pair<std::string, std::string>>& items) {
  std::string text = "config=" + digest_ + "\r\n";
  for (const auto& [section, version] : items) text += section + "=" + version + "\r\n";
  const std::string native = common::NativePath(path_);
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::error_code ec;
    std::filesystem::remove(native, ec);
  }
}

}  // namespace session

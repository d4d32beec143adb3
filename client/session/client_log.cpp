#include "client/session/client_log.h"

#include <ctime>

#include "common/gbk.h"
#include "platform/private_files.h"

namespace session {

ClientLog::~ClientLog() { Close(); }

bool ClientLog::Open() {
  std::lock_guard lock(mutex_);
  if (file_) return true;
  // Append mode: every write goes to the end, whatever else writes there.
  // The log holds the configuration's user names and paths: private to the
  // user, and a link someone planted in the folder is not followed.
  file_ = platform::OpenPrivateAppend(fileName_);
  return file_ != nullptr;
}

void ClientLog::Close() {
  std::lock_guard lock(mutex_);
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
}

bool ClientLog::IsOpen() const {
  std::lock_guard lock(mutex_);
  return file_ != nullptr;
}

namespace {

// Masks the user info password of the URL that starts entry, if any.
std::string HideUserInfoPassword(std::string_view entry) {
  const size_t scheme = entry.find("://");
  if (scheme == std::string_view::npos) return std::string(entry);
  const size_t start = scheme + 3;
  size_t end = entry.find_first_of("/\\", start);
  if (end == std::string_view::npos) end = entry.size();
  const size_t at = entry.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < start) return std::string(entry);
  const size_t colon = entry.substr(0, at).find(':', start);
  if (colon == std::string_view::npos) return std::string(entry);
  return std::string(entry.substr(0, colon + 1)) + "***" + std::string(entry.substr(at));
}

// "address,,user,,password": the password masked, both in the third field
// and in the address.
std::string HideEntryPassword(std::string_view entry) {
  const size_t first = common::GbkFind(entry, ",,");
  const size_t second = first == std::string_view::npos ? first : common::GbkFind(entry, ",,", first + 2);
  std::string out = HideUserInfoPassword(entry.substr(0, first));
  if (first == std::string_view::npos) return out;
  out += entry.substr(first, second == std::string_view::npos ? std::string_view::npos : second - first);
  if (second != std::string_view::npos) out += second + 2 < entry.size() ? ",,***" : ",,";
  return out;
}

}  // namespace

std::string HidePasswords(std::string_view text) {
  std::string out;
  size_t pos = 0;
  while (true) {
    const size_t end = common::GbkFind(text, ";;", pos);
    out += HideEntryPassword(text.substr(pos, end == std::string_view::npos ? end : end - pos));
    if (end == std::string_view::npos) break;
    out += ";;";
    pos = end + 2;
  }
  return out;
}

std::string ClientLog::FormatLine(std::string_view hhmmss, std::string_view text) {
  std::string line(hhmmss);
  line += "    ";
  if (text.size() > kMaxLoggedText) {
    size_t keep = 0;
    while (keep < text.size()) {
      const size_t next = keep + common::GbkCharLength(text, keep);
      if (next > kMaxLoggedText) break;
      keep = next;
    }
    line += text.substr(0, keep);
    line += " ...(cut, " + std::to_string(text.size()) + " bytes in all)";
  } else {
    line += text;
  }
  line += "\r\n";
  return line;
}

void ClientLog::WriteLog(std::string_view text) {
  if (!master_) return;
  std::lock_guard lock(mutex_);
  if (!file_) return;
  // localtime keeps one static buffer; the lock above covers it as well.
  std::time_t now = std::time(nullptr);
  char stamp[16] = "";
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&now));
  std::string line = FormatLine(stamp, text);
  std::fwrite(line.data(), 1, line.size(), file_);
  // Flushed line by line: a run that crashes or is killed keeps its log.
  std::fflush(file_);
}

}  // namespace session

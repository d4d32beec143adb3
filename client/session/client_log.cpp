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

#pragma once
// What the download window would show, recorded for the engine tests, plus
// the log lines the engine wrote.

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "client/stage/progress_sink.h"

namespace transfer_test {

class RecordingSink : public transfer::ProgressSink {
 public:
  std::set<int> directoryRows;
  std::vector<std::string> rowText{8};
  std::vector<int> rowProgress = std::vector<int>(8, -1);
  std::vector<std::string> rowSpeed{8};
  std::vector<int> fileBar;
  std::vector<std::string> statusTexts;
  std::vector<std::string> trayTips;
  std::vector<std::string> messages;
  int updates = 0;  // progress updates that reached the window

  bool IsDirectoryRow(int row) const override { return directoryRows.count(row) != 0; }
  void AppendRowText(int row, const std::string& text) override { rowText.at(row) += text; }
  void SetRowProgress(int row, int percent) override { rowProgress.at(row) = percent; }
  void SetRowSpeed(int row, const std::string& text) override {
    rowSpeed.at(row) = text;
    ++updates;
  }
  void SetFileBar(int percent) override { fileBar.push_back(percent); }
  void SetTransferStatus(const std::string& text) override { statusTexts.push_back(text); }
  void SetTrayTip(const std::string& text) override { trayTips.push_back(text); }
  void AddMessage(const std::string& text) override { messages.push_back(text); }
};

class LogRecorder {
 public:
  void operator()(const std::string& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool Has(const std::string& line) {
    for (const auto& l : Lines())
      if (l == line) return true;
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace transfer_test

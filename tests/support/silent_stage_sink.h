#pragma once
// The page a stage's worker reports to, shown nowhere and remembered
// nowhere: tests and benchmarks drive the real workers without a window
// (so a benchmark counts only the workers' own time and memory). Boxes are
// dismissed.

#include <string>

#include "client/stage/stage_sink.h"

namespace testsupport {

class SilentStageSink : public transfer::StageSink {
 public:
  bool IsDirectoryRow(int row) const override { return row == 0; }
  void AppendRowText(int, const std::string&) override {}
  void SetRowProgress(int, int) override {}
  void SetRowSpeed(int, const std::string&) override {}
  void SetFileBar(int) override {}
  void SetTransferStatus(const std::string&) override {}
  void SetTrayTip(const std::string&) override {}
  void AddMessage(const std::string&) override {}
  int AddRow(const std::string&) override { return 0; }
  void CheckRow(int) override {}
  void SetBarRange(int, int) override {}
  void SetBarValue(int, int) override {}
  session::BoxAnswer Ask(const session::BoxRequest& r) override { return session::DismissAnswer(r.buttons); }
  void Notice(const std::string&) override {}
  bool AskRetry(const std::string&) override { return false; }
  void ShowFinishButton(int) override {}
  void FinishStage(bool, int success) override { ended = success; }
  void EndStage(int success) override { ended = success; }
  int ended = -1;  // the stage's outcome once it ended
};

}  // namespace testsupport

#pragma once
// PageSink: the window side of a stage worker's calls. It lives on the
// page's thread and turns every call of transfer::StageSink (and so of the
// engine's ProgressSink) into a queued call on its StagePage, carrying
// copies; calls arrive in the order they were made, from any thread. A
// question (Ask, Notice, AskRetry) blocks the worker until the page's
// thread has the answer. The page guards its own lifetime: once the page
// is gone or its stage is stopping (Close), questions return their dismiss
// answer at once, so a worker never waits for a page that will not answer.
// Log lines of AddMessage are written at the call, on the caller's thread,
// so they keep their order with the worker's own log lines.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "client/stage/stage_sink.h"

namespace ui {

class StagePage;

class PageSink : public QObject, public transfer::StageSink {
 public:
  /// Made on the page's thread. log: the run's log, called on the worker's
  /// thread (it must be thread-safe); may be empty. The sink is deleted on
  /// its own thread once the last owner lets go.
  static std::shared_ptr<PageSink> Create(StagePage* page, std::function<void(std::string_view)> log);

  // transfer::ProgressSink
  bool IsDirectoryRow(int row) const override;
  void AppendRowText(int row, const std::string& text) override;
  void SetRowProgress(int row, int percent) override;
  void SetRowSpeed(int row, const std::string& text) override;
  void SetFileBar(int percent) override;
  void SetTransferStatus(const std::string& text) override;
  void SetTrayTip(const std::string& text) override;
  void AddMessage(const std::string& text) override;

  // transfer::StageSink
  int AddRow(const std::string& text) override;
  void CheckRow(int row) override;
  void SetBarRange(int bar, int maximum) override;
  void SetBarValue(int bar, int value) override;
  session::BoxAnswer Ask(const session::BoxRequest& request) override;
  void Notice(const std::string& text) override;
  bool AskRetry(const std::string& text) override;
  void ShowFinishButton(int success) override;
  void FinishStage(bool waitForUser, int success) override;
  void EndStage(int success) override;

  /// Page side: the stage is stopping; a waiting question and every later
  /// one get the dismiss answer, and the stage can no longer be ended from
  /// here. Updates still reach the page while it exists.
  void Close();
  /// Page side, when the page goes: Close, and no more log lines.
  void Detach();
  bool IsClosed() const { return closed_.load(); }

 private:
  PageSink(StagePage* page, std::function<void(std::string_view)> log);

  /// Queues call(page) to the page's thread; dropped when the page is gone.
  void Post(std::function<void(StagePage&)> call);
  /// Runs ask(page) on the page's thread and waits for its answer.
  session::BoxAnswer Wait(std::function<session::BoxAnswer(StagePage&)> ask, session::BoxAnswer dismiss);

  QPointer<StagePage> page_;
  std::function<void(std::string_view)> log_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> detached_{false};
  mutable std::mutex mutex_;
  std::condition_variable answered_;
  std::vector<bool> directoryRows_;
};

}  // namespace ui

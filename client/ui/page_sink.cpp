#include "client/ui/page_sink.h"

#include <QThread>

#include "client/ui/stage_page.h"

namespace ui {

std::shared_ptr<PageSink> PageSink::Create(StagePage* page, std::function<void(std::string_view)> log) {
  // deleteLater: the last owner may be a worker thread.
  return std::shared_ptr<PageSink>(new PageSink(page, std::move(log)), [](PageSink* sink) { sink->deleteLater(); });
}

PageSink::PageSink(StagePage* page, std::function<void(std::string_view)> log)
    : page_(page), log_(std::move(log)) {}

void PageSink::Post(std::function<void(StagePage&)> call) {
  if (detached_.load()) return;
  QMetaObject::invokeMethod(
      this,
      [this, call = std::move(call)] {
        if (page_) call(*page_);
      },
      Qt::QueuedConnection);
}

session::BoxAnswer PageSink::Wait(std::function<session::BoxAnswer(StagePage&)> ask, session::BoxAnswer dismiss) {
  if (QThread::currentThread() == thread()) {
    // The stage's own start or end asks on the page's thread: waiting for
    // a queued call here would never end.
    return page_ ? ask(*page_) : dismiss;
  }
  struct Answer {
    bool given = false;
    session::BoxAnswer value{};
  };
  auto answer = std::make_shared<Answer>();
  if (closed_.load()) return dismiss;
  QMetaObject::invokeMethod(
      this,
      [this, answer, ask = std::move(ask), dismiss] {
        session::BoxAnswer value = dismiss;
        if (page_ && !closed_.load()) value = ask(*page_);
        {
          std::lock_guard lock(mutex_);
          answer->given = true;
          answer->value = value;
        }
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return answer->given || closed_.load(); });
  return answer->given ? answer->value : dismiss;
}

void PageSink::Close() {
  {
    // Under the lock, so a worker between its test and its wait still sees it.
    std::lock_guard lock(mutex_);
    closed_.store(true);
  }
  answered_.notify_all();
}

void PageSink::Detach() {
  detached_.store(true);
  Close();
}

bool PageSink::IsDirectoryRow(int row) const {
  std::lock_guard lock(mutex_);
  return row >= 0 && static_cast<size_t>(row) < directoryRows_.size() && directoryRows_[row];
}

int PageSink::AddRow(const std::string& text) {
  int row;
  {
    std::lock_guard lock(mutex_);
    row = static_cast<int>(directoryRows_.size());
    directoryRows_.push_back(!text.empty() && text.front() == '<');
  }
  Post([text](StagePage& p) { p.AddListRow(text); });
  return row;
}

void PageSink::CheckRow(int row) {
  Post([row](StagePage& p) { p.CheckListRow(row); });
}

void PageSink::AppendRowText(int row, const std::string& text) {
  Post([row, text](StagePage& p) { p.AppendRowText(row, text); });
}

void PageSink::SetRowProgress(int row, int percent) {
  Post([row, percent](StagePage& p) { p.SetRowProgress(row, percent); });
}

void PageSink::SetRowSpeed(int row, const std::string& text) {
  Post([row, text](StagePage& p) { p.SetRowSpeed(row, text); });
}

void PageSink::SetFileBar(int percent) { SetBarValue(0, percent); }

void PageSink::SetBarRange(int bar, int maximum) {
  Post([bar, maximum](StagePage& p) { p.SetBarRange(bar, maximum); });
}

void PageSink::SetBarValue(int bar, int value) {
  Post([bar, value](StagePage& p) { p.SetBarValue(bar, value); });
}

void PageSink::SetTransferStatus(const std::string& text) {
  Post([text](StagePage& p) { p.SetTransferStatus(text); });
}

void PageSink::SetTrayTip(const std::string& text) {
  Post([text](StagePage& p) { p.SetTrayTip(text); });
}

void PageSink::AddMessage(const std::string& text) {
  if (log_ && !detached_.load()) log_(text);
  Post([text](StagePage& p) { p.ShowMessage(text); });
}

session::BoxAnswer PageSink::Ask(const session::BoxRequest& request) {
  return Wait([request](StagePage& p) { return p.Ask(request); }, session::DismissAnswer(request.buttons));
}

void PageSink::Notice(const std::string& text) {
  Wait(
      [text](StagePage& p) {
        p.Notice(text);
        return session::BoxAnswer::Ok;
      },
      session::BoxAnswer::Ok);
}

bool PageSink::AskRetry(const std::string& text) {
  return Wait(
             [text](StagePage& p) {
               return p.AskRetry(text) ? session::BoxAnswer::Retry : session::BoxAnswer::Cancel;
             },
             session::BoxAnswer::Cancel) == session::BoxAnswer::Retry;
}

void PageSink::ShowFinishButton(int success) {
  Post([success](StagePage& p) { p.ShowFinishButton(success); });
}

void PageSink::FinishStage(bool waitForUser, int success) {
  if (closed_.load()) return;
  Post([waitForUser, success](StagePage& p) {
    if (waitForUser && p.isVisible()) {
      p.ShowFinishButton(success);
    } else {
      p.PostStageEnd(success);
    }
  });
}

void PageSink::EndStage(int success) {
  if (closed_.load()) return;
  Post([success](StagePage& p) { p.PostStageEnd(success); });
}

}  // namespace ui

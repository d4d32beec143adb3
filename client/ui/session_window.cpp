#include "client/ui/session_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "client/session/host_messages.h"
#include "client/stage/page_stage.h"
#include "client/stage/stage_sink.h"
#include "client/ui/download_done_window.h"
#include "client/ui/download_window.h"
#include "client/ui/icon_strip.h"
#include "client/ui/qt_convert.h"
#include "client/ui/start_window.h"
#include "client/ui/system_tray.h"
#include "client/ui/update_window.h"
#include "common/gbk.h"

namespace ui {
namespace {

constexpr const char kDefaultCaption[] = "update";

// The log lines when a page opens and when it is skipped (pages 1 and 3
// are never skipped).
constexpr const char* kOpenLines[formats::kPageCount] = {
    "★ 开启“下载前窗口”。", "★ 开启“下载窗口”。", "★ 开启“下载后窗口”。", "★ 开启“更新窗口”。"};
constexpr const char* kSkipLines[formats::kPageCount] = {"★ 不开启“下载前窗口”。", nullptr,
                                                "★ 不开启“下载后窗口”。", nullptr};

constexpr int kStartupFrameMs = 500;
constexpr int kIconStepMs = 150;

// The stage of a page while the real one is not part of this client: the
// page says so and the update stops. Without a download the host hears of
// a failed one.
class StageNotAvailable : public transfer::PageStage {
 public:
  StageNotAvailable(const PageContext& context, const char* text, int outcome)
      : context_(context), text_(text), outcome_(outcome) {}

  void Begin(std::shared_ptr<transfer::StageSink> sink, std::shared_ptr<transfer::TransferContext>) override {
    sink->AddMessage(common::Gbk(text_));
    if (outcome_ != 0) context_.ReportOutcome(outcome_);
    sink->EndStage(0);
  }
  void End(transfer::StageSink&, int) override {}

 private:
  const PageContext& context_;
  const char* text_;
  int outcome_;
};

}  // namespace

SessionWindow::SessionWindow(PageContext& context, SessionWindowSetup setup, QWidget* parent)
    : QDialog(parent), context_(context), setup_(std::move(setup)) {
  setObjectName(QStringLiteral("102"));
  // The icon strip of the skin, or the built-in one when the skin names
  // none or its picture cannot be had.
  std::optional<IconStrip> strip;
  if (context_.skin) strip = IconStrip::FromSkinValue(context_.skin->sysIcon, context_.loadPicture,
                                                      context_.log);
  if (strip) frames_ = strip->Icons();
  if (frames_.isEmpty()) frames_ = IconStrip::Builtin().Icons();
  setWindowIcon(frames_.first());
  if (context_.tray && context_.tray->IsEnabled()) {
    context_.tray->SetIcon(frames_.first());
    context_.tray->SetIconList(frames_);
    context_.tray->SetTargetWnd(this);
    connect(context_.tray, &CSystemTray::MenuCommand, this, &SessionWindow::TrayCommand);
  }
  const std::string title = context_.skin ? context_.skin->title : std::string();
  setWindowTitle(title.empty() ? QString::fromUtf8(kDefaultCaption) : ToQString(title));

  context_.showSessionWindow = [this] { BringBack(); };
  context_.setSessionClosable = [this](bool closable) { closable_ = closable; };

  startTimer_ = new QTimer(this);
  startTimer_->setSingleShot(true);
  connect(startTimer_, &QTimer::timeout, this, [this] { OpenPage(0); });
  iconTimer_ = new QTimer(this);
  connect(iconTimer_, &QTimer::timeout, this, &SessionWindow::StepIcon);

  noDownload_ = std::make_unique<StageNotAvailable>(
      context_, "下载功能尚未提供：本次不下载任何文件，升级到此结束。", session::kOutcomeDownloadFailed);
  noUpdate_ = std::make_unique<StageNotAvailable>(
      context_, "安装功能尚未提供：本次不安装任何文件，升级到此结束。", 0);
}

SessionWindow::~SessionWindow() {
  context_.showSessionWindow = nullptr;
  context_.setSessionClosable = nullptr;
}

int SessionWindow::Run() {
  ended_ = false;
  result_ = 1;
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  // A quiet session keeps the window out of sight (with a tray icon it
  // sits in the tray) until the user asks for it.
  if (context_.ShowType() == session::kShowNormal) show();
  startTimer_->start(setup_.startDelayMs >= 0 ? setup_.startDelayMs : kStartupFrameMs);
  loop.exec();
  return result_;
}

bool SessionWindow::IconAnimating() const { return iconTimer_->isActive(); }

bool SessionWindow::PageVisible(int k) const {
  const int show = context_.skin ? context_.skin->pages[k].show : 0;
  return context_.runMode != session::RunMode::SelfUpdate && context_.ShowType() == session::kShowNormal && show != 0;
}

void SessionWindow::OpenPage(int k) {
  current_ = k;
  ++serial_;
  const formats::SkinRect rect = context_.skin ? context_.skin->pages[k].rect : formats::SkinRect{};
  const bool visible = PageVisible(k);
  if (k == 0) hide();
  // The frame's inside is exactly the page; the window system adds the
  // border and caption around it.
  setFixedSize(std::max(0, rect.Width()), std::max(0, rect.Height()));
  if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  if (visible) {
    show();
  } else {
    hide();
  }

  if (k == formats::kStartPage || k == formats::kDownloadDonePage) {
    const bool open =
        visible && context_.runMode != session::RunMode::SelfUpdate && setup_.opMode == 0;
    if (!open) {
      context_.Log(common::Gbk(kSkipLines[k]));
      PostPageDone(serial_, 0);
      return;
    }
  }
  context_.Log(common::Gbk(kOpenLines[k]));
  switch (k) {
    case formats::kStartPage:
      PlacePage(new StartWindow(context_, this));
      break;
    case formats::kDownloadPage: {
      auto* page = new DownloadWindow(context_, this);
      page->SetStage(setup_.downloadStage ? setup_.downloadStage : noDownload_.get());
      page->SetPreviewStepMs(setup_.previewStepMs);
      PlacePage(page);
      iconFrame_ = 0;
      iconTimer_->start(kIconStepMs);
      break;
    }
    case formats::kDownloadDonePage:
      PlacePage(new DownloadDoneWindow(context_, this));
      break;
    case formats::kUpdatePage: {
      auto* page = new UpdateWindow(context_, this);
      page->SetStage(setup_.updateStage ? setup_.updateStage : noUpdate_.get());
      page->SetPreviewStepMs(setup_.previewStepMs);
      PlacePage(page);
      break;
    }
    default:
      break;
  }
}

void SessionWindow::PlacePage(WizardPage* page) {
  page_ = page;
  page->move(0, 0);
  const int serial = serial_;
  connect(page, &WizardPage::PageDone, this, [this, serial](int w) { OnPageDone(serial, w); },
          Qt::QueuedConnection);
  page->show();
}

void SessionWindow::PostPageDone(int serial, int wParam) {
  QMetaObject::invokeMethod(
      this, [this, serial, wParam] { OnPageDone(serial, wParam); }, Qt::QueuedConnection);
}

void SessionWindow::OnPageDone(int serial, int wParam) {
  if (ended_ || serial != serial_) return;
  if (page_) {
    // Later: the page may still be unwinding a handler of its own.
    page_->hide();
    page_->deleteLater();
    page_ = nullptr;
  }
  if (current_ == formats::kDownloadPage) {
    iconTimer_->stop();
    // A self-update run has no update page: the download decides.
    if (context_.runMode == session::RunMode::SelfUpdate) {
      End(wParam == 0 ? 1 : 0);
      return;
    }
  }
  if (wParam != 0) {
    End(0);
    return;
  }
  if (current_ < formats::kUpdatePage) {
    OpenPage(current_ + 1);
  } else {
    End(1);
  }
}

void SessionWindow::End(int result) {
  ended_ = true;
  result_ = result;
  startTimer_->stop();
  iconTimer_->stop();
  done(result);
}

void SessionWindow::StepIcon() {
  if (frames_.isEmpty()) return;
  iconFrame_ = (iconFrame_ + 1) % static_cast<int>(frames_.size());
  setWindowIcon(frames_[iconFrame_]);
}

void SessionWindow::BringBack() {
  show();
  update();
  raise();
  activateWindow();
}

void SessionWindow::TrayCommand(int command) {
  if (command == kTrayCommandShow) {
    if (setup_.setShowType) setup_.setShowType(session::kShowNormal);
    BringBack();
  } else if (command == kTrayCommandExit) {
    // The exit item is the Cancel of the page that is up; between pages
    // there is nothing to cancel.
    if (page_) page_->HandleCommand(kIdCancel);
  }
}

void SessionWindow::closeEvent(QCloseEvent* event) {
  // The page decides (it asks before cancelling); the frame never closes by
  // itself, and not at all while the installation runs.
  event->ignore();
  if (closable_ && page_) page_->HandleCommand(kIdCancel);
}

void SessionWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void SessionWindow::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  if (!context_.tray || !context_.tray->IsEnabled()) return;
  // Minimised with a tray icon: the window leaves the task bar for the tray.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  QMetaObject::invokeMethod(this, [this] { hide(); }, Qt::QueuedConnection);
  context_.tray->SetMenuDefaultItem(kTrayCommandShow, false);
}

void SessionWindow::reject() {}

}  // namespace ui

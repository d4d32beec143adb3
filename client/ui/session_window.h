#pragma once
// SessionWindow: the frame that hosts the four wizard pages one after the
// other (start, download, download complete, update). It sizes itself to
// each page's skin rectangle, decides whether a page is shown, skipped or
// run hidden, and moves on when the page reports that it is done (0 go on,
// 1 stop the update). Quiet sessions keep it hidden, optionally in the tray;
// it animates its icon while the download page is up.

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

#include "client/ui/page_context.h"
#include "client/ui/wizard_page.h"

class QTimer;

namespace transfer {
class PageStage;
}

namespace ui {

/// What the session window needs beyond the pages' context.
struct SessionWindowSetup {
  /// Session operation mode: 0 manual (pages 0 and 2 wait for the user), 1 automatic.
  int opMode = 0;
  /// Sets the session show type (the tray's show command makes it 0).
  std::function<void(int)> setShowType;
  /// The stages of the download and update pages (not owned; they outlive
  /// the window). Null: the page says that the stage is not available in
  /// this client and the update stops there.
  transfer::PageStage* downloadStage = nullptr;
  transfer::PageStage* updateStage = nullptr;
  /// Pause between the preview animation's steps (250 ms in a run).
  int previewStepMs = 250;
  /// Delay before page 0 opens (500 ms in a run).
  int startDelayMs = 500;
};

class SessionWindow : public QDialog {
  Q_OBJECT

 public:
  /// context must outlive the window; the window fills its session hooks
  /// (showSessionWindow, setSessionClosable).
  SessionWindow(PageContext& context, SessionWindowSetup setup, QWidget* parent = nullptr);
  ~SessionWindow() override;

  /// Runs until the last page is done or a page stops the update; 0 when it
  /// ended by cancel, 1 otherwise. Shown only when the session is visible.
  int Run();

  /// The page being run: 0 to 3, -1 while waiting for the first one.
  int CurrentPage() const { return current_; }
  /// The page window now up; null between pages and for skipped pages.
  WizardPage* Page() const { return page_; }
  /// The icon frames of the tray and of this window.
  const QList<QIcon>& Frames() const { return frames_; }
  int IconFrame() const { return iconFrame_; }
  bool IconAnimating() const;
  bool Closable() const { return closable_; }

  /// The tray's menu commands: show the window, or the exit item, which is
  /// the current page's Cancel.
  void TrayCommand(int command);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void reject() override;

 private:
  void OpenPage(int k);
  void PlacePage(WizardPage* page);
  void PostPageDone(int serial, int wParam);
  void OnPageDone(int serial, int wParam);
  void End(int result);
  void StepIcon();
  void BringBack();
  bool PageVisible(int k) const;

  PageContext& context_;
  SessionWindowSetup setup_;
  QList<QIcon> frames_;
  int iconFrame_ = 0;
  QTimer* startTimer_ = nullptr;  // timer 1: opens page 0 once
  QTimer* iconTimer_ = nullptr;   // timer 2: icon animation while downloading
  int current_ = -1;
  // Each opened (or skipped) page gets a serial; a page-done message of an
  // earlier page, such as a second click that was queued behind the first,
  // is dropped instead of moving the session on twice.
  int serial_ = 0;
  QPointer<WizardPage> page_;
  bool closable_ = true;
  bool ended_ = false;
  int result_ = 1;
  // The stages used when the setup names none.
  std::unique_ptr<transfer::PageStage> noDownload_;
  std::unique_ptr<transfer::PageStage> noUpdate_;
};

}  // namespace ui

#include "client/ui/system_tray.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTextDocument>
#include <QThread>
#include <QWidget>

#include "client/ui/icon_animation.h"
#include "client/ui/qt_convert.h"
#include "common/gbk.h"

namespace ui {

std::string CutTooltip(std::string_view gbk, size_t maxBytes) {
  size_t end = 0;
  while (end < gbk.size()) {
    const size_t len = common::GbkCharLength(gbk, end);
    if (end + len > maxBytes) break;
    end += len;
  }
  return std::string(gbk.substr(0, end));
}

CSystemTray::CSystemTray(QObject* parent) : QObject(parent) {
  animation_ = new IconAnimation([this](const QIcon& icon) { SetIcon(icon); }, this);
}

CSystemTray::~CSystemTray() { delete menu_; }

bool CSystemTray::Create(QWidget* parent, std::string_view gbkTooltip, const QIcon& icon, int,
                         bool hidden) {
  // No notification area (a bare X server, the offscreen platform): the
  // client runs on without a tray icon.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  enabled_ = true;
  target_ = parent;
  icon_ = icon;
  tooltip_ = CutTooltip(gbkTooltip);
  tray_ = new QSystemTrayIcon(icon_, this);
  ApplyTooltip();

  menu_ = new QMenu;
  QAction* show = menu_->addAction(QStringLiteral("显示主窗口(&S)"));
  menu_->addSeparator();
  QAction* exit = menu_->addAction(QStringLiteral("退出(&X)"));
  show->setData(kTrayCommandShow);
  exit->setData(kTrayCommandExit);
  connect(show, &QAction::triggered, this, [this] {
    RaiseTarget();
    emit MenuCommand(kTrayCommandShow);
  });
  connect(exit, &QAction::triggered, this, [this] { emit MenuCommand(kTrayCommandExit); });
  SetMenuDefaultItem(kTrayCommandShow, false);
  tray_->setContextMenu(menu_);
  connect(tray_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason != QSystemTrayIcon::Trigger) return;
            RaiseTarget();
            emit MenuCommand(defaultItem_);
          });
  if (hidden) {
    hidden_ = true;
  } else {
    ShowIcon();
  }
  return true;
}

bool CSystemTray::ShowIcon() {
  if (!enabled_) return false;
  tray_->show();
  hidden_ = false;
  return true;
}

bool CSystemTray::HideIcon() {
  if (!enabled_) return false;
  tray_->hide();
  hidden_ = true;
  return true;
}

bool CSystemTray::SetIcon(const QIcon& icon) {
  if (!enabled_) return false;
  icon_ = icon;
  tray_->setIcon(icon);
  return true;
}

bool CSystemTray::SetTooltipText(std::string_view gbk) {
  if (!enabled_) return false;
  std::string cut = CutTooltip(gbk);
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(
        this,
        [this, cut] {
          tooltip_ = cut;
          ApplyTooltip();
        },
        Qt::QueuedConnection);
    return true;
  }
  tooltip_ = cut;
  ApplyTooltip();
  return true;
}

void CSystemTray::ApplyTooltip() {
  if (!tray_) return;
  // The tooltip is the skin's title: a text that looks like HTML would be
  // rendered as such, so it is escaped and shown as written.
  QString tip = ToQString(tooltip_);
  if (Qt::mightBeRichText(tip)) tip = QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() + "</p>";
  tray_->setToolTip(tip);
}

bool CSystemTray::SetIconList(const QList<QIcon>& icons) {
  if (!enabled_ || icons.isEmpty()) return false;
  animation_->SetFrames(icons.mid(0, 10));
  return true;
}

bool CSystemTray::Animate(int stepMs, int durationSec) {
  if (!enabled_) return false;
  return animation_->Start(stepMs, durationSec, icon_);
}

void CSystemTray::StopAnimation() {
  if (enabled_) animation_->Stop();
}

bool CSystemTray::IsAnimating() const { return animation_->IsRunning(); }

void CSystemTray::SetMenuDefaultItem(int item, bool byPosition) {
  if (!menu_) return;
  const QList<QAction*> actions = menu_->actions();
  QAction* chosen = nullptr;
  if (byPosition) {
    if (item >= 0 && item < actions.size()) chosen = actions[item];
  } else {
    for (QAction* a : actions) {
      if (a->data().toInt() == item) chosen = a;
    }
  }
  if (!chosen || chosen->isSeparator()) return;
  defaultItem_ = chosen->data().toInt();
  menu_->setDefaultAction(chosen);
}

void CSystemTray::SetTargetWnd(QWidget* target) { target_ = target; }

void CSystemTray::RaiseTarget() {
  if (!target_) return;
  QWidget* top = target_->window();
  top->show();
  top->raise();
  top->activateWindow();
}

}  // namespace ui

#pragma once
// CSystemTray: the client's icon in the notification area. It carries the
// tooltip the stages keep up to date, animates through the icon strip while
// files download, offers "显示主窗口(&S)" and "退出(&X)" on a right click and
// shows the client's window on a left click. Where the desktop has no
// notification area the object stays disabled: every call does nothing and
// reports failure, and the run goes on without a tray icon.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <string>
#include <string_view>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace ui {

class IconAnimation;

inline constexpr int kTrayCommandShow = 32771;  // "显示主窗口(&S)"
inline constexpr int kTrayCommandExit = 1020;   // "退出(&X)": the pages' Cancel
inline constexpr int kTrayMaxTooltipBytes = 127;

/// The tooltip as the shell takes it: at most maxBytes of GBK, never ending
/// in half a double-byte character.
std::string CutTooltip(std::string_view gbk, size_t maxBytes = kTrayMaxTooltipBytes);

class CSystemTray : public QObject {
  Q_OBJECT

 public:
  explicit CSystemTray(QObject* parent = nullptr);
  ~CSystemTray() override;

  /// Makes the icon (shown unless hidden); false when no tray is available.
  bool Create(QWidget* parent, std::string_view gbkTooltip, const QIcon& icon, int id,
              bool hidden);
  bool IsEnabled() const { return enabled_; }
  bool IsHidden() const { return hidden_; }
  bool ShowIcon();
  bool HideIcon();
  bool SetIcon(const QIcon& icon);
  QIcon Icon() const { return icon_; }
  /// Thread-safe: a worker's call is carried over to the tray's thread.
  bool SetTooltipText(std::string_view gbk);
  std::string TooltipText() const { return tooltip_; }
  /// Animation frames; false (frames kept) for an empty list.
  bool SetIconList(const QList<QIcon>& icons);
  /// False when there are no frames or no tray.
  bool Animate(int stepMs, int durationSec);
  void StopAnimation();
  bool IsAnimating() const;
  void SetMenuDefaultItem(int item, bool byPosition);
  /// Window brought to the front on a left click and by the menu.
  void SetTargetWnd(QWidget* target);

 signals:
  /// A menu command for the target window: kTrayCommandShow or kTrayCommandExit.
  void MenuCommand(int command);

 private:
  void ApplyTooltip();
  void RaiseTarget();

  bool enabled_ = false;
  bool hidden_ = true;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* menu_ = nullptr;
  IconAnimation* animation_ = nullptr;
  QIcon icon_;
  std::string tooltip_;
  QPointer<QWidget> target_;
  int defaultItem_ = kTrayCommandShow;
};

}  // namespace ui

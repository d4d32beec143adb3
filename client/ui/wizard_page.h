#pragma once
// WizardPage: what the four wizard pages share. It builds the four skinned
// labels and the Cancel button from the page template, applies the page's
// skin in a fixed order, paints the background (page colour, then the two
// pictures with pure white left transparent), writes progress text to the
// status line and details box, and asks the user through the run's message
// boxes. Each page ends by emitting PageDone, the page-done message the
// session window waits for (0 go on, 1 stop the update).

#include <QImage>
#include <QWidget>
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "client/session/prompter.h"
#include "client/session/window_messages.h"
#include "client/ui/page_context.h"
#include "formats/skin_description.h"

class QPushButton;

namespace ui {

class ColorEdit;
class SkinLabel;

// Control ids shared by the four page templates (also their objectName).
inline constexpr int kIdNext = 1;
inline constexpr int kIdProgress0 = 1000;
inline constexpr int kIdProgress1 = 1001;
inline constexpr int kIdLabel0 = 1005;
inline constexpr int kIdLabel3 = 1006;
inline constexpr int kIdLabel1 = 1013;
inline constexpr int kIdLabel2 = 1014;
inline constexpr int kIdList = 1015;
inline constexpr int kIdPause = 1018;
inline constexpr int kIdCancel = 1020;
inline constexpr int kIdDetails = 1023;
inline constexpr int kIdStatus0 = 1025;
inline constexpr int kIdStatus1 = 1026;

/// Details box background of the download and update pages (RGB 250, 250, 250).
inline constexpr formats::ColorRef kDetailsBackground = 16448250;

/// The template font of every page: a CJK face at 10 points.
QFont TemplateFont();

/// The list text of a dir item: "<" + last component of its first URL + ">".
std::string DirItemListText(std::string_view firstUrl);

class WizardPage : public QWidget {
  Q_OBJECT

 public:
  /// texts: the template texts of labels 0 to 3 (1005, 1013, 1014, 1006).
  WizardPage(int pageIndex, PageContext& context, const std::array<QString, 4>& texts,
             QWidget* parent);
  ~WizardPage() override;

  int PageIndex() const { return pageIndex_; }
  const formats::PageSkin& Skin() const;
  PageContext& Context() { return context_; }

  SkinLabel* Label(int n) const { return labels_[n]; }
  /// Button 0 (Next, Pause, or null on the update page) and button 1 (Cancel).
  QPushButton* Button(int n) const { return buttons_[n]; }
  /// The loaded picture n, already fitted to its rectangle; null when not loaded.
  const QImage& Picture(int n) const { return pictures_[n]; }

  /// Progress text: the log, then ShowMessage.
  void AddMessage(std::string_view gbkText);
  /// Status line 0 and a new line in the details box, which then scrolls so
  /// its last line stays visible (no log line).
  void ShowMessage(std::string_view gbkText);
  /// The run's boxes, through its prompter (real boxes when the context
  /// names none). Boxes appear without an owner, always on top.
  session::BoxAnswer Ask(const session::BoxRequest& request);
  /// Information box ("\n" + text + "\n") while the show type lets boxes appear.
  void Notice(std::string_view gbkText);
  /// Warning box with Retry and Cancel; false at once while boxes are kept away.
  bool AskRetry(std::string_view gbkText);
  /// "你想取消这次升级吗？" with Yes and No, whatever the show type.
  bool ConfirmCancel();

  /// A command by control id: 1 / 1018 as button 0, 1020 as Cancel (also
  /// what the tray's exit item sends).
  void HandleCommand(int id);

 signals:
  /// The page-done message: 0 go on, 1 stop the update.
  void PageDone(int wParam);

 protected:
  /// Queues a private page message to this page.
  void PostToSelf(int message, int wParam = 0);
  /// Queues PageDone(wParam).
  void PostPageDone(int wParam);
  virtual void HandleMessage(int message, int wParam);
  virtual void OnButton0() {}
  virtual void OnCancel() {}
  /// Lines to scroll the details box by once it holds more than it shows.
  virtual int DetailsScrollLines(int lineCount, int visibleLines) const;

  /// Adds a page-specific control positioned and shown by the skin element.
  void AddExtra(QWidget* control, const formats::ExtraSkin& skin);
  void SetStatusLine(SkinLabel* line) { statusLine_ = line; }
  void SetDetailsBox(ColorEdit* box) { details_ = box; }
  void SetButton0(QPushButton* button) { buttons_[0] = button; }
  /// The skin application steps every page runs at creation, in order.
  void ApplySkin();
  /// Button step of ApplySkin; the update page has its own rule.
  virtual void ApplyButtonSkins();

  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

  QPushButton* MakeButton(int id, const QString& text, const QRect& place);

 private:
  void LoadPictures();
  void ApplyLabelSkin(SkinLabel* label, const formats::LabelSkin& skin);
  session::Prompter& Prompts();

  int pageIndex_;
  PageContext& context_;
  std::array<SkinLabel*, 4> labels_{};
  std::array<QPushButton*, 2> buttons_{};
  std::array<QImage, 2> pictures_;
  std::vector<std::pair<QWidget*, formats::ExtraSkin>> extras_;
  SkinLabel* statusLine_ = nullptr;
  ColorEdit* details_ = nullptr;
};

}  // namespace ui

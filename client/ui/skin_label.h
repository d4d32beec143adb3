#pragma once
// SkinLabel: the wizard pages' static text. It can be transparent over the
// page's painted background, coloured, set in any font, and turned into a
// link that changes colour and font under the mouse and opens its address
// in the desktop's URL handler when clicked.

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace ui {

class SkinLabel : public QWidget {
  Q_OBJECT

 public:
  explicit SkinLabel(const QString& text, QWidget* parent = nullptr);

  void SetTransparent(bool on);
  bool IsTransparent() const { return transparent_; }
  /// Text colour in plain mode.
  void SetTextColor(const QColor& colour);
  /// New text; a transparent label has the parent repaint the area under it
  /// so the old text leaves no trace.
  void SetText(const QString& text);
  const QString& Text() const { return text_; }
  /// Link mode: stores the address and the text.
  void SetLink(const QString& text, const QString& url);
  const QString& Url() const { return url_; }
  /// Display font from the control's template font: face, height and weight
  /// are changed only when given (non-empty, > 0); italic and underline as given.
  void SetFontSpec(const QString& face, int height, int weight, bool italic, bool underline,
                   bool redraw = true);
  /// Link fonts at rest and under the mouse, from the current font with the
  /// remembered height, weight and italic flag; shows the font at rest.
  void SetLinkColours(const QColor& normal, bool normalUnderline, const QColor& hover,
                      bool hoverUnderline);
  /// Drops the link fonts: link behaviour off.
  void ResetLinkFonts();

  bool HasLinkFonts() const { return linkFonts_; }
  bool IsHovering() const { return hovering_; }
  /// Colour and font the text is drawn with now.
  QColor CurrentColor() const;
  QFont CurrentFont() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void SetHover(bool on);
  void Redraw();

  QString text_;
  QString url_;
  QColor textColor_;
  QColor backColor_;
  bool transparent_ = false;
  bool linkFonts_ = false;
  QColor linkNormal_;
  QColor linkHover_;
  QFont fontNormal_;
  QFont fontHover_;
  QFont displayFont_;
  int lastHeight_ = 0;
  int lastWeight_ = 0;
  bool lastItalic_ = false;
  bool hovering_ = false;
};

}  // namespace ui

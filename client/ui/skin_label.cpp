#include "client/ui/skin_label.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <algorithm>

namespace ui {
namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QFont::Weight ClampWeight(int weight) {
  return static_cast<QFont::Weight>(weight < 1 ? 1 : (weight > 1000 ? 1000 : weight));
}

// The skin gives the font's cell height (ascent plus descent), where Qt's
// pixel size is the em height: shrink until the cell fits the height asked.
void SetCellHeight(QFont& font, int height) {
  font.setPixelSize(height);
  const int cell = QFontMetrics(font).height();
  if (cell > height) font.setPixelSize(std::max(1, height * height / cell));
}

}  // namespace

SkinLabel::SkinLabel(const QString& text, QWidget* parent)
    : QWidget(parent),
      text_(text),
      textColor_(palette().color(QPalette::WindowText)),
      backColor_(palette().color(QPalette::Button)) {
  displayFont_ = font();
}

void SkinLabel::SetTransparent(bool on) {
  transparent_ = on;
  Redraw();
}

void SkinLabel::SetTextColor(const QColor& colour) {
  textColor_ = colour;
  update();
}

void SkinLabel::SetText(const QString& text) {
  text_ = text;
  Redraw();
}

void SkinLabel::SetLink(const QString& text, const QString& url) {
  url_ = url;
  SetText(text);
}

void SkinLabel::SetFontSpec(const QString& face, int height, int weight, bool italic,
                            bool underline, bool redraw) {
  QFont f = font();
  if (!face.isEmpty()) f.setFamily(face);
  if (height > 0) SetCellHeight(f, height);
  if (weight > 0) f.setWeight(ClampWeight(weight));
  f.setItalic(italic);
  f.setUnderline(underline);
  displayFont_ = f;
  lastHeight_ = height;
  lastWeight_ = weight;
  lastItalic_ = italic;
  if (redraw) Redraw();
}

void SkinLabel::SetLinkColours(const QColor& normal, bool normalUnderline, const QColor& hover,
                               bool hoverUnderline) {
  QFont base = displayFont_;
  if (lastHeight_ > 0) SetCellHeight(base, lastHeight_);
  if (lastWeight_ > 0) base.setWeight(ClampWeight(lastWeight_));
  base.setItalic(lastItalic_);
  fontNormal_ = base;
  fontNormal_.setUnderline(normalUnderline);
  fontHover_ = base;
  fontHover_.setUnderline(hoverUnderline);
  linkNormal_ = normal;
  linkHover_ = hover;
  linkFonts_ = true;
  hovering_ = false;
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  Redraw();
}

void SkinLabel::ResetLinkFonts() {
  linkFonts_ = false;
  hovering_ = false;
  setMouseTracking(false);
  unsetCursor();
  Redraw();
}

QColor SkinLabel::CurrentColor() const {
  if (!linkFonts_) return textColor_;
  return hovering_ ? linkHover_ : linkNormal_;
}

QFont SkinLabel::CurrentFont() const {
  if (!linkFonts_) return displayFont_;
  return hovering_ ? fontHover_ : fontNormal_;
}

QSize SkinLabel::sizeHint() const {
  return QFontMetrics(CurrentFont()).size(0, text_) + QSize(2, 2);
}

void SkinLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!transparent_) p.fillRect(rect(), backColor_);
  p.setFont(CurrentFont());
  p.setPen(CurrentColor());
  p.drawText(rect(), kTextFlags, text_);
}

void SkinLabel::mouseMoveEvent(QMouseEvent* event) {
  if (!linkFonts_) return;
  const bool inside = rect().contains(event->position().toPoint());
  if (inside != hovering_) SetHover(inside);
}

void SkinLabel::leaveEvent(QEvent*) {
  if (hovering_) SetHover(false);
}

void SkinLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !linkFonts_ || url_.isEmpty()) return;
  SetHover(false);
  // The result is not looked at: a missing handler simply opens nothing.
  QDesktopServices::openUrl(QUrl::fromUserInput(url_));
}

void SkinLabel::SetHover(bool on) {
  hovering_ = on;
  Redraw();
}

void SkinLabel::Redraw() {
  // A transparent label has no background of its own: the parent must
  // repaint what lies under it, or the previous text would stay visible.
  if (transparent_ && parentWidget()) {
    parentWidget()->update(geometry());
  } else {
    update();
  }
}

}  // namespace ui

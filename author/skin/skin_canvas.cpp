#include "author/skin/skin_canvas.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionProgressBar>
#include <algorithm>

#include "author/qt_text.h"
#include "author/skin/skin_editor.h"
#include "codecs/picture_reader.h"
#include "common/gbk.h"

namespace author {

using formats::DesignElement;

namespace {

QColor FromColorRef(formats::ColorRef c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The pages' template font (the client uses the same face at 10 points).
QFont TemplateFont() {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPointSize(10);
  return font;
}

// The pages show a picture with its pure white pixels left out.
QImage ToImage(const codecs::Bitmap& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
  for (int y = 0; y < bitmap.height; ++y) {
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < bitmap.width; ++x) {
      uint32_t p = bitmap.At(x, y) | 0xFF000000u;  // the page draws the picture opaque
      line[x] = p == 0xFFFFFFFFu ? 0u : p;
    }
  }
  return image;
}

void DrawList(QPainter& p, const QRect& r, int window) {
  p.fillRect(r, Qt::white);
  p.setPen(QColor(160, 160, 160));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  const QStringList columns = window == 1 ? QStringList{Tr("文件（夹）"), Tr("进度"), Tr("速度")}
                                          : QStringList{Tr("文件（夹）"), Tr("最新版本"), Tr("描述")};
  const int header = std::min(20, r.height());
  const QRect head(r.left() + 1, r.top() + 1, r.width() - 2, header - 1);
  p.fillRect(head, QColor(240, 240, 240));
  // The download list splits 10:6:5, the start list in thirds.
  const int parts[2][3] = {{1, 1, 1}, {10, 6, 5}};
  const int* share = parts[window == 1 ? 1 : 0];
  const int total = share[0] + share[1] + share[2];
  int x = head.left();
  for (int c = 0; c < 3; ++c) {
    const int w = c == 2 ? head.right() - x + 1 : head.width() * share[c] / total;
    p.setPen(QColor(160, 160, 160));
    if (c > 0) p.drawLine(x, head.top(), x, head.bottom());
    p.setPen(Qt::black);
    p.drawText(QRect(x, head.top(), w, head.height()), Qt::AlignCenter, columns[c]);
    x += w;
  }
  p.setPen(QColor(160, 160, 160));
  p.drawLine(head.left(), head.bottom(), head.right(), head.bottom());
}

void DrawBar(QPainter& p, const QRect& r, QWidget* widget, int percent) {
  QStyleOptionProgressBar option;
  option.initFrom(widget);
  option.rect = r;
  option.minimum = 0;
  option.maximum = 100;
  option.progress = percent;
  option.state |= QStyle::State_Horizontal;
  widget->style()->drawControl(QStyle::CE_ProgressBar, &option, &p, widget);
}

void DrawButton(QPainter& p, const QRect& r, const QString& caption, QWidget* widget) {
  QStyleOptionButton option;
  option.initFrom(widget);
  option.rect = r;
  option.text = caption;
  option.state = QStyle::State_Enabled | QStyle::State_Raised;
  widget->style()->drawControl(QStyle::CE_PushButton, &option, &p, widget);
}

}  // namespace

QFont SkinTextFont(const DesignElement& text, bool underline) {
  QFont font = TemplateFont();
  if (text.fontSize > 0) {
    // The skin gives the cell height (ascent plus descent).
    font.setPixelSize(text.fontSize);
    const int cell = QFontMetrics(font).height();
    if (cell > text.fontSize) font.setPixelSize(std::max(1, text.fontSize * text.fontSize / cell));
  }
  if (text.fontWeight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(text.fontWeight, 1, 1000)));
  font.setItalic(text.fontItalic != 0);
  font.setUnderline(underline);
  return font;
}

SkinCanvas::SkinCanvas(SkinEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
  setObjectName("skinCanvas");
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setFont(TemplateFont());
  connect(&editor_, &SkinEditor::Repaint, this, [this] {
    updateGeometry();
    update();
  });
}

QSize SkinCanvas::sizeHint() const {
  const auto& r = editor_.Window().rect;
  return QSize(std::max(r.Width(), 100) + 2 * kOrigin, std::max(r.Height(), 100) + 2 * kOrigin);
}

const QImage& SkinCanvas::Picture(const std::string& path) {
  auto it = pictures_.find(path);
  if (it == pictures_.end()) {
    auto bitmap = codecs::ReadPictureFile(common::NativePath(path));
    it = pictures_.emplace(path, bitmap ? ToImage(*bitmap) : QImage()).first;
  }
  return it->second;
}

void SkinCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Mid));
  p.translate(kOrigin, kOrigin);
  const int n = editor_.CurrentWindow();
  const formats::DesignWindow& window = editor_.Window();
  const QRect page = ToQRect(window.rect);
  p.fillRect(page, FromColorRef(window.clrbk));
  p.setClipRect(page);

  auto visible = [&](int e) { return window.elements[e].exists && window.elements[e].show; };
  for (int e : {formats::kPicture0, formats::kPicture1}) {
    const DesignElement& picture = window.elements[e];
    if (!visible(e) || picture.picture.empty()) continue;
    const QImage& image = Picture(picture.picture);
    if (!image.isNull()) p.drawImage(ToQRect(picture.rect), image);
  }
  if (visible(formats::kList)) DrawList(p, ToQRect(window.elements[formats::kList].rect), n);
  if (visible(formats::kStatusBox)) {
    const QRect r = ToQRect(window.elements[formats::kStatusBox].rect);
    p.fillRect(r, QColor(250, 250, 250));
    p.setPen(QColor(160, 160, 160));
    p.drawRect(r.adjusted(0, 0, -1, -1));
  }
  if (visible(formats::kProgressBar)) DrawBar(p, ToQRect(window.elements[formats::kProgressBar].rect), this, 60);
  if (visible(formats::kTotalProgressBar)) {
    DrawBar(p, ToQRect(window.elements[formats::kTotalProgressBar].rect), this, 35);
  }
  p.setFont(font());
  for (int e : {formats::kStatusBar, formats::kSpeedText}) {
    if (!visible(e)) continue;
    p.setPen(QColor(90, 90, 90));
    p.drawText(ToQRect(window.elements[e].rect), Qt::AlignLeft | Qt::AlignVCenter, Tr(formats::CheckCaptionOf(e)));
  }
  for (int e : {formats::kButton0, formats::kButton1}) {
    if (visible(e)) DrawButton(p, ToQRect(window.elements[e].rect), ToQt(window.elements[e].text), this);
  }
  for (int e = formats::kText0; e <= formats::kText3; ++e) {
    if (!visible(e)) continue;
    const DesignElement& text = window.elements[e];
    const bool link = !text.url.empty();
    p.setFont(SkinTextFont(text, link ? text.norUnderline != 0 : text.fontUnderline != 0));
    p.setPen(FromColorRef(link ? text.clrNormal : text.clrText));
    p.drawText(ToQRect(text.rect), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, ToQt(text.text));
  }
  p.setClipping(false);

  if (!window.show) {
    // A hidden window stays editable; a veil says the client skips it.
    p.fillRect(page, QBrush(QColor(0, 0, 0, 60), Qt::BDiagPattern));
  }
  for (int e : editor_.Selection()) {
    const formats::SkinRect r = editor_.RectOf(e);
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(ToQRect(r).adjusted(0, 0, -1, -1));
    p.setPen(Qt::black);
    p.setBrush(e == editor_.Reference() ? QColor(0, 0, 160) : QColor(255, 255, 255));
    for (int h = 0; h < kHandleCount; ++h) {
      if (e == kBackground && h != kRight && h != kBottomRight && h != kBottom) continue;
      p.drawRect(SkinEditor::HandleRect(r, h).adjusted(0, 0, -1, -1));
    }
  }
}

void SkinCanvas::UpdateCursor(QPoint w) {
  if (!editor_.Editable()) {
    unsetCursor();
    return;
  }
  for (int e : editor_.Selection()) {
    switch (editor_.HandleAt(e, w)) {
      case kTopLeft: case kBottomRight: setCursor(Qt::SizeFDiagCursor); return;
      case kTopRight: case kBottomLeft: setCursor(Qt::SizeBDiagCursor); return;
      case kTop: case kBottom: setCursor(Qt::SizeVerCursor); return;
      case kLeft: case kRight: setCursor(Qt::SizeHorCursor); return;
      default: break;
    }
  }
  const int hit = editor_.HitTest(w);
  if (hit >= 0 && hit != kBackground) {
    setCursor(Qt::SizeAllCursor);
  } else {
    unsetCursor();
  }
}

void SkinCanvas::mousePressEvent(QMouseEvent* event) {
  const QPoint w = ToWindow(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    editor_.Press(w, event->modifiers() & Qt::ControlModifier);
  } else if (event->button() == Qt::RightButton) {
    editor_.UndoLastGesture();
  }
}

void SkinCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint w = ToWindow(event->position().toPoint());
  if ((event->buttons() & Qt::LeftButton) && editor_.Dragging()) {
    editor_.DragTo(w);
  } else {
    UpdateCursor(w);
  }
}

void SkinCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) editor_.Release();
}

void SkinCanvas::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Undo)) {
    editor_.Undo();
    return;
  }
  if (event->matches(QKeySequence::Redo) ||
      (event->key() == Qt::Key_Y && (event->modifiers() & Qt::ControlModifier))) {
    editor_.Redo();
    return;
  }
  const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
  switch (event->key()) {
    case Qt::Key_Left: editor_.Nudge(-step, 0); return;
    case Qt::Key_Right: editor_.Nudge(step, 0); return;
    case Qt::Key_Up: editor_.Nudge(0, -step); return;
    case Qt::Key_Down: editor_.Nudge(0, step); return;
    default: QWidget::keyPressEvent(event);
  }
}

}  // namespace author

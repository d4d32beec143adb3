#include "client/ui/color_edit.h"

#include <QScrollBar>
#include <QTextBlock>

namespace ui {

ColorEdit::ColorEdit(QWidget* parent) : QPlainTextEdit(parent) {
  background_ = palette().color(QPalette::Base);
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  ApplyColours();
}

void ColorEdit::SetBackground(const QColor& colour) {
  background_ = colour;
  ApplyColours();
  viewport()->update();
}

void ColorEdit::ApplyColours() {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, background_);
  pal.setColor(QPalette::Text, textColor_);
  setPalette(pal);
}

void ColorEdit::AppendLine(const QString& text) {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text + QLatin1Char('\n'));
  setTextCursor(cursor);
}

void ColorEdit::ScrollLines(int lines) {
  // A plain text edit scrolls by whole lines: one scroll step is one line.
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + lines);
}

int ColorEdit::LineCount() const { return document()->blockCount(); }

int ColorEdit::FirstVisibleLine() const { return verticalScrollBar()->value(); }

int ColorEdit::LastVisibleLine() const {
  QTextBlock block = firstVisibleBlock();
  const int bottom = viewport()->height();
  int last = block.isValid() ? block.blockNumber() : 0;
  while (block.isValid()) {
    QRectF r = blockBoundingGeometry(block).translated(contentOffset());
    if (r.top() >= bottom) break;
    last = block.blockNumber();
    block = block.next();
  }
  return last;
}

}  // namespace ui

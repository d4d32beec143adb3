#pragma once
// ColorEdit: the pages' read-only details box, with its own background
// colour and black text.

#include <QColor>
#include <QPlainTextEdit>

namespace ui {

class ColorEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ColorEdit(QWidget* parent = nullptr);

  /// New background colour; the box repaints.
  void SetBackground(const QColor& colour);
  QColor Background() const { return background_; }
  QColor TextColor() const { return textColor_; }

  /// Puts text + line end at the end of the box (caret moved there first).
  void AppendLine(const QString& text);
  /// Scrolls the view down by lines (negative: up).
  void ScrollLines(int lines);
  /// Number of lines the box holds (an unfinished last line counts).
  int LineCount() const;
  /// First and last line wholly or partly visible now (0-based).
  int FirstVisibleLine() const;
  int LastVisibleLine() const;

 private:
  void ApplyColours();

  QColor textColor_{0, 0, 0};
  QColor background_;
};

}  // namespace ui

#pragma once
// SkinCanvas: the design canvas of the skin designer. It draws the current
// window the way the client's page will look (background colour, pictures
// with white transparent, texts in their fonts and colours, buttons with
// their captions, the list with its columns, bars and boxes) and turns
// mouse and key input into SkinEditor calls: select, Ctrl-select, move,
// resize by the grab handles, right-click undo, arrow keys, Ctrl+Z / Ctrl+Y.

#include <QImage>
#include <QWidget>
#include <map>
#include <string>

#include "formats/skin_design.h"

namespace author {

class SkinEditor;

class SkinCanvas : public QWidget {
  Q_OBJECT

 public:
  /// Where the window's top-left corner sits on the canvas.
  static constexpr int kOrigin = 8;

  explicit SkinCanvas(SkinEditor& editor, QWidget* parent = nullptr);

  /// Forgets decoded pictures (a picture file may have changed).
  void ForgetPictures() { pictures_.clear(); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPoint ToWindow(QPoint canvasPoint) const { return canvasPoint - QPoint(kOrigin, kOrigin); }
  const QImage& Picture(const std::string& path);
  void UpdateCursor(QPoint windowPoint);

  SkinEditor& editor_;
  std::map<std::string, QImage> pictures_;
};

/// The client's font for a text of the design: its cell height, weight,
/// italic and underline over the pages' template font.
QFont SkinTextFont(const formats::DesignElement& text, bool underline);

}  // namespace author

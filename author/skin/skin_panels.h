#pragma once
// SkinPanels: the property panels of the skin designer, one shown at a time
// for the kind of the reference element: the text panel (text, link, font
// size, bold / italic / underline, text colour, normal and hover link
// underline and colour), the picture panel (file, transparent colour,
// "原始大小"), the button panel (caption) and the background panel
// (colour). "应用" writes into the selected elements of the current window,
// "应用到所有窗口" into the same element of all four windows.

#include <QPushButton>
#include <QWidget>

#include "formats/skin_design.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QStackedWidget;
class QToolButton;

namespace author {

class Dialogs;
class SkinEditor;

/// A button showing a colour; a click picks another one.
class ColorButton : public QPushButton {
  Q_OBJECT

 public:
  /// Picks through the tool's dialogs (tests script the answer).
  ColorButton(const char* objectName, Dialogs& dialogs, QWidget* parent = nullptr);
  formats::ColorRef Color() const { return color_; }
  void SetColor(formats::ColorRef color);

 private:
  formats::ColorRef color_ = 0;
};

class SkinPanels : public QWidget {
  Q_OBJECT

 public:
  SkinPanels(SkinEditor& editor, Dialogs& dialogs, QWidget* parent = nullptr);

  /// Fills the panel of the reference element's kind from it.
  void Refresh();

  // The panel operations (also the buttons' slots).
  void ApplyText();
  void ApplyTextToAll();
  void ApplyPicture();
  void ApplyPictureToAll();
  void ApplyButton();
  void ApplyBackground();
  void ApplyBackgroundToAll();
  void ChoosePicture();
  void OriginalSize();

 private:
  QWidget* MakeTextPanel();
  QWidget* MakePicturePanel();
  QWidget* MakeButtonPanel();
  QWidget* MakeBackgroundPanel();
  void ReadTextPanel(formats::DesignElement& e, bool withTexts) const;

  SkinEditor& editor_;
  Dialogs& dialogs_;
  QStackedWidget* stack_ = nullptr;

  QLineEdit* text_ = nullptr;
  QLineEdit* link_ = nullptr;
  QComboBox* fontSize_ = nullptr;
  QToolButton* bold_ = nullptr;
  QToolButton* italic_ = nullptr;
  QToolButton* underline_ = nullptr;
  ColorButton* textColor_ = nullptr;
  QCheckBox* normalUnderline_ = nullptr;
  ColorButton* normalColor_ = nullptr;
  QCheckBox* hoverUnderline_ = nullptr;
  ColorButton* hoverColor_ = nullptr;

  QLineEdit* pictureFile_ = nullptr;
  ColorButton* transparent_ = nullptr;

  QLineEdit* caption_ = nullptr;

  ColorButton* background_ = nullptr;
};

}  // namespace author

#include "author/skin/skin_panels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "author/dialogs.h"
#include "author/qt_text.h"
#include "author/skin/skin_editor.h"
#include "codecs/bmp_reader.h"
#include "codecs/gif_reader.h"
#include "codecs/jpeg_reader.h"
#include "codecs/picture_reader.h"
#include "common/gbk.h"

namespace author {

using formats::DesignElement;
using formats::ElementKind;
using formats::SkinDesign;

namespace {

enum PanelIndex { kNoPanel, kTextPanel, kPicturePanel, kButtonPanel, kBackgroundPanel };

constexpr int kFontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

QToolButton* Toggle(const char* label, const char* name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setText(QString::fromUtf8(label));
  b->setObjectName(name);
  b->setCheckable(true);
  b->setFixedWidth(28);
  return b;
}

QPushButton* Button(const char* label, const char* name, QWidget* parent) {
  auto* b = new QPushButton(Tr(label), parent);
  b->setObjectName(name);
  return b;
}

// The two panel buttons, under the fields.
QHBoxLayout* ApplyRow(QPushButton* apply, QPushButton* all) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(apply);
  if (all) row->addWidget(all);
  return row;
}

bool IsText(int e) { return e >= 0 && e < formats::kDesignElementCount && formats::KindOf(e) == ElementKind::Text; }
bool IsPicture(int e) {
  return e >= 0 && e < formats::kDesignElementCount && formats::KindOf(e) == ElementKind::Picture;
}

}  // namespace

ColorButton::ColorButton(const char* objectName, Dialogs& dialogs, QWidget* parent) : QPushButton(parent) {
  setObjectName(objectName);
  setFixedSize(40, 20);
  SetColor(0);
  connect(this, &QPushButton::clicked, this, [this, &dialogs] {
    if (const auto picked = dialogs.PickColor(color_)) SetColor(*picked);
  });
}

void ColorButton::SetColor(formats::ColorRef color) {
  color_ = color;
  const QColor c(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #606060;").arg(c.name()));
}

SkinPanels::SkinPanels(SkinEditor& editor, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), editor_(editor), dialogs_(dialogs) {
  setObjectName("skinPanels");
  stack_ = new QStackedWidget(this);
  auto* none = new QLabel(Tr("在画布上选择一个元素以编辑它的属性。"), this);
  none->setAlignment(Qt::AlignCenter);
  none->setWordWrap(true);
  stack_->addWidget(none);
  stack_->addWidget(MakeTextPanel());
  stack_->addWidget(MakePicturePanel());
  stack_->addWidget(MakeButtonPanel());
  stack_->addWidget(MakeBackgroundPanel());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(stack_);
  connect(&editor_, &SkinEditor::SelectionChanged, this, &SkinPanels::Refresh);
  Refresh();
}

QWidget* SkinPanels::MakeTextPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName("textPanel");
  text_ = new QLineEdit(panel);
  text_->setObjectName("panelText");
  link_ = new QLineEdit(panel);
  link_->setObjectName("panelLink");
  fontSize_ = new QComboBox(panel);
  fontSize_->setObjectName("fontSize");
  for (int size : kFontSizes) fontSize_->addItem(QString::number(size), size);
  bold_ = Toggle("B", "bold", panel);
  italic_ = Toggle("I", "italic", panel);
  underline_ = Toggle("U", "underline", panel);
  QFont f = bold_->font();
  f.setBold(true);
  bold_->setFont(f);
  f = italic_->font();
  f.setItalic(true);
  italic_->setFont(f);
  f = underline_->font();
  f.setUnderline(true);
  underline_->setFont(f);
  textColor_ = new ColorButton("textColor", dialogs_, panel);
  normalUnderline_ = new QCheckBox(Tr("下划线"), panel);
  normalUnderline_->setObjectName("normalUnderline");
  normalColor_ = new ColorButton("normalColor", dialogs_, panel);
  hoverUnderline_ = new QCheckBox(Tr("下划线"), panel);
  hoverUnderline_->setObjectName("hoverUnderline");
  hoverColor_ = new ColorButton("hoverColor", dialogs_, panel);
  auto* apply = Button("应用", "applyText", panel);
  auto* all = Button("应用到所有窗口", "applyTextAll", panel);
  connect(apply, &QPushButton::clicked, this, &SkinPanels::ApplyText);
  connect(all, &QPushButton::clicked, this, &SkinPanels::ApplyTextToAll);

  auto* grid = new QGridLayout(panel);
  grid->addWidget(new QLabel(Tr("文本："), panel), 0, 0);
  grid->addWidget(text_, 0, 1, 1, 5);
  grid->addWidget(new QLabel(Tr("链接："), panel), 1, 0);
  grid->addWidget(link_, 1, 1, 1, 5);
  grid->addWidget(new QLabel(Tr("字号："), panel), 2, 0);
  grid->addWidget(fontSize_, 2, 1);
  auto* styles = new QHBoxLayout;
  styles->addWidget(bold_);
  styles->addWidget(italic_);
  styles->addWidget(underline_);
  styles->addStretch();
  grid->addLayout(styles, 2, 2, 1, 2);
  grid->addWidget(new QLabel(Tr("颜色："), panel), 2, 4);
  grid->addWidget(textColor_, 2, 5);
  grid->addWidget(new QLabel(QStringLiteral("Normal:"), panel), 3, 0);
  grid->addWidget(normalUnderline_, 3, 1, 1, 2);
  grid->addWidget(new QLabel(Tr("颜色："), panel), 3, 4);
  grid->addWidget(normalColor_, 3, 5);
  grid->addWidget(new QLabel(QStringLiteral("Hover:"), panel), 4, 0);
  grid->addWidget(hoverUnderline_, 4, 1, 1, 2);
  grid->addWidget(new QLabel(Tr("颜色："), panel), 4, 4);
  grid->addWidget(hoverColor_, 4, 5);
  grid->addLayout(ApplyRow(apply, all), 5, 0, 1, 6);
  grid->setRowStretch(6, 1);
  return panel;
}

QWidget* SkinPanels::MakePicturePanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName("picturePanel");
  pictureFile_ = new QLineEdit(panel);
  pictureFile_->setObjectName("pictureFile");
  auto* choose = Button(">", "choosePicture", panel);
  choose->setFixedWidth(28);
  auto* original = Button("原始大小", "originalSize", panel);
  transparent_ = new ColorButton("transparentColor", dialogs_, panel);
  auto* apply = Button("应用", "applyPicture", panel);
  auto* all = Button("应用到所有窗口", "applyPictureAll", panel);
  connect(choose, &QPushButton::clicked, this, &SkinPanels::ChoosePicture);
  connect(original, &QPushButton::clicked, this, &SkinPanels::OriginalSize);
  connect(apply, &QPushButton::clicked, this, &SkinPanels::ApplyPicture);
  connect(all, &QPushButton::clicked, this, &SkinPanels::ApplyPictureToAll);
  auto* grid = new QGridLayout(panel);
  grid->addWidget(new QLabel(Tr("图像文件："), panel), 0, 0);
  grid->addWidget(pictureFile_, 0, 1);
  grid->addWidget(choose, 0, 2);
  grid->addWidget(new QLabel(Tr("透明色："), panel), 1, 0);
  auto* row = new QHBoxLayout;
  row->addWidget(transparent_);
  row->addStretch();
  row->addWidget(original);
  grid->addLayout(row, 1, 1, 1, 2);
  grid->addLayout(ApplyRow(apply, all), 2, 0, 1, 3);
  grid->setRowStretch(3, 1);
  return panel;
}

QWidget* SkinPanels::MakeButtonPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName("buttonPanel");
  caption_ = new QLineEdit(panel);
  caption_->setObjectName("buttonCaption");
  auto* apply = Button("应用", "applyButton", panel);
  connect(apply, &QPushButton::clicked, this, &SkinPanels::ApplyButton);
  auto* grid = new QGridLayout(panel);
  grid->addWidget(new QLabel(Tr("按钮文字："), panel), 0, 0);
  grid->addWidget(caption_, 0, 1);
  grid->addLayout(ApplyRow(apply, nullptr), 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  return panel;
}

QWidget* SkinPanels::MakeBackgroundPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName("backgroundPanel");
  background_ = new ColorButton("backgroundColor", dialogs_, panel);
  auto* apply = Button("应用", "applyBackground", panel);
  auto* all = Button("应用到所有窗口", "applyBackgroundAll", panel);
  connect(apply, &QPushButton::clicked, this, &SkinPanels::ApplyBackground);
  connect(all, &QPushButton::clicked, this, &SkinPanels::ApplyBackgroundToAll);
  auto* grid = new QGridLayout(panel);
  grid->addWidget(new QLabel(Tr("背景色："), panel), 0, 0);
  auto* row = new QHBoxLayout;
  row->addWidget(background_);
  row->addStretch();
  grid->addLayout(row, 0, 1);
  grid->addLayout(ApplyRow(apply, all), 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  return panel;
}

void SkinPanels::Refresh() {
  const int ref = editor_.Reference();
  const auto& window = editor_.Window();
  if (ref == kBackground) {
    background_->SetColor(window.clrbk);
    stack_->setCurrentIndex(kBackgroundPanel);
  } else if (IsText(ref)) {
    const DesignElement& e = window.elements[ref];
    text_->setText(ToQt(e.text));
    link_->setText(ToQt(e.url));
    const int index = fontSize_->findData(e.fontSize);
    fontSize_->setCurrentIndex(index >= 0 ? index : fontSize_->findData(14));
    bold_->setChecked(e.fontWeight >= 700);
    italic_->setChecked(e.fontItalic != 0);
    underline_->setChecked(e.fontUnderline != 0);
    textColor_->SetColor(e.clrText);
    normalUnderline_->setChecked(e.norUnderline != 0);
    normalColor_->SetColor(e.clrNormal);
    hoverUnderline_->setChecked(e.hovUnderline != 0);
    hoverColor_->SetColor(e.clrHover);
    stack_->setCurrentIndex(kTextPanel);
  } else if (IsPicture(ref)) {
    pictureFile_->setText(ToQt(window.elements[ref].picture));
    transparent_->SetColor(window.elements[ref].clrtp);
    stack_->setCurrentIndex(kPicturePanel);
  } else if (ref == formats::kButton0 || ref == formats::kButton1) {
    caption_->setText(ToQt(window.elements[ref].text));
    stack_->setCurrentIndex(kButtonPanel);
  } else {
    stack_->setCurrentIndex(kNoPanel);
  }
  setEnabled(editor_.Editable());
}

void SkinPanels::ReadTextPanel(DesignElement& e, bool withTexts) const {
  if (withTexts) {
    e.text = FromQt(text_->text());
    e.url = FromQt(link_->text());
  }
  e.fontSize = fontSize_->currentData().toInt();
  e.fontWeight = bold_->isChecked() ? 700 : 400;
  e.fontItalic = italic_->isChecked() ? 1 : 0;
  e.fontUnderline = underline_->isChecked() ? 1 : 0;
  e.clrText = textColor_->Color();
  e.norUnderline = normalUnderline_->isChecked() ? 1 : 0;
  e.clrNormal = normalColor_->Color();
  e.hovUnderline = hoverUnderline_->isChecked() ? 1 : 0;
  e.clrHover = hoverColor_->Color();
}

void SkinPanels::ApplyText() {
  const int n = editor_.CurrentWindow();
  const auto selection = editor_.Selection();
  editor_.Change([&](SkinDesign& d) {
    for (int e : selection) {
      if (IsText(e)) ReadTextPanel(d.windows[n].elements[e], true);
    }
  });
}

void SkinPanels::ApplyTextToAll() {
  const int ref = editor_.Reference();
  if (!IsText(ref)) return;
  const formats::SkinRect rect = editor_.Window().elements[ref].rect;
  editor_.Change([&](SkinDesign& d) {
    for (auto& window : d.windows) {
      DesignElement& e = window.elements[ref];
      ReadTextPanel(e, false);
      e.rect = rect;
      e.exists = true;
    }
  });
}

void SkinPanels::ApplyPicture() {
  const int n = editor_.CurrentWindow();
  const auto selection = editor_.Selection();
  const std::string file = FromQt(pictureFile_->text());
  const formats::ColorRef tp = transparent_->Color();
  editor_.Change([&](SkinDesign& d) {
    for (int e : selection) {
      if (!IsPicture(e)) continue;
      d.windows[n].elements[e].picture = file;
      d.windows[n].elements[e].clrtp = tp;
    }
  });
}

void SkinPanels::ApplyPictureToAll() {
  const int ref = editor_.Reference();
  if (!IsPicture(ref)) return;
  const formats::SkinRect rect = editor_.Window().elements[ref].rect;
  const std::string file = FromQt(pictureFile_->text());
  const formats::ColorRef tp = transparent_->Color();
  editor_.Change([&](SkinDesign& d) {
    for (auto& window : d.windows) {
      DesignElement& e = window.elements[ref];
      e.picture = file;
      e.clrtp = tp;
      e.rect = rect;
      e.exists = true;
    }
  });
}

void SkinPanels::ApplyButton() {
  const int n = editor_.CurrentWindow();
  const auto selection = editor_.Selection();
  const std::string caption = FromQt(caption_->text());
  editor_.Change([&](SkinDesign& d) {
    for (int e : selection) {
      if (e == formats::kButton0 || e == formats::kButton1) d.windows[n].elements[e].text = caption;
    }
  });
}

void SkinPanels::ApplyBackground() {
  const int n = editor_.CurrentWindow();
  const formats::ColorRef color = background_->Color();
  editor_.Change([&](SkinDesign& d) { d.windows[n].clrbk = color; });
}

void SkinPanels::ApplyBackgroundToAll() {
  const formats::ColorRef color = background_->Color();
  const formats::SkinRect rect = editor_.Window().rect;
  editor_.Change([&](SkinDesign& d) {
    for (auto& window : d.windows) {
      window.clrbk = color;
      window.rect = rect;
    }
  });
}

void SkinPanels::ChoosePicture() {
  std::string path = dialogs_.OpenFile(common::Gbk("图像文件(*.bmp;*.gif;*.jpg)|*.bmp;*.gif;*.jpg||"), "bmp", "");
  if (!path.empty()) pictureFile_->setText(ToQt(path));
}

void SkinPanels::OriginalSize() {
  int target = -1;
  for (int e : editor_.Selection()) {
    if (IsPicture(e)) {
      target = e;
      break;
    }
  }
  if (target < 0) return;
  const std::string& source = editor_.Window().elements[target].picture;
  auto bytes = codecs::ReadFileBytes(common::NativePath(source));
  if (!bytes) return;
  // The file's extension says how to read it, as the picture panel offers them.
  std::optional<codecs::Bitmap> picture;
  if (common::EndsWithNoCase(source, ".gif")) {
    picture = codecs::ReadGif(*bytes);
  } else if (common::EndsWithNoCase(source, ".jpg")) {
    picture = codecs::ReadJpeg(*bytes);
  } else {
    picture = codecs::ReadBmp(*bytes);
  }
  if (!picture) return;
  const int n = editor_.CurrentWindow();
  editor_.Change([&](SkinDesign& d) {
    formats::SkinRect& r = d.windows[n].elements[target].rect;
    r.right = r.left + picture->width;
    r.bottom = r.top + picture->height;
  });
}

}  // namespace author

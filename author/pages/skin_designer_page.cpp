#include "author/pages/skin_designer_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "author/dialogs.h"
#include "author/pages/page_widgets.h"
#include "author/project/project_file.h"
#include "author/qt_text.h"
#include "author/skin/skin_canvas.h"
#include "author/project/skin_defaults.h"
#include "author/skin/skin_editor.h"
#include "author/skin/skin_panels.h"
#include "author/skin/skin_preview.h"
#include "author/skin/skin_templates.h"
#include "codecs/picture_reader.h"
#include "common/gbk.h"
#include "formats/default_skin.h"
#include "formats/skin_writer.h"

namespace author {

using formats::SkinDesign;

namespace {

constexpr const char* kWindowNames[formats::kDesignWindowCount] = {"下载前窗口", "下载窗口", "下载后窗口", "更新窗口"};

struct AlignButton {
  Align how;
  const char* tip;
  const char* name;
};

constexpr AlignButton kAlignButtons[] = {
    {Align::Left, "左边对齐", "alignLeft"},        {Align::Right, "右边对齐", "alignRight"},
    {Align::Top, "顶部对齐", "alignTop"},          {Align::Bottom, "底部对齐", "alignBottom"},
    {Align::SameWidth, "使宽度相同", "sameWidth"}, {Align::SameHeight, "使高度相同", "sameHeight"},
    {Align::SameSize, "使大小相同", "sameSize"},
};

// A small drawing of what an alignment button does: a bar for the edge the
// elements meet at, two boxes that meet it.
QIcon AlignIcon(Align how) {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(40, 40, 40));
  p.setBrush(QColor(120, 160, 220));
  switch (how) {
    case Align::Left: p.drawLine(3, 2, 3, 17); p.drawRect(4, 4, 12, 4); p.drawRect(4, 11, 7, 4); break;
    case Align::Right: p.drawLine(16, 2, 16, 17); p.drawRect(3, 4, 12, 4); p.drawRect(8, 11, 7, 4); break;
    case Align::Top: p.drawLine(2, 3, 17, 3); p.drawRect(4, 4, 4, 12); p.drawRect(11, 4, 4, 7); break;
    case Align::Bottom: p.drawLine(2, 16, 17, 16); p.drawRect(4, 3, 4, 12); p.drawRect(11, 8, 4, 7); break;
    case Align::SameWidth: p.drawRect(3, 3, 13, 4); p.drawRect(3, 11, 13, 5); break;
    case Align::SameHeight: p.drawRect(3, 3, 5, 13); p.drawRect(11, 3, 5, 13); break;
    case Align::SameSize: p.drawRect(2, 2, 7, 7); p.drawRect(10, 10, 7, 7); break;
  }
  return QIcon(pixmap);
}

// Where an element placed for the first time appears: its place in the
// built-in window that has it, else a spot the author can see.
formats::SkinRect FirstPlace(int element) {
  for (int n = 0; n < formats::kDesignWindowCount; ++n) {
    const auto w = DefaultWindow(n, "");
    if (w.elements[element].exists) return w.elements[element].rect;
  }
  return {20, 100, 220, 120};
}

}  // namespace

SkinDesignerPage::SkinDesignerPage(ProjectContext& context, QWidget* parent)
    : ProjectPage(context, parent), templates_(std::make_unique<SkinTemplates>(context.folders, *context.dialogs)) {
  setObjectName("skinDesignerPage");
  editor_ = new SkinEditor(this);
  canvas_ = new SkinCanvas(*editor_, this);
  canvas_->setMinimumSize(formats::kDefaultPageWidth + 2 * SkinCanvas::kOrigin,
                          formats::kDefaultPageHeight + 2 * SkinCanvas::kOrigin);
  panels_ = new SkinPanels(*editor_, *context.dialogs, this);
  preview_ = new SkinPreview(context.folders, this);

  auto* left = new QVBoxLayout;
  left->addWidget(MakeWindowRow());
  left->addWidget(canvas_, 0, Qt::AlignLeft | Qt::AlignTop);
  left->addWidget(MakeFields());
  left->addStretch();

  auto* properties = new QGroupBox(Tr("属性"), this);
  properties->setObjectName("propertiesGroup");
  auto* propertiesLayout = new QVBoxLayout(properties);
  propertiesLayout->addWidget(panels_);

  useCustom_ = new QCheckBox(Tr("使用自定义窗口"), this);
  useCustom_->setObjectName("useCustom");
  auto* defaults = new QPushButton(Tr("使用缺省值"), this);
  defaults->setObjectName("useDefaults");
  auto* useTemplate = new QPushButton(Tr("使用模板"), this);
  useTemplate->setObjectName("useTemplate");
  editOnly_ = {defaults, useTemplate};
  auto* customRow = new QHBoxLayout;
  customRow->addWidget(useCustom_);
  customRow->addStretch();
  customRow->addWidget(defaults);
  customRow->addWidget(useTemplate);

  previewButton_ = new QPushButton(Tr("预览（假设为向导式操作）"), this);
  previewButton_->setObjectName("preview");

  auto* right = new QVBoxLayout;
  right->addLayout(customRow);
  right->addWidget(MakeElementBoxes());
  right->addWidget(MakeAlignButtons());
  right->addWidget(properties, 1);
  right->addWidget(MakeTemplateBox());
  right->addWidget(previewButton_);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  connect(useCustom_, &QCheckBox::clicked, this, &SkinDesignerPage::SetUseCustom);
  connect(defaults, &QPushButton::clicked, this, &SkinDesignerPage::UseDefaults);
  connect(useTemplate, &QPushButton::clicked, this, &SkinDesignerPage::UseTemplate);
  connect(previewButton_, &QPushButton::clicked, this, &SkinDesignerPage::Preview);
  connect(editor_, &SkinEditor::Changed, this, [this] {
    SetModified();
    RefreshControls();
  });
  connect(editor_, &SkinEditor::SelectionChanged, this, &SkinDesignerPage::RefreshControls);
  connect(preview_, &SkinPreview::Finished, this, [this](const std::vector<std::string>& messages) {
    for (const std::string& text : messages) context_.dialogs->Message(text);
    previewButton_->setEnabled(true);
  });

  ShowSkin(ProjectSkin{DefaultDesign(PicsFolder(context_.folders)), 0, false});
  customDesign_ = editor_->Design();
  TrackEdits();
}

SkinDesignerPage::~SkinDesignerPage() = default;

QWidget* SkinDesignerPage::MakeWindowRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  windows_ = new QButtonGroup(row);
  for (int n = 0; n < formats::kDesignWindowCount; ++n) {
    auto* radio = new QRadioButton(Tr(kWindowNames[n]), row);
    radio->setObjectName(QStringLiteral("window%1").arg(n));
    windows_->addButton(radio, n);
    layout->addWidget(radio);
  }
  hideWindow_ = new QCheckBox(Tr("隐藏当前窗口"), row);
  hideWindow_->setObjectName("hideWindow");
  layout->addStretch();
  layout->addWidget(hideWindow_);
  editOnly_.push_back(hideWindow_);
  connect(windows_, &QButtonGroup::idClicked, this, [this](int n) {
    editor_->SetCurrentWindow(n);
    SetModified();
  });
  connect(hideWindow_, &QCheckBox::clicked, this, [this](bool hide) {
    const int n = editor_->CurrentWindow();
    editor_->Change([&](SkinDesign& d) { d.windows[n].show = hide ? 0 : 1; });
  });
  return row;
}

QWidget* SkinDesignerPage::MakeElementBoxes() {
  auto* box = new QGroupBox(Tr("窗口元素"), this);
  box->setObjectName("elementsGroup");
  auto* grid = new QGridLayout(box);
  int slot = 0;
  for (int e = 0; e < formats::kDesignElementCount; ++e) {
    if (formats::KindOf(e) == formats::ElementKind::Button) continue;
    auto* check = new QCheckBox(Tr(formats::CheckCaptionOf(e)), box);
    check->setObjectName(QStringLiteral("element_%1").arg(formats::SkinKeyOf(e)));
    grid->addWidget(check, slot / 4, slot % 4);
    ++slot;
    elementBoxes_[e] = check;
    editOnly_.push_back(check);
    connect(check, &QCheckBox::clicked, this, [this, e](bool on) { SetElementShown(e, on); });
  }
  return box;
}

QWidget* SkinDesignerPage::MakeAlignButtons() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (const AlignButton& b : kAlignButtons) {
    auto* button = new QToolButton(row);
    button->setObjectName(b.name);
    button->setToolTip(Tr(b.tip));
    button->setIcon(AlignIcon(b.how));
    button->setAutoRaise(true);
    layout->addWidget(button);
    editOnly_.push_back(button);
    const Align how = b.how;
    connect(button, &QToolButton::clicked, this, [this, how] { editor_->AlignSelection(how); });
  }
  layout->addStretch();
  return row;
}

QWidget* SkinDesignerPage::MakeFields() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  title_ = EditableCombo({"Tarnwick"}, "title", box);
  icon_ = new QLineEdit(box);
  icon_->setObjectName("sysicon");
  icon_->setReadOnly(true);
  auto* browse = new QPushButton(Tr("浏览"), box);
  browse->setObjectName("browseIcon");
  grid->addWidget(new QLabel(Tr("窗口标题："), box), 0, 0);
  grid->addWidget(title_, 0, 1, 1, 2);
  auto* iconLabel = new QLabel(Tr("系统图标（宽为16*n, n>=1，高为16的BMP图像或ICO图标）："), box);
  grid->addWidget(iconLabel, 1, 0, 1, 3);
  grid->addWidget(icon_, 2, 0, 1, 2);
  grid->addWidget(browse, 2, 2);
  grid->setColumnStretch(1, 1);
  connect(browse, &QPushButton::clicked, this, &SkinDesignerPage::BrowseIcon);
  return box;
}

QWidget* SkinDesignerPage::MakeTemplateBox() {
  auto* box = new QGroupBox(Tr("模板"), this);
  box->setObjectName("templateGroup");
  templateName_ = new QLabel(box);
  templateName_->setObjectName("templateName");
  templateAuthor_ = new QLabel(box);
  templateAuthor_->setObjectName("templateAuthor");
  auto* choose = new QPushButton(Tr("设置当前模板"), box);
  choose->setObjectName("chooseTemplate");
  auto* save = new QPushButton(Tr("存为模板"), box);
  save->setObjectName("saveTemplate");
  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel(Tr("模板名："), box), 0, 0);
  grid->addWidget(templateName_, 0, 1);
  grid->addWidget(choose, 0, 2);
  grid->addWidget(new QLabel(Tr("作者："), box), 1, 0);
  grid->addWidget(templateAuthor_, 1, 1);
  grid->addWidget(save, 1, 2);
  grid->setColumnStretch(1, 1);
  connect(choose, &QPushButton::clicked, this, &SkinDesignerPage::ChooseTemplate);
  connect(save, &QPushButton::clicked, this, &SkinDesignerPage::SaveTemplate);
  templateName_->setText(ToQt(templates_->CurrentName()));
  templateAuthor_->setText(ToQt(templates_->CurrentAuthor()));
  return box;
}

void SkinDesignerPage::ShowSkin(const ProjectSkin& skin) {
  SetComboText(title_, skin.design.title);
  icon_->setText(ToQt(skin.design.sysIcon));
  useCustom_->setChecked(skin.useCustom);
  editor_->SetDesign(EffectiveDesign(skin, context_.folders));
  editor_->SetEditable(skin.useCustom);
  editor_->SetCurrentWindow(skin.currentWindow);
  RefreshControls();
}

void SkinDesignerPage::RefreshControls() {
  const int n = editor_->CurrentWindow();
  if (auto* radio = windows_->button(n)) radio->setChecked(true);
  const auto& window = editor_->Window();
  hideWindow_->setChecked(window.show == 0);
  for (int e = 0; e < formats::kDesignElementCount; ++e) {
    if (elementBoxes_[e]) elementBoxes_[e]->setChecked(window.elements[e].exists && window.elements[e].show);
  }
  for (QWidget* w : editOnly_) w->setEnabled(editor_->Editable());
  panels_->setEnabled(editor_->Editable());
}

void SkinDesignerPage::SetElementShown(int element, bool on) {
  const int n = editor_->CurrentWindow();
  editor_->Change([&](SkinDesign& d) {
    formats::DesignElement& e = d.windows[n].elements[element];
    if (on && !e.exists) {
      e = DefaultWindow(n, PicsFolder(context_.folders)).elements[element];
      if (!e.exists) e.rect = FirstPlace(element);
      e.exists = true;
    }
    e.show = on ? 1 : 0;
  });
}

SkinDesign SkinDesignerPage::CurrentDesign() const {
  SkinDesign d = editor_->Design();
  d.title = ComboText(title_);
  d.sysIcon = FromQt(icon_->text());
  d.mbname = templates_->CurrentName();
  d.mbauthor = templates_->CurrentAuthor();
  return d;
}

void SkinDesignerPage::Load(ProjectFile& file) {
  ProjectSkin skin = ReadProjectSkin(file, context_.folders);
  customDesign_ = skin.design;
  ShowSkin(skin);
}

void SkinDesignerPage::WriteKeys(ProjectFile& file) {
  ProjectSkin skin;
  skin.useCustom = useCustom_->isChecked();
  skin.currentWindow = editor_->CurrentWindow();
  // While the built-in windows show, the project keeps the design it holds.
  skin.design = skin.useCustom ? editor_->Design() : customDesign_;
  skin.design.title = ComboText(title_);
  skin.design.sysIcon = FromQt(icon_->text());
  PutProjectSkin(file, skin, true);
}

void SkinDesignerPage::ResetPage() {
  ProjectSkin skin{DefaultDesign(PicsFolder(context_.folders)), 0, false};
  customDesign_ = skin.design;
  ShowSkin(skin);
}

void SkinDesignerPage::SetUseCustom(bool on) {
  const int n = editor_->CurrentWindow();
  const bool wasCustom = editor_->Editable();  // the box has toggled already on a click
  useCustom_->setChecked(on);
  if (!on) {
    // The design is kept, and goes into the project, while the built-in
    // windows show.
    if (wasCustom) customDesign_ = editor_->Design();
    SkinDesign defaults = DefaultDesign(PicsFolder(context_.folders));
    editor_->SetDesign(defaults);
    editor_->SetEditable(false);
  } else {
    editor_->SetDesign(customDesign_);
    editor_->SetEditable(true);
  }
  editor_->SetCurrentWindow(n);
  RefreshControls();
  SetModified();
}

void SkinDesignerPage::UseDefaults() {
  const int n = editor_->CurrentWindow();
  const auto window = DefaultWindow(n, PicsFolder(context_.folders));
  editor_->Change([&](SkinDesign& d) { d.windows[n] = window; });
}

void SkinDesignerPage::UseTemplate() {
  const int n = editor_->CurrentWindow();
  formats::DesignWindow window = editor_->Window();
  if (!templates_->ReadCurrentWindow(n, window)) return;
  canvas_->ForgetPictures();
  editor_->Change([&](SkinDesign& d) { d.windows[n] = window; });
}

void SkinDesignerPage::BrowseIcon() {
  const std::string path = context_.dialogs->OpenFile(common::Gbk("图像文件(*.bmp;*.ico)|*.bmp;*.ico||"), "bmp", "");
  if (path.empty()) return;
  if (!common::EndsWithNoCase(path, ".ico")) {
    auto bytes = codecs::ReadFileBytes(common::NativePath(path));
    std::optional<codecs::Bitmap> bitmap;
    if (bytes && codecs::DetectPictureFormat(*bytes) == codecs::PictureFormat::Bmp) bitmap = codecs::ReadPicture(*bytes);
    if (!bitmap) {
      context_.dialogs->Message(common::Gbk("图像格式不符合要求！"));
      return;
    }
    if (!formats::IsIconStripSize(bitmap->width, bitmap->height)) {
      context_.dialogs->Message(common::Gbk("图像大小不符合要求！"));
      return;
    }
  }
  icon_->setText(ToQt(path));
  SetModified();
}

void SkinDesignerPage::ChooseTemplate() {
  if (templates_->ChooseCurrent()) RefreshTemplateInfo();
}

void SkinDesignerPage::RefreshTemplateInfo() {
  canvas_->ForgetPictures();
  templateName_->setText(ToQt(templates_->CurrentName()));
  templateAuthor_->setText(ToQt(templates_->CurrentAuthor()));
}

void SkinDesignerPage::SaveTemplate() { templates_->SaveAs(CurrentDesign(), ToolUiVersion()); }

void SkinDesignerPage::Preview() {
  if (preview_->Running()) return;
  if (context_.project.IsOpen() && context_.saveProject) context_.saveProject();
  previewButton_->setEnabled(false);
  preview_->Start(CurrentDesign(), ToolUiVersion());
}

}  // namespace author

#include "client/ui/wizard_page.h"

#include <QCloseEvent>
#include <QMetaObject>
#include <QPainter>
#include <QPushButton>

#include "client/ui/color_edit.h"
#include "client/ui/message_box_prompter.h"
#include "client/ui/qt_convert.h"
#include "client/ui/skin_label.h"

namespace ui {
namespace {

// Template places of the four labels, used while a skin leaves them alone.
const QRect kLabelPlaces[4] = {
    QRect(12, 10, 160, 20), QRect(42, 36, 380, 16), QRect(37, 64, 383, 36),
    QRect(10, 355, 206, 16)};
const int kLabelIds[4] = {kIdLabel0, kIdLabel1, kIdLabel2, kIdLabel3};
const QRect kCancelPlace(341, 358, 82, 29);

// A picture fitted to its rectangle with every pure white pixel made
// transparent, so the page colour shows through where the picture is white.
QImage FitPicture(const QImage& picture, const QRect& target) {
  if (picture.isNull() || target.width() <= 0 || target.height() <= 0) return {};
  QImage fitted = picture.size() == target.size()
                      ? picture
                      : picture.scaled(target.size(), Qt::IgnoreAspectRatio,
                                       Qt::FastTransformation);
  fitted = fitted.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < fitted.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(fitted.scanLine(y));
    for (int x = 0; x < fitted.width(); ++x) {
      if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu) line[x] = 0;
    }
  }
  return fitted;
}

const formats::PageSkin& EmptyPageSkin() {
  static const formats::PageSkin empty;
  return empty;
}

}  // namespace

QFont TemplateFont() {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPointSize(10);
  return font;
}

std::string DirItemListText(std::string_view firstUrl) {
  size_t cut = common::GbkFindLast(firstUrl, '/');
  if (cut == std::string_view::npos) cut = common::GbkFindLast(firstUrl, '\\');
  std::string_view last = cut == std::string_view::npos ? firstUrl : firstUrl.substr(cut + 1);
  return "<" + std::string(last) + ">";
}

WizardPage::WizardPage(int pageIndex, PageContext& context, const std::array<QString, 4>& texts,
                       QWidget* parent)
    : QWidget(parent), pageIndex_(pageIndex), context_(context) {
  setFont(TemplateFont());
  for (int n = 0; n < 4; ++n) {
    labels_[n] = new SkinLabel(texts[n], this);
    labels_[n]->setObjectName(QString::number(kLabelIds[n]));
    labels_[n]->setGeometry(kLabelPlaces[n]);
  }
  buttons_[1] = MakeButton(kIdCancel, QStringLiteral("取消(&X)"), kCancelPlace);
  connect(buttons_[1], &QPushButton::clicked, this, [this] { HandleCommand(kIdCancel); });
  const QRect page = ToQRect(Skin().rect);
  setGeometry(0, 0, std::max(0, page.width()), std::max(0, page.height()));
}

WizardPage::~WizardPage() = default;

const formats::PageSkin& WizardPage::Skin() const {
  if (!context_.skin || pageIndex_ < 0 || pageIndex_ >= formats::kPageCount) return EmptyPageSkin();
  return context_.skin->pages[pageIndex_];
}

QPushButton* WizardPage::MakeButton(int id, const QString& text, const QRect& place) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QString::number(id));
  button->setGeometry(place);
  return button;
}

void WizardPage::AddExtra(QWidget* control, const formats::ExtraSkin& skin) {
  extras_.emplace_back(control, skin);
}

void WizardPage::ApplySkin() {
  const formats::PageSkin& skin = Skin();
  for (int n = 0; n < 4; ++n) labels_[n]->setVisible(skin.labels[n].show != 0);
  for (auto& [control, extra] : extras_) control->setVisible(extra.show != 0);
  for (SkinLabel* label : labels_) label->SetTransparent(true);
  LoadPictures();
  for (int n = 0; n < 4; ++n) ApplyLabelSkin(labels_[n], skin.labels[n]);
  ApplyButtonSkins();
  for (auto& [control, extra] : extras_) {
    control->setGeometry(extra.rect.left, extra.rect.top, std::max(0, extra.rect.Width()),
                         std::max(0, extra.rect.Height()));
  }
}

void WizardPage::LoadPictures() {
  const formats::PageSkin& skin = Skin();
  for (int i = 0; i < 2; ++i) {
    const formats::ImageSkin& image = skin.images[i];
    if (image.bmpfile.empty() || !context_.loadPicture) continue;
    pictures_[i] = FitPicture(context_.loadPicture(image.bmpfile), ToQRect(image.rect));
  }
}

void WizardPage::ApplyLabelSkin(SkinLabel* label, const formats::LabelSkin& skin) {
  // An empty rectangle means the skin does not place this label: it keeps
  // its template place, text and font.
  if (skin.rect.IsEmpty()) return;
  if (!skin.url.empty()) {
    label->SetLink(ToQString(skin.text), ToQString(skin.url));
    label->SetFontSpec(QString(), skin.fontSize, skin.fontWeight, skin.fontItalic != 0,
                       skin.norUnderline != 0);
    label->SetLinkColours(ToQColor(skin.clrNormal), skin.norUnderline != 0,
                          ToQColor(skin.clrHover), skin.hovUnderline != 0);
  } else {
    label->SetText(ToQString(skin.text));
    label->SetTextColor(ToQColor(skin.clrText));
    label->SetFontSpec(QString(), skin.fontSize, skin.fontWeight, skin.fontItalic != 0,
                       skin.fontUnderline != 0);
    label->ResetLinkFonts();
  }
  label->setGeometry(ToQRect(skin.rect));
}

void WizardPage::ApplyButtonSkins() {
  // The skin's text and rectangle are taken as they are: an empty one
  // leaves a button without caption and without size.
  const formats::PageSkin& skin = Skin();
  for (int n = 0; n < 2; ++n) {
    if (!buttons_[n]) continue;
    const formats::SkinRect& r = skin.buttons[n].rect;
    buttons_[n]->setText(ToQString(skin.buttons[n].text));
    buttons_[n]->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
  }
}

void WizardPage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const formats::PageSkin& skin = Skin();
  p.fillRect(rect(), ToQColor(skin.clrbk));
  for (int i = 0; i < 2; ++i) {
    if (pictures_[i].isNull() || skin.images[i].show == 0) continue;
    p.drawImage(QPoint(skin.images[i].rect.left, skin.images[i].rect.top), pictures_[i]);
  }
}

void WizardPage::closeEvent(QCloseEvent* event) {
  // Closing a page is its Cancel button; the page itself stays until the
  // session window ends it.
  event->ignore();
  HandleCommand(kIdCancel);
}

void WizardPage::HandleCommand(int id) {
  if (id == kIdCancel) {
    OnCancel();
  } else if (id == kIdNext || id == kIdPause) {
    OnButton0();
  }
}

void WizardPage::PostToSelf(int message, int wParam) {
  QMetaObject::invokeMethod(
      this, [this, message, wParam] { HandleMessage(message, wParam); }, Qt::QueuedConnection);
}

void WizardPage::PostPageDone(int wParam) {
  QMetaObject::invokeMethod(
      this, [this, wParam] { emit PageDone(wParam); }, Qt::QueuedConnection);
}

void WizardPage::HandleMessage(int, int) {}

int WizardPage::DetailsScrollLines(int lineCount, int visibleLines) const {
  return lineCount - visibleLines;
}

void WizardPage::AddMessage(std::string_view gbkText) {
  context_.Log(gbkText);
  ShowMessage(gbkText);
}

void WizardPage::ShowMessage(std::string_view gbkText) {
  const QString text = ToQString(gbkText);
  if (statusLine_) statusLine_->SetText(text);
  if (!details_) return;
  details_->AppendLine(text);
  const int capacity = details_->height() / 20;
  const int lines = details_->LineCount();
  if (lines > capacity) details_->ScrollLines(DetailsScrollLines(lines, capacity));
}

session::Prompter& WizardPage::Prompts() {
  static MessageBoxPrompter realBoxes;
  return context_.prompter ? *context_.prompter : realBoxes;
}

session::BoxAnswer WizardPage::Ask(const session::BoxRequest& request) { return Prompts().Show(request); }

void WizardPage::Notice(std::string_view gbkText) { session::Notice(Prompts(), context_.ShowType(), gbkText); }

bool WizardPage::AskRetry(std::string_view gbkText) {
  return session::AskRetry(Prompts(), context_.ShowType(), gbkText);
}

bool WizardPage::ConfirmCancel() { return session::ConfirmCancel(Prompts()); }

}  // namespace ui

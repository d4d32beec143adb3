#include "author/version_check.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

#include "author/project/project_identity.h"
#include "author/qt_text.h"
#include "common/gbk.h"
#include "platform/host_channel.h"
#include "platform/launcher.h"

namespace author {

NewVersionBar::NewVersionBar(ToolFolders folders, std::string homePage, QWidget* parent)
    : QFrame(parent), folders_(std::move(folders)), homePage_(std::move(homePage)) {
  setObjectName("newVersionBar");
  auto* text = new QLabel(Tr("发现有新版本的程序或数据！"), this);
  text->setObjectName("newVersionText");
  QFont big = text->font();
  big.setPixelSize(16);
  big.setWeight(QFont::Bold);
  text->setFont(big);
  text->setStyleSheet("color: rgb(50,50,50);");
  auto* link = new QLabel(QString("<a href=\"%1\">%2</a>").arg(ToQt(homePage_).toHtmlEscaped(), Tr("&gt;&gt;到软件主页看看")),
                          this);
  link->setObjectName("newVersionLink");
  QFont small = link->font();
  small.setPixelSize(14);
  small.setWeight(QFont::Normal);
  link->setFont(small);
  link->setOpenExternalLinks(true);
  auto* now = new QPushButton(Tr("立即升级"), this);
  now->setObjectName("upgradeNow");
  auto* later = new QPushButton(Tr("以后提醒我"), this);
  later->setObjectName("remindLater");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(10, 1, 10, 1);
  layout->addWidget(text);
  layout->addWidget(link);
  layout->addStretch(1);
  layout->addWidget(now);
  layout->addWidget(later);
  connect(now, &QPushButton::clicked, this, &NewVersionBar::UpgradeNow);
  connect(later, &QPushButton::clicked, this, &QWidget::hide);
  hide();
}

NewVersionBar::~NewVersionBar() = default;

bool NewVersionBar::StartCheck() {
  // The client needs its configuration archive; without one it would only
  // report an error nobody asked about.
  const std::string program = folders_.UpdateProgram();
  if (!FileHasContent(program) || !FileHasContent(program + ".bin")) return false;
  listener_ = std::make_unique<platform::HostListener>();
  QPointer<NewVersionBar> self(this);
  int64_t endpoint = listener_->ListenOnFreeEndpoint([self](const platform::HostMessage& m) {
    if (!self || m.message != kHostOutcomeMessage) return;
    if (m.wParam == kOutcomeNewVersion) self->show();
  });
  if (endpoint == 0) return false;
  platform::LaunchRequest request;
  request.program = common::NativePath(program);
  request.folder = common::NativePath(folders_.UpdateAppFolder());
  request.arguments = {"/HWND:" + std::to_string(endpoint), "/OP:CheckVer", "/Ad:vesk"};
  return platform::Launch(request) == platform::kLaunchOk;
}

int64_t NewVersionBar::Endpoint() const { return listener_ ? listener_->Endpoint() : 0; }

void NewVersionBar::UpgradeNow() {
  platform::LaunchRequest request;
  request.program = common::NativePath(folders_.UpdateProgram());
  request.folder = common::NativePath(folders_.UpdateAppFolder());
  request.arguments = {"/Tray"};
  platform::Launch(request);
  hide();
}

}  // namespace author

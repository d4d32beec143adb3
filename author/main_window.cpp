#include "author/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "author/pages/create_debug_page.h"
#include "author/qt_dialogs.h"
#include "author/qt_text.h"
#include "author/version_check.h"

namespace author {

namespace {

// Tab items are 30 pixels high and at least 30 wide; a caption wider than
// that widens its tab.
class ProjectTabBar : public QTabBar {
 public:
  using QTabBar::QTabBar;

 protected:
  QSize tabSizeHint(int index) const override {
    QSize size = QTabBar::tabSizeHint(index);
    return QSize(std::max(size.width(), 30), 30);
  }
};

struct ButtonSpec {
  const char* text;
  const char* tooltip;
  const char* objectName;
  const char* themeIcon;
  QStyle::StandardPixmap fallback;
};

constexpr ButtonSpec kButtons[MainWindow::kButtonCount] = {
    {"新建", "建立一个新的工程", "newButton", "document-new", QStyle::SP_FileIcon},
    {"打开", "打开一个已有的工程", "openButton", "document-open", QStyle::SP_DialogOpenButton},
    {"保存", "保存当前工程", "saveButton", "document-save", QStyle::SP_DialogSaveButton},
    {"另存", "另存当前工程", "saveAsButton", "document-save-as", QStyle::SP_DriveFDIcon},
    {"关闭", "关闭当前工程", "closeButton", "document-close", QStyle::SP_DialogCloseButton},
    {"帮助", "在线帮助", "helpButton", "help-browser", QStyle::SP_DialogHelpButton},
    {"退出", "退出应用程序", "exitButton", "application-exit", QStyle::SP_DialogCancelButton},
};

struct TabSpec {
  const char* caption;
  const char* tooltip;
};

constexpr TabSpec kTabs[kPageCount] = {
    {"系统项设置", "系统项设置"}, {"文件项设置", "文件项设置"}, {"目录项设置", "目录项设置"},
    {"界面设计", "界面设计"},     {"创建与调试", "创建配置"},
};

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent),
      model_(options.storage),
      checkForNewVersion_(options.checkForNewVersion),
      recent_(options.folders.StatusFile()) {
  setObjectName("mainWindow");
  context_.folders = options.folders;
  context_.homePage = options.homePage;
  context_.saveProject = [this] { return SaveProject(); };
  context_.model = &model_;
  if (options.dialogs) {
    context_.dialogs = options.dialogs;
  } else {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    context_.dialogs = ownDialogs_.get();
  }
  setAcceptDrops(true);
  MakeToolbar();
  syncTimer_ = new QTimer(this);
  syncTimer_->setSingleShot(true);
  syncTimer_->setInterval(0);
  connect(syncTimer_, &QTimer::timeout, this, &MainWindow::SyncModel);

  auto* central = new QWidget(this);
  central->setObjectName("clientArea");
  versionBar_ = new NewVersionBar(context_.folders, context_.homePage, central);
  tabs_ = new ProjectTabBar(central);
  tabs_->setObjectName("pageTabs");
  tabs_->setExpanding(false);
  for (int i = 0; i < kPageCount; ++i) {
    tabs_->addTab(Tr(kTabs[i].caption));
    tabs_->setTabToolTip(i, Tr(kTabs[i].tooltip));
  }
  stack_ = new QStackedWidget(central);
  stack_->setObjectName("pageStack");
  pages_ = CreatePages(context_, stack_);
  for (ProjectPage* page : pages_) {
    stack_->addWidget(page);
    // A page's change reaches the toolbar after the event that made it.
    connect(page, &ProjectPage::Modified, this, &MainWindow::UpdateToolbar, Qt::QueuedConnection);
    // The model takes the page's keys once the event has done its work.
    connect(page, &ProjectPage::Edited, syncTimer_, qOverload<>(&QTimer::start));
  }
  // Signing records the product id and the serial it used in the project
  // file; the open project takes them over, so a later save keeps the
  // product id the clients in the field are bound to.
  connect(static_cast<CreateDebugPage*>(pages_[kCreatePage]), &CreateDebugPage::GenerationFinished, this,
          [this](bool ok) {
            if (ok) model_.AdoptFileKeys("system", {"product_id", "signed_serial"});
          });
  noProject_ = new QWidget(stack_);
  noProject_->setObjectName("noProject");
  stack_->addWidget(noProject_);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(versionBar_);
  layout->addWidget(tabs_);
  layout->addWidget(stack_, 1);
  setCentralWidget(central);
  connect(tabs_, &QTabBar::currentChanged, this, &MainWindow::ShowCurrentPage);
  tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tabs_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    std::unique_ptr<QMenu> menu(createPopupMenu());
    menu->exec(tabs_->mapToGlobal(at));
  });

  resize(900, 820);
  UpdateTitle();
  UpdateToolbar();
  ShowCurrentPage();
}

MainWindow::~MainWindow() = default;

QString MainWindow::ProductTitle() {
  return QString("Quillmate%1.%2").arg(QUILLMATE_VERSION_MAJOR).arg(QUILLMATE_VERSION_MINOR);
}

void MainWindow::MakeToolbar() {
  QToolBar* bar = addToolBar(Tr("工具栏"));
  bar->setObjectName("toolbar");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  for (int i = 0; i < kButtonCount; ++i) {
    const ButtonSpec& b = kButtons[i];
    QIcon icon = QIcon::fromTheme(b.themeIcon, style()->standardIcon(b.fallback));
    QAction* action = bar->addAction(icon, Tr(b.text));
    action->setObjectName(QString(b.objectName) + "Action");
    action->setToolTip(Tr(b.tooltip));
    bar->widgetForAction(action)->setObjectName(b.objectName);
    actions_[i] = action;
  }
  connect(actions_[kNew], &QAction::triggered, this, &MainWindow::NewProject);
  connect(actions_[kOpen], &QAction::triggered, this, &MainWindow::OpenProject);
  connect(actions_[kSave], &QAction::triggered, this, &MainWindow::SaveProject);
  connect(actions_[kSaveAs], &QAction::triggered, this, &MainWindow::SaveProjectAs);
  connect(actions_[kClose], &QAction::triggered, this, &MainWindow::CloseProject);
  connect(actions_[kHelp], &QAction::triggered, this,
          [this] { QDesktopServices::openUrl(QUrl(ToQt(context_.homePage))); });
  connect(actions_[kExit], &QAction::triggered, this, &QWidget::close);
  const QKeySequence keys[kButtonCount] = {
      QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::CTRL | Qt::Key_O),
      QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
      QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_F1),
      QKeySequence(Qt::CTRL | Qt::Key_Q)};
  for (int i = 0; i < kButtonCount; ++i) {
    actions_[i]->setShortcut(keys[i]);
    actions_[i]->setShortcutContext(Qt::ApplicationShortcut);
  }
  // Undo and redo have no toolbar button: the window carries them.
  undo_ = new QAction(Tr("撤销"), this);
  undo_->setObjectName("undoAction");
  undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo_ = new QAction(Tr("重做"), this);
  redo_->setObjectName("redoAction");
  redo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
  for (QAction* a : {undo_, redo_}) {
    a->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a);
  }
  connect(undo_, &QAction::triggered, this, &MainWindow::Undo);
  connect(redo_, &QAction::triggered, this, &MainWindow::Redo);
}

QMenu* MainWindow::createPopupMenu() {
  // Stands in for the window menu's entry, which Qt cannot reach.
  auto* menu = new QMenu(this);
  QAction* about = menu->addAction(Tr("关于 Quillmate(&A)..."));
  about->setObjectName("aboutAction");
  connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
  return menu;
}

void MainWindow::ShowAbout() {
  context_.dialogs->About(FromQt(ProductTitle()) + common::Gbk("\n升级项目编辑与升级包制作工具\n主页：") +
                          context_.homePage);
}

bool MainWindow::IsModified() const {
  if (context_.project.IsOpen() && model_.IsModified()) return true;
  for (ProjectPage* page : pages_) {
    if (page->IsModified()) return true;
  }
  return false;
}

int MainWindow::CurrentTab() const { return tabs_->currentIndex(); }

void MainWindow::SelectTab(int index) {
  if (index >= 0 && index < kPageCount) tabs_->setCurrentIndex(index);
}

void MainWindow::UpdateToolbar() {
  const bool open = context_.project.IsOpen();
  actions_[kNew]->setEnabled(!open);
  actions_[kOpen]->setEnabled(!open);
  actions_[kSave]->setEnabled(open && IsModified());
  actions_[kSaveAs]->setEnabled(open);
  actions_[kClose]->setEnabled(open);
  undo_->setEnabled(open && model_.CanUndo());
  redo_->setEnabled(open && model_.CanRedo());
}

void MainWindow::UpdateTitle() {
  QString title = ProductTitle();
  if (context_.project.IsOpen()) title += " - " + ToQt(context_.project.name);
  setWindowTitle(title);
}

void MainWindow::ShowCurrentPage() {
  stack_->setCurrentWidget(context_.project.IsOpen() ? pages_[tabs_->currentIndex()] : noProject_);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();  // Escape never closes the main window
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  DropFile(urls.front().toLocalFile());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (CloseProject()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::CheckForNewVersion() { versionBar_->StartCheck(); }

}  // namespace author

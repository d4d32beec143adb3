#include "author/pages/create_debug_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "author/debug/debug_runner.h"
#include "author/dialogs.h"
#include "author/debug/gbk_viewer.h"
#include "author/pages/page_widgets.h"
#include "author/project/project_checks.h"
#include "author/project/project_file.h"
#include "author/project/project_model.h"
#include "author/project/package_summary.h"
#include "author/project/project_keys.h"
#include "author/qt_text.h"
#include "common/gbk.h"

namespace author {

namespace {

using common::Gbk;

constexpr char kProject[] = "project";

constexpr const char* kSwitchCaptions[4] = {"只检测，不更新", "记录日志", "增加托盘功能", "获取升级程序返回消息"};
constexpr const char* kSwitchNames[4] = {"switchCheckVer", "switchLog", "switchTray", "switchHostMessages"};

// Carries a worker's reports to the page. It lives on the page's thread
// and is not the page's child: when the page goes while the worker runs,
// the connections go with it and the relay is deleted when the worker ends.
class GeneratorRelay : public QObject {
  Q_OBJECT

 signals:
  void Progress(int position, const QString& step);
  void Finished(const author::GeneratorResult& result);
};

QPushButton* Button(const char* utf8, const char* objectName, QWidget* parent) {
  auto* b = new QPushButton(Tr(utf8), parent);
  b->setObjectName(objectName);
  return b;
}

}  // namespace

CreateDebugPage::CreateDebugPage(ProjectContext& context, QWidget* parent)
    : ProjectPage(context, parent), runner_(std::make_unique<DebugRunner>()) {
  setObjectName("createDebugPage");
  qRegisterMetaType<author::GeneratorResult>("author::GeneratorResult");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakePackageHalf());
  layout->addWidget(MakeDebugHalf(), 1);
  runner_->Listen([this](const std::string& line) { AppendLogLine(line); });
  TrackEdits();
  RebuildSwitches();
}

CreateDebugPage::~CreateDebugPage() = default;

QWidget* CreateDebugPage::MakePackageHalf() {
  auto* half = new QWidget(this);
  auto* grid = new QGridLayout(half);
  grid->addWidget(Banner("升级包", "packageBanner", half), 0, 0, 1, 3);
  grid->addWidget(new QLabel(Tr("升级包输出文件夹："), half), 1, 0);
  output_ = new QLineEdit(half);
  output_->setObjectName("outputFolder");
  grid->addWidget(output_, 1, 1);
  auto* browse = Button("浏览", "browseOutput", half);
  // The key buttons below widen this column: the browse button keeps its size.
  grid->addWidget(browse, 1, 2, Qt::AlignRight);

  auto* modes = new QHBoxLayout;
  mode_ = new QButtonGroup(half);
  const char* modeTexts[2] = {"文本方式(update.dat)", "加密方式(update.bin)"};
  const char* modeNames[2] = {"textMode", "packedMode"};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(Tr(modeTexts[i]), half);
    radio->setObjectName(modeNames[i]);
    mode_->addButton(radio, i);
    modes->addWidget(radio);
  }
  mode_->button(0)->setChecked(true);
  modes->addStretch(1);
  grid->addLayout(modes, 2, 0, 1, 3);

  auto* createRow = new QHBoxLayout;
  create_ = Button("创建升级包", "createPackage", half);
  progress_ = new QProgressBar(half);
  progress_->setObjectName("createProgress");
  progress_->setRange(0, kGeneratorLastPosition);
  progress_->hide();
  auto* open = Button("打开输出文件夹", "openOutput", half);
  createRow->addWidget(create_);
  createRow->addWidget(progress_, 1);
  createRow->addStretch(0);
  createRow->addWidget(open);
  grid->addLayout(createRow, 3, 0, 1, 3);
  status_ = new QLabel(half);
  status_->setObjectName("createStatus");
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(status_, 4, 0, 1, 3);

  // The signing keys: the public key the clients get, and the key change.
  grid->addWidget(new QLabel(Tr("签名公钥："), half), 5, 0);
  publicKey_ = new QLineEdit(half);
  publicKey_->setObjectName("publicKey");
  publicKey_->setReadOnly(true);
  publicKey_->setProperty("displayOnly", true);
  grid->addWidget(publicKey_, 5, 1);
  auto* keyButtons = new QHBoxLayout;
  newKey_ = Button("生成新密钥对", "newKeyPair", half);
  changeKey_ = Button("更换密钥(保留旧公钥)", "changeKey", half);
  keyButtons->addWidget(newKey_);
  keyButtons->addWidget(changeKey_);
  grid->addLayout(keyButtons, 5, 2);
  grid->addWidget(new QLabel(Tr("第二公钥："), half), 6, 0);
  oldPublicKey_ = new QLineEdit(half);
  oldPublicKey_->setObjectName("oldPublicKey");
  oldPublicKey_->setReadOnly(true);
  oldPublicKey_->setProperty("displayOnly", true);
  grid->addWidget(oldPublicKey_, 6, 1);

  connect(output_, &QLineEdit::textEdited, this, &CreateDebugPage::OutputFolderEdited);
  connect(output_, &QLineEdit::editingFinished, this, [this] {
    // Leaving the edit adds the missing trailing separator.
    QString text = output_->text();
    if (!text.isEmpty() && !text.endsWith('/') && !text.endsWith('\\')) {
      output_->setText(text + '/');
      OutputFolderEdited();
    }
  });
  connect(browse, &QPushButton::clicked, this, &CreateDebugPage::BrowseOutputFolder);
  connect(mode_, &QButtonGroup::idClicked, this, [this](int id) {
    localCfgOut_ = id;
    SetModified();
  });
  connect(create_, &QPushButton::clicked, this, &CreateDebugPage::CreatePackage);
  connect(newKey_, &QPushButton::clicked, this, &CreateDebugPage::MakeNewKeyPair);
  connect(changeKey_, &QPushButton::clicked, this, &CreateDebugPage::ChangeKey);
  connect(open, &QPushButton::clicked, this, &CreateDebugPage::OpenOutputFolder);
  return half;
}

QWidget* CreateDebugPage::MakeDebugHalf() {
  auto* half = new QWidget(this);
  auto* layout = new QVBoxLayout(half);
  layout->addWidget(Banner("调试", "debugBanner", half));
  auto* note = new QLabel(Tr("（注：调试前请先创建升级包，调试只针对当前的升级包进行。）"), half);
  note->setObjectName("debugNote");
  layout->addWidget(note);
  auto* boxes = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    switchBoxes_[i] = new QCheckBox(Tr(kSwitchCaptions[i]), half);
    switchBoxes_[i]->setObjectName(kSwitchNames[i]);
    boxes->addWidget(switchBoxes_[i]);
    connect(switchBoxes_[i], &QCheckBox::clicked, this, &CreateDebugPage::SwitchesClicked);
  }
  boxes->addStretch(1);
  layout->addLayout(boxes);
  auto* commandRow = new QHBoxLayout;
  commandRow->addWidget(new QLabel(Tr("命令行："), half));
  commandLine_ = new QLineEdit(half);
  commandLine_->setObjectName("commandLine");
  commandLine_->setReadOnly(true);
  commandLine_->setProperty("displayOnly", true);
  commandRow->addWidget(commandLine_, 1);
  layout->addLayout(commandRow);

  auto* buttons = new QHBoxLayout;
  auto* start = Button("启动升级程序", "startClient", half);
  auto* showClient = Button("显示本地配置文件", "showClientConfig", half);
  auto* showServer = Button("显示服务器端配置文件", "showServerConfig", half);
  auto* showLog = Button("显示日志文件", "showLog", half);
  for (QPushButton* b : {start, showClient, showServer, showLog}) buttons->addWidget(b);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addWidget(new QLabel(Tr("来自升级程序的消息显示如下："), half));
  log_ = new QPlainTextEdit(half);
  log_->setObjectName("messageLog");
  log_->setReadOnly(true);
  log_->setProperty("displayOnly", true);
  layout->addWidget(log_, 1);

  connect(start, &QPushButton::clicked, this, &CreateDebugPage::StartClient);
  connect(showClient, &QPushButton::clicked, this, &CreateDebugPage::ShowClientConfig);
  connect(showServer, &QPushButton::clicked, this, &CreateDebugPage::ShowServerConfig);
  connect(showLog, &QPushButton::clicked, this, &CreateDebugPage::ShowLog);
  return half;
}

std::string CreateDebugPage::OutputFolder() const {
  std::string folder = NativeGbkPath(context_.project.outputFolder);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string CreateDebugPage::CommandLine() const { return NativeGbkPath(context_.project.outputFolder) + "update" + switches_; }

int64_t CreateDebugPage::Endpoint() const { return runner_->Endpoint(); }

QString CreateDebugPage::MessageLog() const { return log_->toPlainText(); }

void CreateDebugPage::ShowOutputFolder() {
  output_->setText(ToQt(NativeGbkPath(context_.project.outputFolder)));
  ShowSwitches();
}

void CreateDebugPage::OutputFolderEdited() {
  context_.project.outputFolder = StoredPath(FromQt(output_->text()));
  ShowSwitches();
  SetModified();
}

void CreateDebugPage::BrowseOutputFolder() {
  std::string folder = context_.dialogs->PickFolder(Gbk("选择文件夹"), FromQt(QDir::currentPath()));
  if (folder.empty()) return;
  if (folder.back() != '/') folder += '/';
  context_.project.outputFolder = StoredPath(folder);
  ShowOutputFolder();
  SetModified();
}

void CreateDebugPage::SwitchesClicked() {
  RebuildSwitches();
  SetModified();
}

void CreateDebugPage::RebuildSwitches() {
  paramVal_.clear();
  for (QCheckBox* box : switchBoxes_) paramVal_ += box->isChecked() ? '1' : '0';
  ShowSwitches();
}

void CreateDebugPage::ShowSwitches() {
  switches_ = DebugSwitchString(paramVal_, runner_->Endpoint());
  commandLine_->setText(ToQt(CommandLine()));
}

void CreateDebugPage::Load(ProjectFile& file) {
  paramVal_ = file.GetString(kProject, "param_val", "0000");
  // Shorter values leave the boxes as they are.
  if (paramVal_.size() >= 4) {
    for (int i = 0; i < 4; ++i) switchBoxes_[i]->setChecked(paramVal_[i] == '1');
  }
  localCfgOut_ = file.GetInt(kProject, "local_cfgout", 0);
  mode_->button(localCfgOut_ == 1 ? 1 : 0)->setChecked(true);
  context_.project.outputFolder =
      ResolveOutputFolder(file.GetString(kProject, "output_path", ""), context_.project.folder);
  recordedKey_ = file.GetString(kProject, kSigningKeyRecord, "");
  // The lines of the project shown before belong to its own runs.
  log_->clear();
  RebuildSwitches();
  ShowOutputFolder();
  ShowProjectKeys();
}

void CreateDebugPage::WriteKeys(ProjectFile& file) {
  file.Put(kProject, "param_val", paramVal_);
  file.PutInt(kProject, "local_cfgout", localCfgOut_);
  file.Put(kProject, "output_path", StoredOutputFolder(context_.project.outputFolder, context_.project.folder));
  file.Put(kProject, kSigningKeyRecord, recordedKey_);
}

void CreateDebugPage::ResetPage() {
  context_.project.outputFolder = context_.project.folder + "output\\";
  recordedKey_.clear();
  log_->clear();
  RebuildSwitches();
  ShowOutputFolder();
  ShowProjectKeys();
  RecordProjectKey();
}

void CreateDebugPage::CreatePackage() {
  if (generating_ || common::Trim(context_.project.outputFolder).empty()) return;
  RecordProjectKey();
  // The generator reads the saved project: a project that cannot be saved
  // makes no package.
  if (context_.saveProject && !context_.saveProject()) return;
  if (!ProjectPassesChecks()) return;
  generating_ = true;
  create_->setEnabled(false);
  progress_->setValue(1);
  progress_->show();
  status_->setText(Tr("正在创建升级包..."));

  GeneratorRequest request;
  request.projectFile = context_.project.path;
  request.projectText = context_.model ? context_.model->Text() : std::string();
  request.outputFolder = NativeGbkPath(context_.project.outputFolder);
  request.configOutput = localCfgOut_;
  request.updateProgram = context_.folders.UpdateProgram();
  request.folders = context_.folders;

  packageFiles_ = PackageFilesOf(ServerConfigName(ServerUrls()), localCfgOut_ == 1,
                                 LoadProjectKeys(context_.project.path).has_value());
  replaced_ = ExistingPackageFiles(OutputFolder(), packageFiles_);

  auto* relay = new GeneratorRelay;
  connect(relay, &GeneratorRelay::Progress, this, &CreateDebugPage::GenerationProgress);
  connect(relay, &GeneratorRelay::Finished, this, &CreateDebugPage::GenerationEnded);
  QThread* worker = QThread::create([relay, request] {
    GeneratorResult result = GeneratePackage(request, [relay](int position, const std::string& step) {
      emit relay->Progress(position, ToQt(step));
    });
    emit relay->Finished(result);
    relay->deleteLater();
  });
  connect(worker, &QThread::finished, worker, &QObject::deleteLater);
  worker->start();
}

void CreateDebugPage::GenerationProgress(int position, const QString& /*step*/) { progress_->setValue(position); }

void CreateDebugPage::GenerationEnded(const GeneratorResult& result) {
  for (const std::string& message : result.messages) context_.dialogs->Message(message);
  if (result.ok) {
    PackageFiles files = packageFiles_;
    AddPatchFolder(files, result.patches);
    status_->setText(ToQt(result.statusText + PackageSummary(files, replaced_)));
    progress_->hide();
  }
  generating_ = false;
  create_->setEnabled(true);
  emit GenerationFinished(result.ok);
}

std::string CreateDebugPage::ServerUrls() const {
  return context_.model ? context_.model->GetString("system", "urls", "") : std::string();
}

void CreateDebugPage::OpenOutputFolder() {
  const std::string folder = OutputFolder();
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(common::NativePath(folder), ec)) {
    context_.dialogs->Message(Gbk("此文件夹不存在，请先创建升级包！"));
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(common::NativePath(folder))));
}

void CreateDebugPage::AppendLogLine(const std::string& line) {
  // The log keeps CR LF lines; the widget shows one line per paragraph.
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  log_->appendPlainText(ToQt(text));
  log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void CreateDebugPage::StartClient() {
  std::string message = runner_->Start(OutputFolder(), switches_, [this] { log_->clear(); });
  if (!message.empty()) context_.dialogs->Message(message);
}

void CreateDebugPage::ShowTextFile(const std::string& path, const std::string& missingSuffix) {
  if (!FileHasContent(path)) {
    context_.dialogs->Message(Gbk("不存在文件：") + path + missingSuffix);
    return;
  }
  ShowGbkFile(path, this);
}

void CreateDebugPage::ShowClientConfig() {
  ShowTextFile(OutputFolder() + "update.dat", Gbk("\n请选择文本方式创建配置文件！"));
}

void CreateDebugPage::ShowServerConfig() {
  const std::string urls = ServerUrls();
  ShowTextFile(OutputFolder() + ServerConfigName(urls), "");
}

void CreateDebugPage::ShowLog() { ShowTextFile(OutputFolder() + "update.log", ""); }

}  // namespace author

#include "create_debug_page.moc"

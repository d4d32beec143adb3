#include "author/create_debug_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "author/project_file.h"
#include "author/qt_text.h"

namespace author {

namespace {

constexpr char kProject[] = "project";

}  // namespace

CreateDebugPage::CreateDebugPage(ProjectContext& context, QWidget* parent) : ProjectPage(context, parent) {
  setObjectName("createDebugPage");
  output_ = new QLabel(this);
  output_->setObjectName("outputFolder");
  output_->setTextFormat(Qt::PlainText);  // a folder name from the project file
  output_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Tr("升级包输出文件夹："), this));
  layout->addWidget(output_);
  layout->addStretch(1);
  TrackEdits();
}

void CreateDebugPage::ShowOutputFolder() { output_->setText(ToQt(NativeGbkPath(context_.project.outputFolder))); }

void CreateDebugPage::Load(ProjectFile& file) {
  paramVal_ = file.GetString(kProject, "param_val", "0000");
  localCfgOut_ = file.GetInt(kProject, "local_cfgout", 0);
  context_.project.outputFolder = file.GetString(kProject, "output_path", context_.project.folder + "output\\");
  ShowOutputFolder();
}

void CreateDebugPage::WriteKeys(ProjectFile& file) {
  file.Put(kProject, "param_val", paramVal_);
  file.PutInt(kProject, "local_cfgout", localCfgOut_);
  file.Put(kProject, "output_path", context_.project.outputFolder);
}

void CreateDebugPage::ResetPage() {
  context_.project.outputFolder = context_.project.folder + "output\\";
  ShowOutputFolder();
}

}  // namespace author

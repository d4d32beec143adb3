// The create-and-debug page's signing keys: shown, made, changed, recorded
// in the project, and the checks the project passes before a package.

#include <QLineEdit>
#include <QPushButton>

#include "author/pages/create_debug_page.h"
#include "author/dialogs.h"
#include "author/project/project_checks.h"
#include "author/project/project_keys.h"
#include "author/qt_text.h"
#include "common/gbk.h"

namespace author {

using common::Gbk;

void CreateDebugPage::ShowProjectKeys() {
  const bool open = context_.project.IsOpen();
  std::optional<ProjectKeys> keys = open ? LoadProjectKeys(context_.project.path) : std::nullopt;
  publicKey_->setText(keys ? ToQt(keys->publicKey) : (open ? Tr("（无：升级包不签名）") : QString()));
  oldPublicKey_->setText(keys ? ToQt(keys->oldPublicKey) : QString());
  newKey_->setEnabled(open);
  changeKey_->setEnabled(keys.has_value());
  changeKey_->setText(Tr(keys && !keys->oldPublicKey.empty() ? "完成密钥更换" : "更换密钥(保留旧公钥)"));
}

void CreateDebugPage::MakeNewKeyPair() {
  if (!context_.project.IsOpen()) return;
  if (LoadProjectKeys(context_.project.path) &&
      !context_.dialogs->Ask(Gbk("新密钥对将取代现有的密钥：只认旧公钥的已安装客户端将拒绝以后的升级包。"
                                 "要平稳更换，请用“更换密钥(保留旧公钥)”。继续吗？"),
                             true)) {
    return;
  }
  std::string error;
  if (!MakeProjectKey(context_.project.path, &error)) context_.dialogs->Message(error);
  ShowProjectKeys();
  RecordProjectKey();
}

void CreateDebugPage::ChangeKey() {
  std::optional<ProjectKeys> keys = LoadProjectKeys(context_.project.path);
  if (!keys) return;
  std::string error;
  if (keys->oldPublicKey.empty()) {
    if (!StartKeyChange(context_.project.path, &error)) context_.dialogs->Message(error);
  } else if (context_.dialogs->Ask(Gbk("完成更换后，升级包改用新密钥签名，只有已经装上含新公钥的客户端配置的"
                                       "客户端才能继续升级。继续吗？"),
                                   true)) {
    if (!FinishKeyChange(context_.project.path, &error)) context_.dialogs->Message(error);
  }
  ShowProjectKeys();
  RecordProjectKey();
}

void CreateDebugPage::RecordProjectKey() {
  std::optional<ProjectKeys> keys = LoadProjectKeys(context_.project.path);
  // A lost key is never forgotten here: only a key that is there replaces
  // the record.
  if (!keys || keys->publicKey == recordedKey_) return;
  recordedKey_ = keys->publicKey;
  SetModified();
}

bool CreateDebugPage::ProjectPassesChecks() {
  if (!context_.model) return true;
  const std::vector<ProjectProblem> problems = CheckProject(*context_.model);
  if (problems.empty()) return true;
  if (HasErrors(problems)) {
    context_.dialogs->Message(ProblemReport(problems));
    return false;
  }
  return context_.dialogs->Ask(ProblemReport(problems), true);
}

}  // namespace author

#pragma once
// CreateDebugPage: the tab "创建与调试". The upper half ("升级包") holds the
// output folder, the client configuration's output mode and "创建升级包",
// which saves the project and runs the package generator on a worker
// thread; the lower half ("调试") holds the four debug switches, the
// command line, "启动升级程序", the three viewing buttons and the message
// log fed by the page's own host endpoint. The signing keys of the project
// (see project_keys.h) are shown below the package half's buttons. Project keys: [project]
// output_path, local_cfgout, param_val. The output folder is shared
// through the project identity.

#include <functional>
#include <memory>
#include <string>

#include "author/generator/package_generator.h"
#include "author/project/package_summary.h"
#include "author/pages/project_page.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace author {

class DebugRunner;

class CreateDebugPage : public ProjectPage {
  Q_OBJECT

 public:
  CreateDebugPage(ProjectContext& context, QWidget* parent = nullptr);
  ~CreateDebugPage() override;

  void Load(ProjectFile& file) override;
  void WriteKeys(ProjectFile& file) override;

  const std::string& DebugSwitches() const { return paramVal_; }
  int ConfigOutput() const { return localCfgOut_; }
  /// The switch string and the command line shown after "命令行：" (GBK).
  const std::string& SwitchString() const { return switches_; }
  std::string CommandLine() const;
  int64_t Endpoint() const;
  /// The message log's text (UTF-16, as shown).
  QString MessageLog() const;
  bool IsGenerating() const { return generating_; }

  // The buttons' operations.
  void CreatePackage();
  void OpenOutputFolder();
  void StartClient();
  void ShowClientConfig();
  void ShowServerConfig();
  void ShowLog();
  /// The signing keys: a new pair replacing the old (after a question when
  /// there was one); starting or finishing a key change.
  void MakeNewKeyPair();
  void ChangeKey();

 signals:
  /// A generation ended (after its boxes were shown).
  void GenerationFinished(bool ok);

 protected:
  void ResetPage() override;

 private:
  QWidget* MakePackageHalf();
  QWidget* MakeDebugHalf();
  void ShowOutputFolder();
  void ShowProjectKeys();
  /// The server locations of the project as it stands (its urls value).
  std::string ServerUrls() const;
  void OutputFolderEdited();
  void BrowseOutputFolder();
  void SwitchesClicked();
  void RebuildSwitches();
  void ShowSwitches();
  void AppendLogLine(const std::string& line);
  void GenerationProgress(int position, const QString& step);
  void GenerationEnded(const GeneratorResult& result);
  /// The output folder as a GBK native path ending in "/" ("" when unset).
  std::string OutputFolder() const;
  /// Opens the file in the viewer, or the message missing + path.
  void ShowTextFile(const std::string& path, const std::string& missingSuffix);

  /// The public key the project signs with, as the project file records
  /// it: "" for a project that never signed.
  std::string recordedKey_;
  // The package being made, and the files of an earlier one it replaces.
  PackageFiles packageFiles_;
  std::vector<std::string> replaced_;
  /// Records the key the project has now; the page is modified when the
  /// record changes.
  void RecordProjectKey();
  /// The checks before a package: false when it must not be made.
  bool ProjectPassesChecks();
  // Kept over a reset: the values of the project closed last.
  std::string paramVal_ = "0000";
  int localCfgOut_ = 0;
  std::string switches_;
  bool generating_ = false;
  std::unique_ptr<DebugRunner> runner_;

  QLineEdit* output_;
  QButtonGroup* mode_;
  QPushButton* create_;
  QProgressBar* progress_;
  QLabel* status_;
  QLineEdit* publicKey_;
  QLineEdit* oldPublicKey_;
  QPushButton* newKey_;
  QPushButton* changeKey_;
  QCheckBox* switchBoxes_[4];
  QLineEdit* commandLine_;
  QPlainTextEdit* log_;
};

}  // namespace author

#pragma once
// CreateDebugPage: the tab "创建与调试". It owns the project keys of the
// package output ([project] output_path, local_cfgout) and the debug
// switches (param_val); the package generator and the debug runner will
// live here. The output folder is shared through the project identity.

#include <string>

#include "author/project_page.h"

class QLabel;

namespace author {

class CreateDebugPage : public ProjectPage {
  Q_OBJECT

 public:
  CreateDebugPage(ProjectContext& context, QWidget* parent = nullptr);

  void Load(ProjectFile& file) override;
  void WriteKeys(ProjectFile& file) override;

  const std::string& DebugSwitches() const { return paramVal_; }
  int ConfigOutput() const { return localCfgOut_; }

 protected:
  void ResetPage() override;

 private:
  void ShowOutputFolder();

  // Kept over a reset: the values of the project closed last.
  std::string paramVal_ = "0000";
  int localCfgOut_ = 0;
  QLabel* output_;
};

}  // namespace author

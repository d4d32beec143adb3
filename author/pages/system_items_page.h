#pragma once
// SystemItemsPage: the tab "系统项设置". Where the server configuration file
// lies (a URL list), the log switch, and under "配置" three sub-pages chosen
// in a tree: the prompt windows ([UI]), the processes to close and the
// programs to run at each stage ([system]).

#include <array>
#include <string>
#include <string_view>

#include "author/pages/project_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QStackedWidget;
class QTreeWidget;

namespace author {

class UrlListEditor;

/// The prompt windows' defaults in [UI], as a new project has them: the
/// switch of an on-key ("start_win": 1) and the text of a text key
/// ("start_win_msg", GBK). 0 and "" for any other key.
int DefaultPromptSwitch(std::string_view onKey);
std::string DefaultPromptText(std::string_view textKey);

class SystemItemsPage : public ProjectPage {
  Q_OBJECT

 public:
  static constexpr int kPromptRows = 6;
  static constexpr int kRunKeys = 8;
  static constexpr int kCloseKeys = 4;

  SystemItemsPage(ProjectContext& context, QWidget* parent = nullptr);

  void Load(ProjectFile& file) override;
  void WriteKeys(ProjectFile& file) override;

  UrlListEditor* Urls() const { return urls_; }
  /// Shows sub-page 0, 1 or 2 (prompt windows, processes, programs).
  void ShowSubPage(int index);

 protected:
  void ResetPage() override;

 private:
  QWidget* MakePromptPage();
  QWidget* MakeClosePage();
  QWidget* MakeRunPage();

  UrlListEditor* urls_;
  QCheckBox* closeLog_;
  QTreeWidget* tree_;
  QStackedWidget* subPages_;
  std::array<QCheckBox*, kPromptRows> promptOn_{};
  std::array<QComboBox*, kPromptRows> promptText_{};
  std::array<QLineEdit*, kCloseKeys> close_{};
  std::array<QComboBox*, kRunKeys> run_{};
};

}  // namespace author

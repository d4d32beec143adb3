#pragma once
// SkinDesignerPage: the tab "界面设计", where the look of the client's four
// windows is designed ([UI] and [win0]..[win3] of the project). The page
// assembles the canvas, the element check boxes, the alignment buttons, the
// property panels, the page-wide fields, the templates and the preview.

#include <array>
#include <memory>

#include "author/pages/project_page.h"
#include "author/project/skin_project.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace author {

class SkinCanvas;
class SkinEditor;
class SkinPanels;
class SkinPreview;
class SkinTemplates;

class SkinDesignerPage : public ProjectPage {
  Q_OBJECT

 public:
  SkinDesignerPage(ProjectContext& context, QWidget* parent = nullptr);
  ~SkinDesignerPage() override;

  void Load(ProjectFile& file) override;
  void WriteKeys(ProjectFile& file) override;

  SkinEditor& Editor() { return *editor_; }
  SkinTemplates& Templates() { return *templates_; }
  /// The design as it would be written now (page fields and template included).
  formats::SkinDesign CurrentDesign() const;

  // The page's commands (also its buttons' slots).
  void SetUseCustom(bool on);
  void UseDefaults();
  void UseTemplate();
  void BrowseIcon();
  void ChooseTemplate();
  /// Shows the current template's name and author.
  void RefreshTemplateInfo();
  void SaveTemplate();
  void Preview();

 protected:
  void ResetPage() override;

 private:
  QWidget* MakeWindowRow();
  QWidget* MakeElementBoxes();
  QWidget* MakeAlignButtons();
  QWidget* MakeFields();
  QWidget* MakeTemplateBox();
  void ShowSkin(const ProjectSkin& skin);
  void RefreshControls();
  void SetElementShown(int element, bool on);

  std::unique_ptr<SkinTemplates> templates_;
  SkinEditor* editor_ = nullptr;
  SkinCanvas* canvas_ = nullptr;
  SkinPanels* panels_ = nullptr;
  SkinPreview* preview_ = nullptr;
  QButtonGroup* windows_ = nullptr;
  QCheckBox* hideWindow_ = nullptr;
  QCheckBox* useCustom_ = nullptr;
  std::array<QCheckBox*, formats::kDesignElementCount> elementBoxes_{};
  QComboBox* title_ = nullptr;
  QLineEdit* icon_ = nullptr;
  QLabel* templateName_ = nullptr;
  QLabel* templateAuthor_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  std::vector<QWidget*> editOnly_;  // enabled only with "使用自定义窗口"
  formats::SkinDesign customDesign_;  // the stored windows while the defaults show
  bool refreshing_ = false;
};

}  // namespace author

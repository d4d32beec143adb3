#pragma once
// SkinDesignerPage: the tab "界面设计", where the look of the client's four
// windows is designed ([UI] and [win0]..[win3] of the project).

#include "author/project_page.h"

namespace author {

class SkinDesignerPage : public ProjectPage {
  Q_OBJECT

 public:
  SkinDesignerPage(ProjectContext& context, QWidget* parent = nullptr);

  void Load(ProjectFile& file) override;
  void WriteKeys(ProjectFile& file) override;

 protected:
  void ResetPage() override;
};

}  // namespace author

#include "author/skin_designer_page.h"

namespace author {

SkinDesignerPage::SkinDesignerPage(ProjectContext& context, QWidget* parent) : ProjectPage(context, parent) {
  setObjectName("skinDesignerPage");
  TrackEdits();
}

// The designer's keys come with the designer; until then a project keeps
// whatever [win0]..[win3] it holds, untouched.
void SkinDesignerPage::Load(ProjectFile&) {}
void SkinDesignerPage::WriteKeys(ProjectFile&) {}
void SkinDesignerPage::ResetPage() {}

}  // namespace author

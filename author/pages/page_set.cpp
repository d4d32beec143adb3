#include "author/pages/page_set.h"

#include "author/pages/create_debug_page.h"
#include "author/pages/item_slots_page.h"
#include "author/pages/skin_designer_page.h"
#include "author/pages/system_items_page.h"

namespace author {

PageArray CreatePages(ProjectContext& context, QWidget* parent) {
  PageArray pages{};
  pages[kSystemPage] = new SystemItemsPage(context, parent);
  pages[kFilePage] = new ItemSlotsPage(ItemKind::File, context, parent);
  pages[kDirPage] = new ItemSlotsPage(ItemKind::Dir, context, parent);
  pages[kSkinPage] = new SkinDesignerPage(context, parent);
  pages[kCreatePage] = new CreateDebugPage(context, parent);
  return pages;
}

}  // namespace author

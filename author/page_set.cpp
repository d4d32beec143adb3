#include "author/page_set.h"

#include "author/create_debug_page.h"
#include "author/item_slots_page.h"
#include "author/skin_designer_page.h"
#include "author/system_items_page.h"
#include "author/project/url_entry.h"
#include "author/url_list_editor.h"

namespace author {

PageArray CreatePages(ProjectContext& context, QWidget* parent) {
  PageArray pages{};
  pages[kSystemPage] = new SystemItemsPage(context, parent);
  pages[kFilePage] = new ItemSlotsPage(ItemKind::File, context, parent);
  pages[kDirPage] = new ItemSlotsPage(ItemKind::Dir, context, parent);
  pages[kSkinPage] = new SkinDesignerPage(context, parent);
  auto* create = new CreateDebugPage(context, parent);
  auto* system = static_cast<SystemItemsPage*>(pages[kSystemPage]);
  // The server configuration shown is the one the URL list names now.
  create->SetServerUrls([system] { return UrlsFromDisplayLines(system->Urls()->Lines()); });
  pages[kCreatePage] = create;
  return pages;
}

}  // namespace author

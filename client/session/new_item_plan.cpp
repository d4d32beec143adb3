#include "client/session/new_item_plan.h"

namespace session {

std::string PlannedItem::Section() const { return (IsDir() ? "dir" : "file") + std::to_string(slot); }

NewItemPlan PlanNewItems(const FileItems& files, const DirItems& dirs) {
  NewItemPlan plan;
  for (int n = 0; n < kFileItemCount; ++n) {
    const FileItem& item = files[static_cast<size_t>(n)];
    if (item.newItem) plan.push_back({ItemKind::kFile, n, &item, nullptr});
  }
  for (int n = 0; n < kDirItemCount; ++n) {
    const DirItem& item = dirs[static_cast<size_t>(n)];
    if (item.newItem) plan.push_back({ItemKind::kDir, n, nullptr, &item});
  }
  return plan;
}

}  // namespace session

#pragma once
// NewItemPlan: the run's new items walked once, in the order every stage
// handles them: the marked file items by slot, then the marked dir items by
// slot. The download list, the download, the closer, the backup, the
// installation, the version record and the rollback all follow it, so the
// list rows, the host's overall progress and the log keep one order.

#include <string>
#include <vector>

#include "client/session/item_slots.h"

namespace session {

enum class ItemKind { kFile, kDir };

/// One new item: which slot of which kind, and the fields both kinds have.
/// The item itself stays in the run's slots; the plan only points at it.
struct PlannedItem {
  ItemKind kind = ItemKind::kFile;
  int slot = 0;
  const FileItem* file = nullptr;  // set for a file item
  const DirItem* dir = nullptr;    // set for a dir item

  bool IsDir() const { return kind == ItemKind::kDir; }
  const std::string& Path() const { return file ? file->path : dir->path; }
  const std::string& ServerVersion() const { return file ? file->serverVersion : dir->serverVersion; }
  const std::string& Describe() const { return file ? file->describe : dir->describe; }
  int ModifyVer() const { return file ? file->modifyVer : dir->modifyVer; }
  const formats::UrlList& Locations() const { return file ? file->locations : dir->locations; }
  /// The item's section in the configurations: "file<n>" or "dir<n>".
  std::string Section() const;
};

using NewItemPlan = std::vector<PlannedItem>;

/// The marked items of the slots, file items first; empty when none is new.
NewItemPlan PlanNewItems(const FileItems& files, const DirItems& dirs);

}  // namespace session

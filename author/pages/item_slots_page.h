#pragma once
// ItemSlotsPage: the tabs "文件项设置" (20 file items) and "目录项设置" (10
// dir items). The page shows one slot at a time; choosing another slot in
// the slot list first stores the shown fields into the current slot. A slot
// whose URL list is non-empty is labelled "*[file%d]" ("*[dir%d]"). The file
// page has a "计算MD5" button that digests a chosen file into the MD5 field.

#include <QString>
#include <vector>

#include "author/project/item_slot.h"
#include "author/pages/project_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace author {

class UrlListEditor;

class ItemSlotsPage : public ProjectPage {
  Q_OBJECT

 public:
  ItemSlotsPage(ItemKind kind, ProjectContext& context, QWidget* parent = nullptr);

  void Load(ProjectFile& file) override;
  void WriteKeys(ProjectFile& file) override;

  ItemKind Kind() const { return kind_; }
  int CurrentSlot() const { return current_; }
  /// Stores the shown fields, then shows slot index.
  void SelectSlot(int index);
  /// The slot's data (the shown slot as last stored).
  const ItemSlot& Slot(int index) const { return slots_[index]; }
  QString SlotLabel(int index) const;
  UrlListEditor* Urls() const { return urls_; }

  /// Asks for a file and puts its MD5 digest into the MD5 field.
  void ComputeMd5();

 protected:
  void ResetPage() override;

 private:
  void StoreShown();
  void Show(int index);
  void RefreshLabel(int index);
  void FillShowTypes(int showType);
  void RebuildSlotList();

  ItemKind kind_;
  std::vector<ItemSlot> slots_;
  int current_ = 0;

  QListWidget* slotList_;
  QComboBox* localVer_;
  QComboBox* fileVer_;
  UrlListEditor* urls_;
  QComboBox* path_;
  QLineEdit* describe_;
  QCheckBox* modifyVer_;
  QComboBox* opMode_;
  QComboBox* showType_;
  // File items.
  QLineEdit* rename_ = nullptr;
  QLineEdit* md5_ = nullptr;
  QPushButton* md5Button_ = nullptr;
  QCheckBox* uncompress_ = nullptr;
  QCheckBox* runme_ = nullptr;
  // Dir items.
  QLineEdit* filter_ = nullptr;
  QCheckBox* subdirs_ = nullptr;
};

}  // namespace author

#pragma once
// QtDialogs: the tool's Dialogs shown on screen with Qt's boxes, file
// dialogs and menus.

#include "author/dialogs.h"

class QWidget;

namespace author {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Message(const std::string& text) override;
  bool Ask(const std::string& text, bool questionIcon) override;
  SaveChoice AskSave(const std::string& text) override;
  void About(const std::string& text) override;
  std::string OpenFile(const std::string& filter, const std::string& defaultExt,
                       const std::string& startFolder) override;
  std::string SaveFile(const std::string& filter, const std::string& defaultExt,
                       const std::string& initialPath, const std::string& startFolder) override;
  std::string PickFolder(const std::string& title, const std::string& startFolder) override;
  int PopupMenu(const std::vector<std::string>& entries) override;
  std::optional<uint32_t> PickColor(uint32_t initial) override;
  bool Run(QDialog& dialog) override;

 private:
  QWidget* parent_;
};

}  // namespace author

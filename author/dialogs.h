#pragma once
// Dialogs: every message box, file dialog, folder picker and pop-up menu of
// the authoring tool goes through this interface, so tests answer them
// without a screen. Texts are GBK; paths come back as GBK with "/" (the
// native form), "" when the user chose nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QDialog;

namespace author {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  /// A modal information box with the caption "信息提示".
  virtual void Message(const std::string& text) = 0;
  /// A modal Yes/No question; true for Yes (a dismissed box is No).
  virtual bool Ask(const std::string& text, bool questionIcon) = 0;
  /// The question before unsaved changes go: save, leave them, or go back
  /// (Esc and the box's close button go back).
  enum class SaveChoice { Save, Discard, Cancel };
  virtual SaveChoice AskSave(const std::string& text) = 0;
  /// The About box.
  virtual void About(const std::string& text) = 0;

  /// File dialogs. filter is written "描述(*.a;*.b)|*.a;*.b||"; defaultExt
  /// without the dot is added to a typed name that has no extension.
  virtual std::string OpenFile(const std::string& filter, const std::string& defaultExt,
                               const std::string& startFolder) = 0;
  virtual std::string SaveFile(const std::string& filter, const std::string& defaultExt,
                               const std::string& initialPath, const std::string& startFolder) = 0;
  virtual std::string PickFolder(const std::string& title, const std::string& startFolder) = 0;

  /// A pop-up menu at the mouse: entries (an empty entry is a separator);
  /// the index chosen, -1 when nothing was.
  virtual int PopupMenu(const std::vector<std::string>& entries) = 0;

  /// The colour dialog, starting at `initial` (0x00BBGGRR, as skins store
  /// colours); the colour chosen, or nullopt when it was cancelled.
  virtual std::optional<uint32_t> PickColor(uint32_t initial) = 0;

  /// Runs one of the tool's own modal dialogs; true when it was accepted.
  virtual bool Run(QDialog& dialog) = 0;
};

}  // namespace author

#pragma once
// ProgressSink: what the transfer engine shows in the download window. The
// engine calls it on the worker thread; the window implements it with
// queued signals that carry copies of the values. Texts are GBK.

#include <string>

namespace transfer {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  /// True when the row's first column begins with "<" (a dir item). Asked on
  /// the worker thread; the rows are fixed before the worker starts.
  virtual bool IsDirectoryRow(int row) const = 0;
  /// Appends text to the row's first column (the "(size)" suffix).
  virtual void AppendRowText(int row, const std::string& text) = 0;
  /// The row's progress column (column 1), 0 to 100.
  virtual void SetRowProgress(int row, int percent) = 0;
  /// The row's speed column (column 2).
  virtual void SetRowSpeed(int row, const std::string& text) = 0;
  /// The current-file progress bar, 0 to 100.
  virtual void SetFileBar(int percent) = 0;
  /// The window's transfer-status text: size text + "(" + speed + ")".
  virtual void SetTransferStatus(const std::string& text) = 0;
  /// The tray icon's tip (only called while the tray icon is in use).
  virtual void SetTrayTip(const std::string& text) = 0;
  /// The status line: log file, status field and details box ("OK!").
  virtual void AddMessage(const std::string& text) = 0;
};

}  // namespace transfer

#pragma once
// StageSink: everything a stage worker (download, installation, preview)
// may ask of its page, beyond the transfer engine's ProgressSink: list rows,
// the bars, questions that wait for the user's answer, and the stage's end.
// The page side (client/ui) implements it with queued calls carrying copies,
// so every call is safe from the worker thread and arrives on the page's
// thread in the order it was made. Once the page is gone or its stage has
// ended, calls do nothing and questions get their dismiss answer at once.
// Texts are GBK.

#include <string>

#include "client/session/prompter.h"
#include "client/stage/progress_sink.h"

namespace transfer {

class StageSink : public ProgressSink {
 public:
  /// Appends a list row with column 0 = text and gives its number (rows
  /// count from 0 in the order they were added through this sink). A text
  /// beginning with "<" makes a directory row (IsDirectoryRow).
  virtual int AddRow(const std::string& text) = 0;
  /// Sets the row's check mark: the item is done.
  virtual void CheckRow(int row) = 0;
  /// Progress bar n (0: the current file or the installation, 1: the whole
  /// download): range 0 to maximum, and its position.
  virtual void SetBarRange(int bar, int maximum) = 0;
  virtual void SetBarValue(int bar, int value) = 0;

  /// Shows the box on the page's thread and waits for the answer; the
  /// dismiss answer when the page is gone or the stage has ended.
  virtual session::BoxAnswer Ask(const session::BoxRequest& request) = 0;
  /// The information box of the run ("\n" + text + "\n"), waiting until it
  /// is closed; nothing while the show type keeps boxes away.
  virtual void Notice(const std::string& text) = 0;
  /// The Retry / Cancel box; false at once while boxes are kept away.
  virtual bool AskRetry(const std::string& text) = 0;

  /// The page's button that ends a finished stage: "下一步(&N)" on the
  /// download page, "完成(&O)" (pressing it ends with success) on the
  /// update page.
  virtual void ShowFinishButton(int success) = 0;
  /// A finished stage: with waitForUser (a manual session) and the page
  /// visible, shows the finish button and waits for it; otherwise ends the
  /// stage with success.
  virtual void FinishStage(bool waitForUser, int success) = 0;
  /// Ends the stage (1 success, 0 failure or cancel); the first end wins.
  virtual void EndStage(int success) = 0;
};

}  // namespace transfer

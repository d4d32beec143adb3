#pragma once
// SkinEditor: the design being edited and everything the designer does to
// it: the current window, the selected elements and the reference element,
// moving and resizing by the eight grab handles, the alignment and size
// commands, property changes, the right-click undo of the last move or
// resize, and a multi-level undo and redo of every change. The canvas and
// the panels only translate widget events into these calls.

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>
#include <vector>

#include "formats/skin_design.h"

namespace author {

/// The window background, selectable after every element.
inline constexpr int kBackground = formats::kDesignElementCount;
inline constexpr int kSelectableCount = formats::kDesignElementCount + 1;

/// Grab handles, clockwise from the top-left corner.
enum Handle : int { kTopLeft, kTop, kTopRight, kRight, kBottomRight, kBottom, kBottomLeft, kLeft, kHandleCount };
inline constexpr int kHandleSize = 7;

enum class Align { Left, Right, Top, Bottom, SameWidth, SameHeight, SameSize };

class SkinEditor : public QObject {
  Q_OBJECT

 public:
  explicit SkinEditor(QObject* parent = nullptr);

  const formats::SkinDesign& Design() const { return design_; }
  /// Replaces the whole design (load, reset): selection and history cleared.
  void SetDesign(const formats::SkinDesign& design);
  /// A property change of the design, undoable; Changed() follows.
  void Change(const std::function<void(formats::SkinDesign&)>& edit);

  int CurrentWindow() const { return current_; }
  void SetCurrentWindow(int n);
  const formats::DesignWindow& Window() const { return design_.windows[current_]; }

  /// Whether the canvas may be edited ("使用自定义窗口").
  bool Editable() const { return editable_; }
  void SetEditable(bool on);

  // Selection in the current window.
  bool IsSelected(int element) const { return selected_[current_][element]; }
  std::vector<int> Selection() const;
  int Reference() const { return reference_; }
  void ClearSelection();

  /// The element under a point of the window (window coordinates): the
  /// first existing and shown element in hit-test order, else the
  /// background, else -1 outside the window.
  int HitTest(QPoint p) const;
  /// The handle of a selected element under p, or -1.
  int HandleAt(int element, QPoint p) const;
  static QRect HandleRect(const formats::SkinRect& r, int handle);
  /// The rectangle of a selectable element (the background's is the window).
  formats::SkinRect RectOf(int element) const;

  // A left press, the drag and its end.
  /// Press at p: remembers every rectangle, selects (Ctrl adds, never the
  /// background), makes the element the reference and starts a move or a
  /// resize. False when nothing editable was hit.
  bool Press(QPoint p, bool ctrl);
  /// Whether a press started a move (for the cursor).
  bool Dragging() const { return gesture_ != Gesture::None; }
  void DragTo(QPoint p);
  void Release();
  /// Right click: the selected elements go back to where the last press found them.
  void UndoLastGesture();

  /// Moves the selection by dx, dy (arrow keys), one undo step.
  void Nudge(int dx, int dy);
  void AlignSelection(Align how);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  void Undo();
  void Redo();

 signals:
  /// The design changed (the page becomes modified).
  void Changed();
  /// Current window, selection or reference changed (panels refill).
  void SelectionChanged();
  /// Something the canvas shows changed.
  void Repaint();

 private:
  enum class Gesture { None, Move, Resize };

  formats::SkinRect& MutableRect(int element);
  void PushUndo(const formats::SkinDesign& before);
  void Commit(const formats::SkinDesign& before);

  formats::SkinDesign design_;
  int current_ = 0;
  bool editable_ = false;
  std::array<std::array<bool, kSelectableCount>, formats::kDesignWindowCount> selected_{};
  int reference_ = -1;

  Gesture gesture_ = Gesture::None;
  int gestureElement_ = -1;
  int gestureHandle_ = -1;
  QPoint pressPoint_;
  formats::SkinDesign pressDesign_;  // every rectangle as the last press found it
  bool pressedOnce_ = false;

  std::vector<formats::SkinDesign> undo_;
  std::vector<formats::SkinDesign> redo_;
};

/// Qt's rectangle for a skin rectangle, and back.
QRect ToQRect(const formats::SkinRect& r);
formats::SkinRect FromQRect(const QRect& r);

}  // namespace author

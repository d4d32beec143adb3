#include "author/skin/skin_editor.h"

#include <QRect>
#include <algorithm>

namespace author {

using formats::SkinRect;

namespace {

constexpr size_t kUndoDepth = 100;

bool Contains(const SkinRect& r, QPoint p) {
  return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

QPoint HandleCentre(const SkinRect& r, int handle) {
  const int midX = (r.left + r.right) / 2;
  const int midY = (r.top + r.bottom) / 2;
  switch (handle) {
    case kTopLeft: return {r.left, r.top};
    case kTop: return {midX, r.top};
    case kTopRight: return {r.right, r.top};
    case kRight: return {r.right, midY};
    case kBottomRight: return {r.right, r.bottom};
    case kBottom: return {midX, r.bottom};
    case kBottomLeft: return {r.left, r.bottom};
    default: return {r.left, midY};
  }
}

}  // namespace

QRect ToQRect(const SkinRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
SkinRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

SkinEditor::SkinEditor(QObject* parent) : QObject(parent) {}

void SkinEditor::SetDesign(const formats::SkinDesign& design) {
  design_ = design;
  for (auto& window : selected_) window.fill(false);
  reference_ = -1;
  gesture_ = Gesture::None;
  pressedOnce_ = false;
  undo_.clear();
  redo_.clear();
  emit SelectionChanged();
  emit Repaint();
}

void SkinEditor::Change(const std::function<void(formats::SkinDesign&)>& edit) {
  const formats::SkinDesign before = design_;
  edit(design_);
  Commit(before);
}

void SkinEditor::Commit(const formats::SkinDesign& before) {
  if (design_ == before) return;
  PushUndo(before);
  redo_.clear();
  emit Changed();
  emit Repaint();
}

void SkinEditor::PushUndo(const formats::SkinDesign& before) {
  undo_.push_back(before);
  if (undo_.size() > kUndoDepth) undo_.erase(undo_.begin());
}

void SkinEditor::SetCurrentWindow(int n) {
  if (n < 0 || n >= formats::kDesignWindowCount || n == current_) return;
  current_ = n;
  reference_ = -1;
  for (int e = 0; e < kSelectableCount; ++e) {
    if (selected_[current_][e]) reference_ = e;
  }
  emit SelectionChanged();
  emit Repaint();
}

void SkinEditor::SetEditable(bool on) {
  editable_ = on;
  if (!on) {
    for (auto& window : selected_) window.fill(false);
    reference_ = -1;
    gesture_ = Gesture::None;
  }
  emit SelectionChanged();
  emit Repaint();
}

std::vector<int> SkinEditor::Selection() const {
  std::vector<int> out;
  for (int e = 0; e < kSelectableCount; ++e) {
    if (selected_[current_][e]) out.push_back(e);
  }
  return out;
}

void SkinEditor::ClearSelection() {
  selected_[current_].fill(false);
  reference_ = -1;
  emit SelectionChanged();
  emit Repaint();
}

SkinRect SkinEditor::RectOf(int element) const {
  if (element == kBackground) return Window().rect;
  return Window().elements[element].rect;
}

SkinRect& SkinEditor::MutableRect(int element) {
  auto& window = design_.windows[current_];
  return element == kBackground ? window.rect : window.elements[element].rect;
}

int SkinEditor::HitTest(QPoint p) const {
  const auto& window = Window();
  for (int e = 0; e < formats::kDesignElementCount; ++e) {
    const auto& element = window.elements[e];
    if (element.exists && element.show && Contains(element.rect, p)) return e;
  }
  return Contains(window.rect, p) ? kBackground : -1;
}

QRect SkinEditor::HandleRect(const SkinRect& r, int handle) {
  const QPoint c = HandleCentre(r, handle);
  return QRect(c.x() - kHandleSize / 2, c.y() - kHandleSize / 2, kHandleSize, kHandleSize);
}

int SkinEditor::HandleAt(int element, QPoint p) const {
  if (element < 0 || !selected_[current_][element]) return -1;
  const SkinRect r = RectOf(element);
  for (int h = 0; h < kHandleCount; ++h) {
    // The window's corner stays where it is: only its right and bottom edges move.
    if (element == kBackground && h != kRight && h != kBottomRight && h != kBottom) continue;
    if (HandleRect(r, h).contains(p)) return h;
  }
  return -1;
}

bool SkinEditor::Press(QPoint p, bool ctrl) {
  if (!editable_) return false;
  pressDesign_ = design_;
  pressedOnce_ = true;
  // A handle of a selected element wins over whatever lies under it.
  for (int e : Selection()) {
    int h = HandleAt(e, p);
    if (h >= 0) {
      reference_ = e;
      gesture_ = Gesture::Resize;
      gestureElement_ = e;
      gestureHandle_ = h;
      pressPoint_ = p;
      emit SelectionChanged();
      return true;
    }
  }
  int hit = HitTest(p);
  if (hit < 0 || (ctrl && hit == kBackground)) return false;
  auto& selected = selected_[current_];
  if (!selected[hit]) {
    if (!ctrl) selected.fill(false);
    selected[hit] = true;
  }
  // The background never moves with the elements.
  if (hit != kBackground) selected[kBackground] = false;
  reference_ = hit;
  gesture_ = hit == kBackground ? Gesture::None : Gesture::Move;
  gestureElement_ = hit;
  pressPoint_ = p;
  emit SelectionChanged();
  emit Repaint();
  return true;
}

void SkinEditor::DragTo(QPoint p) {
  if (gesture_ == Gesture::None) return;
  const QPoint d = p - pressPoint_;
  auto& window = design_.windows[current_];
  const auto& start = pressDesign_.windows[current_];
  if (gesture_ == Gesture::Move) {
    for (int e : Selection()) {
      if (e == kBackground) continue;
      SkinRect r = start.elements[e].rect;
      window.elements[e].rect = {r.left + d.x(), r.top + d.y(), r.right + d.x(), r.bottom + d.y()};
    }
  } else {
    SkinRect r = gestureElement_ == kBackground ? start.rect : start.elements[gestureElement_].rect;
    const int h = gestureHandle_;
    if (h == kTopLeft || h == kLeft || h == kBottomLeft) r.left = std::min(r.left + d.x(), r.right - 1);
    if (h == kTopRight || h == kRight || h == kBottomRight) r.right = std::max(r.right + d.x(), r.left + 1);
    if (h == kTopLeft || h == kTop || h == kTopRight) r.top = std::min(r.top + d.y(), r.bottom - 1);
    if (h == kBottomLeft || h == kBottom || h == kBottomRight) r.bottom = std::max(r.bottom + d.y(), r.top + 1);
    MutableRect(gestureElement_) = r;
  }
  emit Repaint();
}

void SkinEditor::Release() {
  if (gesture_ == Gesture::None) return;
  gesture_ = Gesture::None;
  if (design_ == pressDesign_) return;
  PushUndo(pressDesign_);
  redo_.clear();
  emit Changed();
  emit Repaint();
}

void SkinEditor::UndoLastGesture() {
  if (!editable_ || !pressedOnce_) return;
  const formats::SkinDesign before = design_;
  const auto& start = pressDesign_.windows[current_];
  for (int e : Selection()) MutableRect(e) = e == kBackground ? start.rect : start.elements[e].rect;
  Commit(before);
}

void SkinEditor::Nudge(int dx, int dy) {
  if (!editable_) return;
  const formats::SkinDesign before = design_;
  for (int e : Selection()) {
    if (e == kBackground) continue;
    SkinRect& r = MutableRect(e);
    r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  }
  Commit(before);
}

void SkinEditor::AlignSelection(Align how) {
  if (!editable_ || reference_ < 0 || reference_ == kBackground) return;
  const formats::SkinDesign before = design_;
  const SkinRect ref = RectOf(reference_);
  for (int e : Selection()) {
    if (e == kBackground || e == reference_) continue;
    SkinRect& r = MutableRect(e);
    const int w = r.Width();
    const int h = r.Height();
    switch (how) {
      case Align::Left: r.left = ref.left; r.right = r.left + w; break;
      case Align::Right: r.right = ref.right; r.left = r.right - w; break;
      case Align::Top: r.top = ref.top; r.bottom = r.top + h; break;
      case Align::Bottom: r.bottom = ref.bottom; r.top = r.bottom - h; break;
      case Align::SameWidth: r.right = r.left + ref.Width(); break;
      case Align::SameHeight: r.bottom = r.top + ref.Height(); break;
      case Align::SameSize:
        r.right = r.left + ref.Width();
        r.bottom = r.top + ref.Height();
        break;
    }
  }
  Commit(before);
}

void SkinEditor::Undo() {
  if (!editable_ || undo_.empty()) return;
  redo_.push_back(design_);
  design_ = undo_.back();
  undo_.pop_back();
  emit Changed();
  emit SelectionChanged();
  emit Repaint();
}

void SkinEditor::Redo() {
  if (!editable_ || redo_.empty()) return;
  PushUndo(design_);
  design_ = redo_.back();
  redo_.pop_back();
  emit Changed();
  emit SelectionChanged();
  emit Repaint();
}

}  // namespace author

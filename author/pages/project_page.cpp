#include "author/pages/project_page.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "author/project/project_file.h"

namespace author {

namespace {

bool IsInputControl(QWidget* w) {
  return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
         qobject_cast<QAbstractItemView*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
         qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
}

bool IsDisplayOnly(QWidget* w, QWidget* page) {
  for (QWidget* p = w; p && p != page; p = p->parentWidget()) {
    if (p->property("displayOnly").toBool()) return true;
  }
  return false;
}

}  // namespace

ProjectPage::ProjectPage(ProjectContext& context, QWidget* parent) : QWidget(parent), context_(context) {}

void ProjectPage::Save(ProjectFile& file) {
  if (modified_) WriteKeys(file);
  modified_ = false;
}

void ProjectPage::Reset() {
  ResetPage();
  SetModified();
}

void ProjectPage::SetModified() {
  modified_ = true;
  emit Modified();
  emit Edited();
}

void ProjectPage::TrackEdits() {
  // Labels, group boxes and the page itself are background: a click there
  // changes nothing. An input control's inner parts (a list's viewport, a
  // combo's line edit) are watched with it.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!IsInputControl(w) || IsDisplayOnly(w, this)) continue;
    w->installEventFilter(this);
    for (QWidget* inner : w->findChildren<QWidget*>()) inner->installEventFilter(this);
  }
}

bool ProjectPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (!static_cast<QKeyEvent*>(event)->text().isEmpty()) SetModified();
  } else if (event->type() == QEvent::MouseButtonPress) {
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) SetModified();
  } else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease) {
    // A check box toggles on release, after the press that set the flag.
    emit Edited();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace author

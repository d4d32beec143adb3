#include "author/pages/page_widgets.h"

#include <QComboBox>
#include <QLabel>

#include "author/qt_text.h"

namespace author {

QLabel* Banner(const char* utf8Title, const char* objectName, QWidget* parent) {
  auto* label = new QLabel(Tr(utf8Title), parent);
  label->setObjectName(objectName);
  label->setProperty("displayOnly", true);
  label->setStyleSheet("QLabel { background: #2f5d9b; color: white; font-weight: bold; padding: 2px 6px; }");
  return label;
}

void MarkField(QWidget* field, const std::string& problem) {
  if (field->property("problem").toString() == ToQt(problem)) return;
  field->setProperty("problem", ToQt(problem));
  field->setToolTip(ToQt(problem));
  field->setStyleSheet(problem.empty() ? QString() : QString("background: #ffd8d8;"));
}

QComboBox* EditableCombo(std::initializer_list<const char*> choices, const char* objectName, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(objectName);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  for (const char* c : choices) combo->addItem(Tr(c));
  combo->setCurrentIndex(-1);
  combo->setEditText(QString());
  return combo;
}

std::string ComboText(const QComboBox* combo) { return FromQt(combo->currentText()); }

void SetComboText(QComboBox* combo, const std::string& gbk) {
  combo->setCurrentIndex(-1);
  combo->setEditText(ToQt(gbk));
}

}  // namespace author

#pragma once
// Small pieces the item pages share: the banner strips "本地配置" and
// "服务器端配置", editable combos offering fixed choices, and the path
// macro lists the client expands.

#include <QString>
#include <initializer_list>
#include <string>

class QComboBox;
class QLabel;
class QWidget;

namespace author {

/// The macros offered for a file or dir item's path.
inline constexpr std::initializer_list<const char*> kItemPathMacros = {
    "{appdriver}", "{parent}", "{win}", "{sys}", "{temp}", "{pf}", "{font}", "{mydoc}", "{desktop}"};
/// The macros offered for the programs to run.
inline constexpr std::initializer_list<const char*> kRunPathMacros = {
    "{parent}", "{win}", "{sys}", "{temp}", "{pf}", "{font}", "{mydoc}"};

/// A banner strip with its title; objectName as given.
QLabel* Banner(const char* utf8Title, const char* objectName, QWidget* parent);

/// An editable combo whose list offers the choices (UTF-8); the edit starts empty.
QComboBox* EditableCombo(std::initializer_list<const char*> choices, const char* objectName, QWidget* parent);

/// Marks an input field while its text is wrong: a tinted background, the
/// problem (GBK) as its tooltip and the property "problem"; an empty
/// problem clears the mark.
void MarkField(QWidget* field, const std::string& problem);

/// The edit text of an editable combo, GBK; and setting it.
std::string ComboText(const QComboBox* combo);
void SetComboText(QComboBox* combo, const std::string& gbk);

}  // namespace author

#pragma once
// Qt's own texts (file dialog buttons and labels, standard buttons, the
// line edits' context menus) in Simplified Chinese, like the rest of the
// tool, from the qtbase translations Debian installs.

class QCoreApplication;

namespace author {

/// Loads qtbase_zh_CN into the application; false when the translation is
/// not installed (Qt's texts then stay English).
bool InstallChineseTranslations(QCoreApplication& app);

}  // namespace author

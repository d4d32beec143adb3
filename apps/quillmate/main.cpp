// Quillmate, the authoring tool: main.cpp only wires the main window.

#include <QApplication>

#include "author/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  author::MainWindowOptions options;
  options.folders = author::ToolFolders::ForThisProgram();
  options.homePage = QUILLMATE_HOME_PAGE;
  author::MainWindow window(options);
  window.show();
  const QStringList args = app.arguments();
  window.StartUp(args.size() > 1 ? args.at(1) : QString());
  return app.exec();
}

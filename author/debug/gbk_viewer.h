#pragma once
// GbkViewer: the tool's read-only window for the package's text files
// (client configuration, server configuration, client log). They are GBK,
// which a desktop text editor would show garbled, so the window decodes
// them itself; its button also hands the file to the desktop's editor.

#include <QWidget>
#include <string>

class QPlainTextEdit;

namespace author {

class GbkViewer : public QWidget {
  Q_OBJECT

 public:
  /// path: GBK native path. The window deletes itself when closed.
  explicit GbkViewer(std::string path, QWidget* parent = nullptr);

  /// Reads the file again.
  void Reload();
  QString Text() const;

 private:
  std::string path_;
  QPlainTextEdit* text_;
};

/// Shows the file in a new viewer window; returns it.
GbkViewer* ShowGbkFile(const std::string& path, QWidget* parent);

}  // namespace author

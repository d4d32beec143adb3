#include "author/debug/gbk_viewer.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <fstream>

#include "author/qt_text.h"

namespace author {

GbkViewer::GbkViewer(std::string path, QWidget* parent) : QWidget(parent, Qt::Window), path_(std::move(path)) {
  setObjectName("gbkViewer");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(ToQt(path_));
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("viewerText");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* reload = new QPushButton(Tr("刷新"), this);
  reload->setObjectName("viewerReload");
  auto* editor = new QPushButton(Tr("用编辑器打开"), this);
  editor->setObjectName("viewerOpenInEditor");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(reload);
  buttons->addWidget(editor);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);
  connect(reload, &QPushButton::clicked, this, &GbkViewer::Reload);
  connect(editor, &QPushButton::clicked, this, [this] {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(common::NativePath(path_))));
  });
  resize(720, 520);
  Reload();
}

void GbkViewer::Reload() {
  std::ifstream in(common::NativePath(path_), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  text_->setPlainText(ToQt(bytes));
}

QString GbkViewer::Text() const { return text_->toPlainText(); }

GbkViewer* ShowGbkFile(const std::string& path, QWidget* parent) {
  auto* viewer = new GbkViewer(path, parent);
  // Over the tool's window, and never past the edge of its screen: a
  // window manager that places new windows at a fixed spot (or none, as
  // under a bare X server) could put it out of reach.
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QRect available = screen->availableGeometry();
    QSize size = viewer->size().boundedTo(available.size() - QSize(60, 80));
    QRect frame(QPoint(), size);
    frame.moveCenter(parent ? parent->window()->frameGeometry().center() : available.center());
    frame.moveLeft(std::clamp(frame.left(), available.left() + 20, available.right() - size.width() - 20));
    frame.moveTop(std::clamp(frame.top(), available.top() + 40, available.bottom() - size.height() - 20));
    viewer->setGeometry(frame);
  }
  viewer->show();
  return viewer;
}

}  // namespace author

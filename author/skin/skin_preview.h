#pragma once
// SkinPreview: "预览（假设为向导式操作）". On a worker thread the design is
// written into the tool's "preview/" folder, packed there as "ui.bin", the
// work files removed, the packaged client copied in as "preview/update" and
// started with "/OP:Preview /Tray", so the author sees the design in the
// real client. The worker touches no widget: its failure texts come back to
// the GUI thread, which shows them.

#include <QObject>
#include <string>
#include <vector>

#include "author/project/tool_folders.h"
#include "formats/skin_design.h"

namespace author {

class SkinPreview : public QObject {
  Q_OBJECT

 public:
  explicit SkinPreview(const ToolFolders& folders, QObject* parent = nullptr);

  bool Running() const { return running_; }
  /// Starts the worker; false when one runs already.
  bool Start(const formats::SkinDesign& design, const std::string& uiVersion);

  /// The whole preview without a thread: the failure texts (GBK) in the
  /// order shown; empty when the client was started.
  static std::vector<std::string> Run(const formats::SkinDesign& design, const ToolFolders& folders,
                                      const std::string& uiVersion);

 signals:
  /// The worker ended; messages are the texts to show, in order.
  void Finished(const std::vector<std::string>& messages);

 private:
  ToolFolders folders_;
  bool running_ = false;
};

}  // namespace author

#include "author/skin/skin_preview.h"

#include <QCoreApplication>
#include <QPointer>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "common/gbk.h"
#include "formats/skin_writer.h"
#include "platform/launcher.h"

namespace author {

namespace fs = std::filesystem;

namespace {

constexpr char kDescription[] = "ui.dat";
constexpr char kArchive[] = "ui.bin";
constexpr char kClient[] = "update";

}  // namespace

SkinPreview::SkinPreview(const ToolFolders& folders, QObject* parent) : QObject(parent), folders_(folders) {}

std::vector<std::string> SkinPreview::Run(const formats::SkinDesign& design, const ToolFolders& folders,
                                          const std::string& uiVersion) {
  const std::string folder = folders.DataFolder() + "preview/";
  const fs::path native = common::NativePath(folder);
  std::error_code ec;
  fs::create_directories(native, ec);
  std::FILE* f = std::fopen((native / kDescription).c_str(), "wb");
  if (!f || std::fclose(f) != 0) return {common::Gbk("创建界面配置文件出错！")};
  if (auto written = formats::WriteSkin(design, folder, kDescription, uiVersion); !written) {
    formats::RemoveSkinWorkFiles(folder, kDescription);
    return {written.errorText, common::Gbk("界面信息生成出错！")};
  }
  const bool packed = formats::PackSkinArchive(folder, kDescription, folder + kArchive);
  formats::RemoveSkinWorkFiles(folder, kDescription);
  if (!packed) return {common::Gbk("界面信息生成出错！")};

  // A client still running from an earlier preview keeps its program file:
  // the copy goes in beside it and is renamed over it.
  const std::string source = folders.UpdateProgram();
  const fs::path target = native / kClient;
  const fs::path fresh = native / (std::string(kClient) + ".new");
  fs::remove(fresh, ec);
  if (!fs::copy_file(common::NativePath(source), fresh, ec) || (fs::rename(fresh, target, ec), ec)) {
    fs::remove(fresh, ec);
    return {common::Gbk("拷贝：") + source + common::Gbk("到预览文件夹失败！")};
  }
  platform::LaunchRequest request;
  request.program = target.string();
  request.arguments = {"/OP:Preview", "/Tray"};
  request.folder = native.string();
  platform::Launch(request);
  return {};
}

bool SkinPreview::Start(const formats::SkinDesign& design, const std::string& uiVersion) {
  if (running_) return false;
  running_ = true;
  QPointer<SkinPreview> self(this);
  std::thread([self, design, folders = folders_, uiVersion] {
    std::vector<std::string> messages = Run(design, folders, uiVersion);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, messages] {
          if (!self) return;
          self->running_ = false;
          emit self->Finished(messages);
        },
        Qt::QueuedConnection);
  }).detach();
  return true;
}

}  // namespace author

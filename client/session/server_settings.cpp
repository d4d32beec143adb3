#include "client/session/server_settings.h"

#include "common/gbk.h"

namespace session {

UiSettings UiSettings::Defaults() {
  UiSettings ui;
  ui.noupdateWinMsg = common::Gbk("没有发现新版本！");
  ui.startWinMsg = common::Gbk("发现新版本，现在升级吗？");
  ui.closeWinMsg = common::Gbk("本次升级将会关闭一些相关的进程，请保存好数据后继续！");
  ui.dlWinMsg = common::Gbk("下载文件失败，请稍后再试！");
  ui.endWin1Msg = common::Gbk("升级完成！");
  ui.endWin2Msg = common::Gbk("升级失败！");
  return ui;
}

}  // namespace session

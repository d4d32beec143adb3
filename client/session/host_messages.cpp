#include "client/session/host_messages.h"

#include "common/gbk.h"

namespace session {

OutcomeLogLines OutcomeLog(int code) {
  using common::Gbk;
  switch (code) {
    case kOutcomeSuccess: return {Gbk("发“升级成功”消息(1)通知宿主程序。"), {}};
    case kOutcomeNoNewVersion: return {Gbk("发“未发现新版本”消息(2)通知宿主程序。"), {}};
    case kOutcomeNewVersion: return {Gbk("发“发现新版本”消息(3)通知宿主程序。"), {}};
    case kOutcomeExit: return {Gbk("发“退出升级程序”消息(4)通知宿主程序。"), {}};
    case kOutcomeConfigError:
      return {Gbk("发“配置文件解析错误，退出升级程序”消息(-1)通知宿主程序。"), {}};
    case kOutcomeCancelBeforeDownload:
      return {Gbk("发“下载前强制退出”消息(-2)通知宿主程序。"), Gbk("下载前强制退出升级过程。")};
    case kOutcomeDownloadFailed:
      return {Gbk("发“下载失败退出，或是强制退出下载过程。”消息(-3)通知宿主程序。"),
              Gbk("下载失败或是强制退出下载过程！")};
    case kOutcomeCancelAfterDownload:
      return {Gbk("发“下载完成后强制退出”消息(-4)通知宿主程序。"),
              Gbk("下载完成后强制退出升级过程。")};
    case kOutcomeNoNetwork: return {Gbk("发“无网络，退出升级程序”消息(-5)通知宿主程序。"), {}};
    default: return {};
  }
}

}  // namespace session

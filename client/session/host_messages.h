#pragma once
// The outcome codes the client posts to its host and the log lines that go
// with each of them. The lines are GBK bytes, ready for the log; the UTF-8
// text above each one is what a reader of the log sees. Callers write the
// lines themselves, at the place in the run where the code is posted.

#include <string_view>

namespace session {

inline constexpr int kOutcomeSuccess = 1;
inline constexpr int kOutcomeNoNewVersion = 2;
inline constexpr int kOutcomeNewVersion = 3;
inline constexpr int kOutcomeExit = 4;
inline constexpr int kOutcomeConfigError = -1;
inline constexpr int kOutcomeCancelBeforeDownload = -2;
inline constexpr int kOutcomeDownloadFailed = -3;
inline constexpr int kOutcomeCancelAfterDownload = -4;
inline constexpr int kOutcomeNoNetwork = -5;

// "发“升级成功”消息(1)通知宿主程序。"
inline constexpr std::string_view kLogNotifySuccess =
    "\xB7\xA2\xA1\xB0\xC9\xFD\xBC\xB6\xB3\xC9\xB9\xA6\xA1\xB1\xCF\xFB\xCF\xA2(1)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "发“未发现新版本”消息(2)通知宿主程序。"
inline constexpr std::string_view kLogNotifyNoNewVersion =
    "\xB7\xA2\xA1\xB0\xCE\xB4\xB7\xA2\xCF\xD6\xD0\xC2\xB0\xE6\xB1\xBE\xA1\xB1\xCF\xFB\xCF\xA2(2)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "发“发现新版本”消息(3)通知宿主程序。"
inline constexpr std::string_view kLogNotifyNewVersion =
    "\xB7\xA2\xA1\xB0\xB7\xA2\xCF\xD6\xD0\xC2\xB0\xE6\xB1\xBE\xA1\xB1\xCF\xFB\xCF\xA2(3)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "发“退出升级程序”消息(4)通知宿主程序。"
inline constexpr std::string_view kLogNotifyExit =
    "\xB7\xA2\xA1\xB0\xCD\xCB\xB3\xF6\xC9\xFD\xBC\xB6\xB3\xCC\xD0\xF2\xA1\xB1\xCF\xFB\xCF\xA2(4)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "发“配置文件解析错误，退出升级程序”消息(-1)通知宿主程序。"
inline constexpr std::string_view kLogNotifyConfigError =
    "\xB7\xA2\xA1\xB0\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE\xBD\xE2\xCE\xF6\xB4\xED\xCE\xF3\xA3\xAC\xCD\xCB\xB3\xF6\xC9\xFD\xBC\xB6\xB3\xCC\xD0\xF2\xA1\xB1\xCF\xFB\xCF\xA2(-1)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "发“下载前强制退出”消息(-2)通知宿主程序。"
inline constexpr std::string_view kLogNotifyCancelBeforeDownload =
    "\xB7\xA2\xA1\xB0\xCF\xC2\xD4\xD8\xC7\xB0\xC7\xBF\xD6\xC6\xCD\xCB\xB3\xF6\xA1\xB1\xCF\xFB\xCF\xA2(-2)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "下载前强制退出升级过程。"
inline constexpr std::string_view kLogCancelBeforeDownload =
    "\xCF\xC2\xD4\xD8\xC7\xB0\xC7\xBF\xD6\xC6\xCD\xCB\xB3\xF6\xC9\xFD\xBC\xB6\xB9\xFD\xB3\xCC\xA1\xA3";
// "发“下载失败退出，或是强制退出下载过程。”消息(-3)通知宿主程序。"
inline constexpr std::string_view kLogNotifyDownloadFailed =
    "\xB7\xA2\xA1\xB0\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC\xCD\xCB\xB3\xF6\xA3\xAC\xBB\xF2\xCA\xC7\xC7\xBF\xD6\xC6\xCD\xCB\xB3\xF6\xCF\xC2\xD4\xD8\xB9\xFD\xB3\xCC\xA1\xA3\xA1\xB1\xCF\xFB\xCF\xA2(-3)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "下载失败或是强制退出下载过程！"
inline constexpr std::string_view kLogDownloadFailed =
    "\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC\xBB\xF2\xCA\xC7\xC7\xBF\xD6\xC6\xCD\xCB\xB3\xF6\xCF\xC2\xD4\xD8\xB9\xFD\xB3\xCC\xA3\xA1";
// "发“下载完成后强制退出”消息(-4)通知宿主程序。"
inline constexpr std::string_view kLogNotifyCancelAfterDownload =
    "\xB7\xA2\xA1\xB0\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9\xBA\xF3\xC7\xBF\xD6\xC6\xCD\xCB\xB3\xF6\xA1\xB1\xCF\xFB\xCF\xA2(-4)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";
// "下载完成后强制退出升级过程。"
inline constexpr std::string_view kLogCancelAfterDownload =
    "\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9\xBA\xF3\xC7\xBF\xD6\xC6\xCD\xCB\xB3\xF6\xC9\xFD\xBC\xB6\xB9\xFD\xB3\xCC\xA1\xA3";
// "发“无网络，退出升级程序”消息(-5)通知宿主程序。"
inline constexpr std::string_view kLogNotifyNoNetwork =
    "\xB7\xA2\xA1\xB0\xCE\xDE\xCD\xF8\xC2\xE7\xA3\xAC\xCD\xCB\xB3\xF6\xC9\xFD\xBC\xB6\xB3\xCC\xD0\xF2\xA1\xB1\xCF\xFB\xCF\xA2(-5)\xCD\xA8\xD6\xAA\xCB\xDE\xD6\xF7\xB3\xCC\xD0\xF2\xA1\xA3";

// The log lines of one outcome code: `notice` names the message sent to the
// host; `follow`, written right after it, is set for the three cancel and
// failure codes only.
struct OutcomeLogLines {
  std::string_view notice;
  std::string_view follow;
};

/// The lines for a code; both empty for a code the client never sends.
constexpr OutcomeLogLines OutcomeLog(int code) {
  switch (code) {
    case kOutcomeSuccess: return {kLogNotifySuccess, {}};
    case kOutcomeNoNewVersion: return {kLogNotifyNoNewVersion, {}};
    case kOutcomeNewVersion: return {kLogNotifyNewVersion, {}};
    case kOutcomeExit: return {kLogNotifyExit, {}};
    case kOutcomeConfigError: return {kLogNotifyConfigError, {}};
    case kOutcomeCancelBeforeDownload:
      return {kLogNotifyCancelBeforeDownload, kLogCancelBeforeDownload};
    case kOutcomeDownloadFailed: return {kLogNotifyDownloadFailed, kLogDownloadFailed};
    case kOutcomeCancelAfterDownload:
      return {kLogNotifyCancelAfterDownload, kLogCancelAfterDownload};
    case kOutcomeNoNetwork: return {kLogNotifyNoNetwork, {}};
    default: return {};
  }
}

}  // namespace session

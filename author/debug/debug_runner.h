#pragma once
// DebugRunner: the lower half of the create-and-debug page without its
// widgets. It builds the client's switches from the four debug boxes,
// starts the packaged client in the output folder, and turns every host
// notification the client sends back into one line of the message log.
// The page's own host endpoint (the number after "/HWND:") is bound for
// the runner's whole life, so several runs may overlap and their lines
// interleave. Texts are GBK.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
class HostListener;
struct HostMessage;
}  // namespace platform

namespace author {

/// The switch string of param_val ('1' = ticked, in the order "只检测，不更新",
/// "记录日志", "增加托盘功能", "获取升级程序返回消息"): " /OP:CheckVer", " /Log",
/// " /Tray", " /HWND:" + endpoint, each only when ticked.
std::string DebugSwitchString(std::string_view paramVal, int64_t endpoint);

/// The log line of one notification without its time ("MSG=WM_USER+999;
/// WPARAM=3;  说明：发现新版本"); "" for a message that is not one of the four.
std::string HostMessageLine(const platform::HostMessage& message);

/// The client program's file version "major.minor" as the client stamps it
/// into its program file; "" when the file holds none.
std::string ProgramFileVersion(const std::string& programPath);

/// "%H:%M:%S    " + text + "\r\n" for the local time t.
std::string TimedLogLine(std::time_t t, std::string_view text);

class DebugRunner {
 public:
  /// Lines for the message log (complete, with time and line end).
  using LineHandler = std::function<void(const std::string& line)>;

  DebugRunner();
  ~DebugRunner();
  DebugRunner(const DebugRunner&) = delete;
  DebugRunner& operator=(const DebugRunner&) = delete;

  /// Binds the page's endpoint (needs a running Qt event loop on this
  /// thread for the lines to arrive); false when no endpoint could be bound.
  bool Listen(LineHandler handler);
  int64_t Endpoint() const;

  /// "启动升级程序" for the output folder (GBK native, ends in "/"): the
  /// message box text when it did not start ("找不到程序：" + path), else "".
  /// clearLog runs before the old "update.log" is deleted and the client
  /// started with switches + " /Ad:debug".
  std::string Start(const std::string& outputFolder, std::string_view switches,
                    const std::function<void()>& clearLog);

 private:
  std::unique_ptr<platform::HostListener> listener_;
  LineHandler handler_;
};

}  // namespace author

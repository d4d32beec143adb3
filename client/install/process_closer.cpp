#include "client/install/process_closer.h"

#include <algorithm>
#include <vector>

#include "client/session/run_state.h"
#include "client/install/install_paths.h"
#include "client/install/rollback.h"
#include "common/gbk.h"
#include "platform/file_operations.h"
#include "platform/processes.h"
#include "platform/windows_lookup.h"

namespace transfer {
namespace {

using common::Gbk;

// After SIGKILL the process is gone as soon as the kernel has torn it down.
constexpr auto kKillWait = std::chrono::milliseconds(2000);

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (tail.empty() || tail.size() > text.size()) return false;
  return common::GbkToLowerAscii(text.substr(text.size() - tail.size())) == common::GbkToLowerAscii(tail);
}

}  // namespace

int ProcessCloser::FindProcessByName(std::string_view gbkName) {
  const std::string name(gbkName);
  if (name.empty()) return 0;
  const std::string lower = common::GbkToLowerAscii(name);
  for (const platform::ProcessInfo& p : platform::ListProcesses()) {
    if (common::GbkToLowerAscii(p.name) == lower) return p.pid;
  }
  for (const std::string& module : platform::OwnMappedFiles()) {
    if (EndsWithNoCase(module, name)) return platform::OwnProcessId();
  }
  return 0;
}

bool ProcessCloser::EndProcess(int pid) {
  const std::string cannotEnd = Gbk("操作失败，此应用程序（模块）无法终止！");
  if (!platform::CanOpen(pid)) {
    if (!platform::IsProcessAlive(pid)) return true;
    env_.sink.Notice(Gbk("操作失败，可能是访问权限不够！"));
    env_.Status(cannotEnd);
    return false;
  }
  // Every program is asked to quit first, window or not: without a display
  // no window is ever found, and a program must get its chance to save.
  (void)platform::SendQuit(pid);
  if (platform::WaitForEnd(pid, quitWait_) == platform::WaitResult::kEnded) return true;
  for (;;) {
    const platform::SignalResult killed = platform::Terminate(pid);
    if (killed == platform::SignalResult::kNoProcess) return true;
    if (killed == platform::SignalResult::kSent &&
        platform::WaitForEnd(pid, kKillWait) == platform::WaitResult::kEnded) {
      return true;
    }
    if (!platform::CanOpen(pid)) {
      if (!platform::IsProcessAlive(pid)) return true;
      env_.Status(cannotEnd);
      return false;
    }
    if (!env_.sink.AskRetry(Gbk("此应用程序（模块）暂时无法终止！"))) {
      env_.Status(cannotEnd);
      return false;
    }
  }
}

bool ProcessCloser::CloseOne(int pid, const std::string& entry) {
  // Never this client itself: it would end the installation half way (on
  // this system a file can be replaced while it is mapped anyway).
  if (pid <= 0 || pid == platform::OwnProcessId() || !platform::IsProcessAlive(pid)) return true;
  const session::UiSettings& ui = env_.run.Ui();
  if (!prompted_ && ui.closeWin) {
    prompted_ = true;
    env_.sink.Notice(ui.closeWinMsg);
  }
  env_.run.WriteLog(Gbk("结束应用程序（模块）：") + entry);
  return EndProcess(pid);
}

bool ProcessCloser::CloseRelatedPrograms() {
  env_.Status(Gbk("正在关闭相关的应用程序"));
  if (env_.run.Decision().closeProcesses) {
    const session::SystemSettings& system = env_.run.System();
    for (const std::string& entry : system.closeProc1) {
      if (!CloseOne(FindProcessByName(entry), entry)) return false;
    }
    platform::TopLevelWindow window;
    for (const std::string& entry : system.closeProc2) {
      if (platform::FindWindowByTitle(entry, &window) && !CloseOne(window.pid, entry)) return false;
    }
    for (const std::string& entry : system.closeProc3) {
      if (platform::FindWindowByClass(entry, &window) && !CloseOne(window.pid, entry)) return false;
    }
  }
  return CloseInUseFiles();
}

// Every file about to be replaced: a program or library that cannot be
// opened for writing is looked up by name, and whatever process executes
// or maps the installed file is the one ended.
bool ProcessCloser::CloseInUseFiles() {
  struct Target {
    std::string name;
    std::string native;
  };
  std::vector<Target> targets;
  auto collect = [&](const std::string& itemPath, const session::ItemWork& work) {
    for (const session::DownloadRecord& r : work.downloads) {
      const std::string folder = InstallFolderOf(itemPath, env_.run.Places().appFolder, r.subFolder);
      targets.push_back({r.name, common::NativePath(folder + r.name)});
    }
  };
  for (const session::PlannedItem& item : env_.run.NewItems()) collect(item.Path(), env_.run.Work(item));
  std::vector<std::string> natives;
  for (const Target& t : targets) natives.push_back(t.native);
  const std::vector<std::vector<int>> users = platform::ProcessesUsingFiles(natives);
  for (size_t i = 0; i < targets.size(); ++i) {
    std::vector<int> pids = users[i];
    if (IsProgramName(targets[i].name)) {
      const platform::FileInfo info = env_.ops.Inspect(targets[i].native);
      if (info.kind == platform::FileKind::kFile && info.size > 0 && !env_.ops.OpenReadWrite(targets[i].native)) {
        const int pid = FindProcessByName(targets[i].name);
        if (pid != 0 && std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.insert(pids.begin(), pid);
      }
    }
    for (int pid : pids) {
      if (!CloseOne(pid, targets[i].name)) return false;
    }
  }
  return true;
}

}  // namespace transfer

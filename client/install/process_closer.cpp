#include "client/install/process_closer.h"

#include <vector>

#include "client/session/run_state.h"
#include "client/install/install_paths.h"
#include "client/install/rollback.h"
#include "common/gbk.h"
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
  if (!control_->CanOpen(pid)) {
    if (!control_->IsAlive(pid)) return true;
    env_.sink.Notice(Gbk("操作失败，可能是访问权限不够！"));
    env_.Status(cannotEnd);
    return false;
  }
  // Every program is asked to quit first, window or not: without a display
  // no window is ever found, and a program must get its chance to save.
  (void)control_->SendQuit(pid);
  if (control_->WaitForEnd(pid, quitWait_) == platform::WaitResult::kEnded) return true;
  for (;;) {
    const platform::SignalResult killed = control_->Terminate(pid);
    if (killed == platform::SignalResult::kNoProcess) return true;
    if (killed == platform::SignalResult::kSent &&
        control_->WaitForEnd(pid, kKillWait) == platform::WaitResult::kEnded) {
      return true;
    }
    if (!control_->CanOpen(pid)) {
      if (!control_->IsAlive(pid)) return true;
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
  if (pid <= 0 || pid == platform::OwnProcessId() || !control_->IsAlive(pid)) return true;
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

// Every file about to be replaced that a running program executes: the
// file cannot be opened for writing while that program runs, and it is that
// very process (not another of the same name elsewhere) that is ended.
// This runs whatever close_items says.
bool ProcessCloser::CloseInUseFiles() {
  // The files are looked up in batches: a dir item may hold 100,000 files,
  // whose records together would outweigh the whole run.
  constexpr size_t kBatch = 4096;
  std::vector<std::string> names;
  std::vector<std::string> natives;
  auto closeBatch = [&]() {
    const std::vector<std::vector<int>> runners = control_->RunningFiles(natives);
    for (size_t i = 0; i < names.size(); ++i) {
      for (int pid : runners[i]) {
        if (!CloseOne(pid, names[i])) return false;
      }
    }
    names.clear();
    natives.clear();
    return true;
  };
  auto collect = [&](const std::string& itemPath, const session::ItemWork& work) {
    for (const session::DownloadRecord& r : work.downloads) {
      const std::string folder = InstallFolderOf(itemPath, env_.run.Places().appFolder, r.subFolder);
      names.push_back(r.name);
      natives.push_back(common::NativePath(folder + r.name));
      if (names.size() == kBatch && !closeBatch()) return false;
    }
    return true;
  };
  for (const session::PlannedItem& item : env_.run.NewItems()) {
    if (!collect(item.Path(), env_.run.Work(item))) return false;
  }
  return closeBatch();
}

}  // namespace transfer

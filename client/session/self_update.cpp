#include "client/session/self_update.h"

#include <cinttypes>
#include <cstdio>
#include <thread>
#include <vector>

#include "client/hooks/program_runner.h"
#include "client/session/version_compare.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "platform/file_operations.h"

namespace session {

namespace {

constexpr std::string_view kTemporarySuffix = ".new";
constexpr std::string_view kRelaunchSwitch = "self_update";
constexpr std::string_view kFinishSwitch = "self_finish";

}  // namespace

std::string TemporaryProgramOf(std::string_view modulePath) {
  return std::string(modulePath) + std::string(kTemporarySuffix);
}

std::string ArchiveDownloadOf(std::string_view archivePath) { return std::string(archivePath) + ".ubk"; }

std::string ProgramOfTemporary(std::string_view temporaryPath) {
  if (common::EndsWithNoCase(temporaryPath, kTemporarySuffix)) temporaryPath.remove_suffix(kTemporarySuffix.size());
  return std::string(temporaryPath);
}

std::vector<std::string> RelaunchArguments(std::string_view ownCommandLine, int64_t hostWindow, int exeIndex,
                                           std::string_view serverVersion) {
  if (!IsDottedDecimal(serverVersion)) return {};
  std::vector<std::string> arguments;
  for (std::string& argument : transfer::SplitParameters(ownCommandLine)) {
    // The host switch is named once, by the relaunch itself.
    if (hostWindow != 0 && common::StartsWithNoCase(argument, "/hwnd:")) continue;
    arguments.push_back(std::move(argument));
  }
  if (hostWindow != 0) arguments.push_back("/HWND:" + std::to_string(hostWindow));
  arguments.push_back("/self_update:" + std::to_string(exeIndex) + "-" + std::string(serverVersion));
  return arguments;
}

std::string FinishCommandLine(std::string_view relaunchCommandLine) {
  std::string line = common::GbkToLowerAscii(relaunchCommandLine);
  for (size_t pos = common::GbkFind(line, kRelaunchSwitch); pos != std::string::npos;
       pos = common::GbkFind(line, kRelaunchSwitch, pos + kFinishSwitch.size())) {
    line.replace(pos, kRelaunchSwitch.size(), kFinishSwitch);
  }
  return line;
}

std::vector<std::string> FinishArguments(std::string_view relaunchCommandLine) {
  std::vector<std::string> arguments = transfer::SplitParameters(relaunchCommandLine);
  for (std::string& argument : arguments) argument = FinishCommandLine(argument);
  return arguments;
}

std::optional<VersionRecord> SplitRelaunchValue(std::string_view value) {
  // "-" never occurs inside a double-byte character (trail bytes start at
  // 0x40), so a plain split is safe on GBK text.
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t dash = value.find('-', start);
    std::string piece = common::Trim(value.substr(start, dash == std::string_view::npos ? value.npos : dash - start));
    if (!piece.empty()) pieces.push_back(std::move(piece));
    if (dash == std::string_view::npos) break;
    start = dash + 1;
  }
  if (pieces.size() != 2 || !IsDottedDecimal(pieces[0]) || pieces[0].find('.') != std::string::npos ||
      !IsDottedDecimal(pieces[1])) {
    return std::nullopt;
  }
  return VersionRecord{"file" + pieces[0], pieces[1]};
}

int WaitWhileRunning(const std::function<int(std::string_view)>& findProcess, std::string_view name,
                     std::chrono::milliseconds step, int maxWaits) {
  if (!findProcess) return 0;
  int waits = 0;
  while (waits < maxWaits && findProcess(name) != 0) {
    std::this_thread::sleep_for(step);
    ++waits;
  }
  return waits;
}

bool PutProgramInPlace(platform::FileOperations& ops, const std::string& temporaryProgram,
                       const std::string& program) {
  // Never written in place: the old program may still be running (its file
  // busy), and a half-written program would be worse than the old one.
  return platform::ReplaceFile(ops, temporaryProgram, program).ok();
}

bool RecordProgramVersion(const ClientConfigSource& source, const VersionRecord& record) {
  std::optional<std::string> text = ReadClientConfiguration(source);
  common::IniDocument doc;
  if (!text || !doc.SetText(*text)) return false;
  doc.WriteString(record.section, "ver", record.version);
  return WriteClientConfiguration(source, doc.GetText());
}

}  // namespace session

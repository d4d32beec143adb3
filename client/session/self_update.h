#pragma once
// The pieces of the client's self-update: a running program cannot replace
// its own file, so three processes share the work. The old program
// downloads the new one as its path + ".new" and starts it with a relaunch
// switch; that copy waits for the old process, puts itself in place of the
// old program, records its version in the configuration archive and starts
// the replaced program with the finish switch; the replaced program waits
// for the copy, deletes it and carries on with an ordinary run. ClientApp
// runs the steps (client_app_self_update.cpp); what can be decided apart
// from a running client lives here.
//
/// Failures: the helpers return false, 0 or nullopt; nothing is thrown.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/session/config_source.h"

namespace platform {
class FileOperations;
}

namespace session {

/// What the self-update needs from the transfer layer; the program's main
/// sets it (unset: nothing is waited for and nothing is started).
struct SelfUpdateTools {
  /// Id of a running process whose program file has this name (GBK), 0
  /// when none.
  std::function<int(std::string_view name)> findProcess;
  /// Starts program (GBK path) with the arguments (GBK, each as it is) in
  /// folder, without waiting; false when it did not start.
  std::function<bool(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& folder, bool hidden)>
      startProgram;
  /// True when the file (GBK path) is a program this machine runs itself;
  /// unset: every file counts as one.
  std::function<bool(const std::string& program)> isNativeProgram;
};

/// The temporary program of a self-update: the program's path + ".new".
std::string TemporaryProgramOf(std::string_view modulePath);

/// The downloaded configuration archive: the archive's path + ".ubk".
std::string ArchiveDownloadOf(std::string_view archivePath);

/// The program a temporary program stands for: its path less the trailing
/// ".new" (any case); the path itself when it has none.
std::string ProgramOfTemporary(std::string_view temporaryPath);

/// The arguments of the temporary program: the client's own arguments
/// (less the host switch when a host is known), then the host switch, then
/// the relaunch switch. Empty when the version is not dotted decimal: a
/// server's text never becomes a switch of its own.
std::vector<std::string> RelaunchArguments(std::string_view ownCommandLine, int64_t hostWindow, int exeIndex,
                                           std::string_view serverVersion);

/// The command line of the replaced program: the relaunch command line in
/// lower case with the relaunch switch turned into the finish switch.
std::string FinishCommandLine(std::string_view relaunchCommandLine);
/// The same as arguments, one for each argument of the relaunch line.
std::vector<std::string> FinishArguments(std::string_view relaunchCommandLine);

/// The version the relaunch switch carries: its value ("3-1.2.0") split at
/// "-", pieces trimmed and empty ones dropped; exactly two pieces, a slot
/// number and a dotted decimal version, give the section "file3" and the
/// version "1.2.0", anything else nothing.
struct VersionRecord {
  std::string section;
  std::string version;
};
std::optional<VersionRecord> SplitRelaunchValue(std::string_view value);

/// Waits while findProcess(name) finds a process: one pause of `step`
/// between looks, at most maxWaits pauses. Returns the number of pauses.
int WaitWhileRunning(const std::function<int(std::string_view)>& findProcess, std::string_view name,
                     std::chrono::milliseconds step = std::chrono::milliseconds(200), int maxWaits = 12);

/// Puts the temporary program (native path) in place of the program: a copy
/// under a fresh name in the program's folder renamed over it, with the old
/// program's permission bits, so the program file is at every moment the
/// old one or the whole new one (and a program still running from the old
/// file keeps it). False, the program untouched, when any step fails.
bool PutProgramInPlace(platform::FileOperations& ops, const std::string& temporaryProgram,
                       const std::string& program);

/// Sets [record.section] ver = record.version in the client configuration
/// the run reads (the archive member rewritten atomically, or the text file
/// replaced). False, the configuration untouched, when it cannot be read or
/// parsed or cannot be written.
bool RecordProgramVersion(const ClientConfigSource& source, const VersionRecord& record);

}  // namespace session

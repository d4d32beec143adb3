#pragma once
// Putting one new file, or the files of one ZIP archive, in place. Each
// file goes in by a rename over the target (a copy into a temporary name in
// the target's folder first), so a running program or a reader sees the old
// file or the new one, never a mix, and a backup that is a hard link of the
// old file keeps the old contents. Each new file is written into the
// install journal before it appears. A replaced file keeps its permission
// bits; a file that did not exist and starts with "#!" or the ELF magic
// gets the run bits (archive entries first take the mode stored with them).

#include <string>

namespace session {
class InstallJournal;
struct ItemWork;
}

namespace transfer {

struct InstallEnv;

/// Copies source over target (native paths); false when nothing changed.
bool InstallCopy(InstallEnv& env, session::InstallJournal& journal, const std::string& source,
                 const std::string& target);

/// Gives a program or script the run bits (u+x, and g+x / o+x where the
/// group / others may read it) unless it has one already.
void GiveRunBitsToProgram(InstallEnv& env, const std::string& nativePath);

struct ExtractResult {
  bool ok = false;
  std::string text;    // GBK: "读写违例！" or "备份失败！", else "" on failure
  std::string target;  // GBK: the installed path of the entry the text is about
};

/// Extracts every entry of the archive (native path) into the install
/// folder (GBK, ends in "/"), backing up each file it overwrites, in entry
/// order; the item's backedUpFiles and newFiles grow as it goes. Entries
/// whose stored path is absolute or climbs out of the folder are refused.
ExtractResult ExtractArchive(InstallEnv& env, session::InstallJournal& journal,
                             const std::string& archive, const std::string& installFolder,
                             session::ItemWork& work);

}  // namespace transfer

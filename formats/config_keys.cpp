#include "formats/config_keys.h"

#include <algorithm>
#include <array>
#include <map>

#include "common/gbk.h"

namespace formats {

namespace {

using enum KeySection;
using enum KeyType;
using I = ItemKeys;
using F = FileKeys;
using D = DirKeys;
using S = SystemSettings;
using U = UiSettings;
using C = ClientSettings;
constexpr int kNo = kNotRead;
constexpr int kOff = kNotWritten;

// The read positions are those of the client's log; the write positions
// those of the packages the tool has always generated. A text default is
// UTF-8 here and stored as GBK.
constexpr ConfigKey kKeys[] = {
    // Client configuration.
    {ClientSystem, "urls", Text, "", &C::urls, 0, 0},
    {ClientSystem, "closelog", Int, "0", &C::closelog, kNo, 1},
    {ClientSystem, "randomsel", Int, "0", &C::randomsel, 1, 2},
    {ClientSystem, "tryallurl", Int, "0", &C::tryallurl, 2, 3},
    // Only a signed package has them: the tool writes product, the client
    // keeps serial and revoked beside its installed versions.
    {ClientSystem, "product", Optional, "", &C::product, 3, kOff},
    {ClientSystem, "serial", Optional, "", &C::serial, 4, kOff},
    {ClientSystem, "revoked", Optional, "", &C::revoked, 5, kOff},
    {ClientFile, "ver", Head, "0.0.0", &I::localVersion, kNo, 0, false},
    {ClientDir, "ver", Head, "0.0.0", &I::localVersion, kNo, 0, false},

    // Server configuration [system].
    {System, "run_before", Text, "", &S::runBefore, 0, 6},
    {System, "run_before_pause", Int, "0", &S::runBeforePause, 1, kOff},
    {System, "run_after", Text, "", &S::runAfter, 2, 7},
    {System, "run_after_pause", Int, "0", &S::runAfterPause, 3, kOff},
    {System, "run_nonetwork", Text, "", &S::runNonetwork, 4, kOff},
    {System, "run_udbefore", Text, "", &S::runUdbefore, 5, 0},
    {System, "run_udafters", Text, "", &S::runUdafters, 6, 1},
    {System, "run_udafterf", Text, "", &S::runUdafterf, 7, 2},
    {System, "run_dlbefore", Text, "", &S::runDlbefore, 8, 3},
    {System, "run_dlafters", Text, "", &S::runDlafters, 9, 4},
    {System, "run_dlafterf", Text, "", &S::runDlafterf, 10, 5},
    {System, "close_proc1", List, "", &S::closeProc1, 11, 8},
    {System, "close_proc2", List, "", &S::closeProc2, 12, 9},
    {System, "close_proc3", List, "", &S::closeProc3, 13, 10},
    {System, "close_items", List, "", &S::closeItems, 14, 11},
    // The generator adds these when it signs.
    {System, "serial", Optional, "", &S::serial, 15, kOff},
    {System, "expires", Optional, "", &S::expires, 16, kOff},
    {System, "product", Optional, "", &S::product, 17, kOff},
    {System, "revoked", Optional, "", &S::revoked, 18, kOff},

    // [UI]: start_win is read (and logged) a second time at the end;
    // publishers' logs have always shown it twice, and the later value
    // stands.
    {Ui, "noupdate_win", Int, "0", &U::noupdateWin, 0, 0},
    {Ui, "noupdate_win_msg", Text, "没有发现新版本！", &U::noupdateWinMsg, 1, 1},
    {Ui, "start_win", Int, "1", &U::startWin, 2, 2},
    {Ui, "start_win_msg", Text, "发现新版本，现在升级吗？", &U::startWinMsg, 3, 3},
    {Ui, "close_win", Int, "1", &U::closeWin, 4, 10},
    {Ui, "close_win_msg", Text, "本次升级将会关闭一些相关的进程，请保存好数据后继续！", &U::closeWinMsg, 5, 11},
    {Ui, "dl_win", Int, "1", &U::dlWin, 6, 4},
    {Ui, "dl_win_msg", Text, "下载文件失败，请稍后再试！", &U::dlWinMsg, 7, 5},
    {Ui, "end_win1", Int, "1", &U::endWin1, 8, 6},
    {Ui, "end_win2", Int, "1", &U::endWin2, 9, 7},
    {Ui, "end_win1_msg", Text, "升级完成！", &U::endWin1Msg, 10, 8},
    {Ui, "end_win2_msg", Text, "升级失败！", &U::endWin2Msg, 11, 9},
    {Ui, "start_win", Int, "1", &U::startWin, 12, kOff},

    // [fileN]. ver and urls decide whether the item is read at all.
    {File, "urls", Head, "", &I::urls, kNo, 0},
    {File, "ver", Head, "0.0.0", &I::serverVersion, kNo, 2},  // written even as 0.0.0
    {File, "randomsel", Int, "0", &I::randomsel, 0, 11},
    {File, "tryallurl", Int, "0", &I::tryallurl, 1, 12},
    {File, "path", ItemPath, "", &I::path, 2, 1},
    {File, "modify_ver", Int, "1", &I::modifyVer, 3, 7},
    {File, "show_type", Int, "0", &I::showType, 4, 10},
    {File, "op_mode", Int, "0", &I::opMode, 5, 9},
    {File, "uncompress", Int, "0", &F::uncompress, 6, 6},
    {File, "runme", Int, "0", &F::runme, 7, 8},
    {File, "runme_pause", Int, "0", &F::runmePause, 8, kOff},
    {File, "runme_param", Text, "", &F::runmeParam, 9, kOff},
    {File, "md5", Md5, "", &F::md5, 10, 5},
    {File, "sha256", Optional, "", &F::sha256, 11, kOff},  // the generator adds it when it signs
    {File, "size", Optional, "", &F::size, 11, kOff},      // so does the length
    {File, "rename", Text, "", &F::rename, 12, 3},
    {File, "describe", Text, "", &I::describe, 13, 4},
    {File, "patches", Optional, "", &F::patches, 14, kOff},  // the generator adds it beside its patches

    // [dirN].
    {Dir, "urls", Head, "", &I::urls, kNo, 0},
    {Dir, "ver", Head, "0.0.0", &I::serverVersion, kNo, 2, false},
    {Dir, "randomsel", Int, "0", &I::randomsel, 0, 9},
    {Dir, "tryallurl", Int, "0", &I::tryallurl, 1, 10},
    {Dir, "path", Text, "", &I::path, 2, 1},
    {Dir, "filter", Text, "", &D::filter, 3, 3},
    {Dir, "modify_ver", Int, "1", &I::modifyVer, 4, 5},
    {Dir, "show_type", Int, "0", &I::showType, 5, 8},
    {Dir, "op_mode", Int, "0", &I::opMode, 6, 7},
    {Dir, "is_inc_subdir", Int, "0", &D::isIncSubdir, 7, 6},
    {Dir, "describe", Text, "", &I::describe, 8, 4},
    // A signed dir item's file list: the count here, the entries file0..
    {Dir, "files", Optional, "", &D::files, 9, kOff},
    {Dir, "file_patches", Optional, "", &D::filePatches, 10, kOff},  // the generator adds it beside its patches
};

constexpr int kSections = static_cast<int>(Dir) + 1;

using Index = std::array<std::vector<const ConfigKey*>, kSections>;

Index Sorted(int ConfigKey::*order) {
  Index index;
  for (const ConfigKey& key : kKeys) {
    if (key.*order >= 0) index[static_cast<int>(key.section)].push_back(&key);
  }
  for (auto& rows : index) {
    std::stable_sort(rows.begin(), rows.end(),
                     [order](const ConfigKey* a, const ConfigKey* b) { return a->*order < b->*order; });
  }
  return index;
}

}  // namespace

std::span<const ConfigKey> ConfigKeys() { return kKeys; }

const std::vector<const ConfigKey*>& ReadKeys(KeySection section) {
  static const Index index = Sorted(&ConfigKey::readOrder);
  return index[static_cast<int>(section)];
}

const std::vector<const ConfigKey*>& WrittenKeys(KeySection section) {
  static const Index index = Sorted(&ConfigKey::writeOrder);
  return index[static_cast<int>(section)];
}

std::string KeyDefault(KeySection section, std::string_view name) {
  for (const ConfigKey& key : kKeys) {
    if (key.section == section && name == key.name) return common::Gbk(key.def);
  }
  return "";
}

int StoredInt(std::string_view stored) { return common::AtoI(stored); }

}  // namespace formats

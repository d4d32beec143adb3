#include "client/session/module_names.h"

#include <gtest/gtest.h>

namespace session {
namespace {

TEST(ModuleNames, ProgramInAFolderOfTheRoot) {
  const std::string path = "/App/upgrade";
  EXPECT_EQ(AppFolderOf(path), "/App/");
  EXPECT_EQ(ExeFileNameOf(path), "upgrade");
  EXPECT_EQ(ArchiveNameOf(ExeFileNameOf(path)), "upgrade.bin");
  EXPECT_EQ(InstanceLockName(path), "_App_upgrade");
  // The "/" left is the first character: nothing is cut.
  EXPECT_EQ(ParentFolderValue(AppFolderOf(path)), "/App");
  EXPECT_EQ(ProgramCaption("upgrade"), "upgrade");
}

TEST(ModuleNames, SelfUpdateCopySharesArchiveAndLockWithTheProgramItReplaces) {
  const std::string path = "/Soft/Tool/upgrade.new";
  EXPECT_EQ(ArchiveNameOf(ExeFileNameOf(path)), "upgrade.bin");
  EXPECT_EQ(InstanceLockName(path), InstanceLockName("/Soft/Tool/upgrade"));
  EXPECT_EQ(InstanceLockName("/Soft/Tool/UPGRADE.NEW"), "_Soft_Tool_UPGRADE");
  EXPECT_EQ(ParentFolderValue(AppFolderOf(path)), "/Soft");
  EXPECT_EQ(ProgramCaption("upgrade.new"), "upgrade");
}

TEST(ModuleNames, ExeSuffixesAreDroppedOnceEach) {
  EXPECT_EQ(ExeBaseName("upgrade.exe"), "upgrade");
  EXPECT_EQ(ExeBaseName("Upgrade.EXE"), "Upgrade");
  EXPECT_EQ(ExeBaseName("upgrade.exe.new"), "upgrade");
  EXPECT_EQ(ExeBaseName("upgrade.exe.exe"), "upgrade.exe");
  EXPECT_EQ(ExeBaseName("update"), "update");
  EXPECT_EQ(ArchiveNameOf("my.tool"), "my.tool.bin");
  EXPECT_EQ(ProgramCaption("my.tool"), "my");
  // Programs in other folders never share a lock.
  EXPECT_NE(InstanceLockName("/a/upgrade"), InstanceLockName("/b/upgrade"));
}

TEST(ModuleNames, ParentFolderOfDeeperAndShallowFolders) {
  EXPECT_EQ(ParentFolderValue("/opt/vendor/app/"), "/opt/vendor");
  EXPECT_EQ(ParentFolderValue("/"), "");
  EXPECT_EQ(ParentFolderValue(""), "");
}

}  // namespace
}  // namespace session

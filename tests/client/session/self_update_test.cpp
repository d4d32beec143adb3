// The self-update's pieces that decide without a running chain: the command
// lines the processes hand on, the version the relaunch switch carries, the
// bounded wait, putting the program in place and recording its version.

#include "client/session/self_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "client/session/command_line.h"
#include "formats/config_archive.h"
#include "platform/file_operations.h"
#include "tests/support/faulty_file_operations.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_peer.h"

namespace session {
namespace {

TEST(SelfUpdate, CommandLinesHandedFromProcessToProcess) {
  using Args = std::vector<std::string>;
  struct Case {
    std::string own;
    int64_t host;
    Args relaunch;
    Args finish;
  };
  const Case cases[] = {
      {"", 1234, {"/HWND:1234", "/self_update:3-1.2.0"}, {"/hwnd:1234", "/self_finish:3-1.2.0"}},
      {"", 0, {"/self_update:3-1.2.0"}, {"/self_finish:3-1.2.0"}},
      // The client's own arguments come first, less the host switch the
      // relaunch names itself; the finish arguments are the relaunch ones
      // in lower case.
      {"/HWND:1234", 1234, {"/HWND:1234", "/self_update:3-1.2.0"}, {"/hwnd:1234", "/self_finish:3-1.2.0"}},
      {"/hwnd:77 /Log", 77, {"/Log", "/HWND:77", "/self_update:3-1.2.0"},
       {"/log", "/hwnd:77", "/self_finish:3-1.2.0"}},
      {"/Tray \"a b\"", 0, {"/Tray", "a b", "/self_update:3-1.2.0"}, {"/tray", "a b", "/self_finish:3-1.2.0"}},
  };
  for (const Case& c : cases) {
    const Args relaunch = RelaunchArguments(c.own, c.host, 3, "1.2.0");
    EXPECT_EQ(relaunch, c.relaunch);
    // The relaunched process sees its arguments joined as the system gave them.
    std::vector<const char*> argv{"upgrade.new"};
    for (const std::string& a : relaunch) argv.push_back(a.c_str());
    EXPECT_EQ(FinishArguments(JoinCommandLine(static_cast<int>(argv.size()), argv.data())), c.finish);
  }
  EXPECT_EQ(FinishCommandLine("/SELF_UPDATE:1-2 x self_update"), "/self_finish:1-2 x self_finish");
  // A server's version that is no dotted decimal never reaches a command
  // line: "2.0 /OP:Preview /HWND:1" would otherwise be three switches.
  for (const char* version : {"2.0 /OP:Preview /HWND:1", "2.0\"", "", "1..2", "v2", "2.0-beta", ".1"}) {
    EXPECT_TRUE(RelaunchArguments("/Log", 5, 3, version).empty()) << version;
  }
}

TEST(SelfUpdate, RelaunchValueRecordsOnlyExactlyTwoPieces) {
  const auto record = SplitRelaunchValue("3-1.2.0");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->section, "file3");
  EXPECT_EQ(record->version, "1.2.0");
  const auto spaced = SplitRelaunchValue("-12 - 2.0 -");
  ASSERT_TRUE(spaced);
  EXPECT_EQ(spaced->section, "file12");
  EXPECT_EQ(spaced->version, "2.0");
  for (const char* refused : {"3-1.2.0-beta", "3", "3-", "", "--", "3-2.0 /op:preview", "x-1.0", "3-1.0a"}) {
    EXPECT_FALSE(SplitRelaunchValue(refused)) << refused;
  }
}

TEST(SelfUpdate, TemporaryNames) {
  EXPECT_EQ(TemporaryProgramOf("/opt/app/upgrade"), "/opt/app/upgrade.new");
  EXPECT_EQ(ProgramOfTemporary("/opt/app/upgrade.NEW"), "/opt/app/upgrade");
  EXPECT_EQ(ProgramOfTemporary("/opt/app/upgrade"), "/opt/app/upgrade");
  EXPECT_EQ(ArchiveDownloadOf("/opt/app/upgrade.bin"), "/opt/app/upgrade.bin.ubk");
}

TEST(SelfUpdate, WaitEndsAtOnceWhenTheProcessIsGoneAndGivesUpAfterTwelvePauses) {
  int looks = 0;
  std::string asked;
  auto goneAfter = [&](int running) {
    return [&, running](std::string_view name) {
      asked = std::string(name);
      return looks++ < running ? 4242 : 0;
    };
  };
  const auto step = std::chrono::milliseconds(1);
  EXPECT_EQ(WaitWhileRunning(goneAfter(0), "upgrade", step), 0);
  EXPECT_EQ(looks, 1);
  EXPECT_EQ(asked, "upgrade");
  looks = 0;
  EXPECT_EQ(WaitWhileRunning(goneAfter(3), "upgrade", step), 3);
  looks = 0;
  EXPECT_EQ(WaitWhileRunning(goneAfter(100), "upgrade", step), 12);
  EXPECT_EQ(looks, 12);
  EXPECT_EQ(WaitWhileRunning(nullptr, "upgrade", step), 0);
}

TEST(SelfUpdate, ProgramPutInPlaceWithTheOldModeOrNotAtAll) {
  testsupport::TempDir dir;
  const std::string program = dir.write("upgrade", "old program");
  const std::string temporary = dir.write("upgrade.new", "new program");
  ASSERT_EQ(chmod(program.c_str(), 0750), 0);
  ASSERT_EQ(chmod(temporary.c_str(), 0600), 0);
  platform::RealFileOperations real;
  testsupport::FaultyFileOperations faulty(real);
  faulty.FailNth(platform::FileOp::kRename, 1);
  EXPECT_FALSE(PutProgramInPlace(faulty, temporary, program));
  EXPECT_EQ(testsupport::TempDir::read(program), "old program");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no leftover copy

  EXPECT_TRUE(PutProgramInPlace(real, temporary, program));
  EXPECT_EQ(testsupport::TempDir::read(program), "new program");
  struct stat st {};
  ASSERT_EQ(stat(program.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  EXPECT_EQ(testsupport::TempDir::read(temporary), "new program");  // the caller deletes it later
}

TEST(SelfUpdate, VersionRecordedInClientDatOfTheArchiveOnlyWhenItParses) {
  testsupport::TempDir dir;
  const std::string archive = dir.file("upgrade.bin");
  ASSERT_TRUE(testsupport::MakeZip(dir, archive,
                                   {{"pre.dat", "[pre]\r\ncloselog=0\r\n"},
                                    {"client.dat", "[system]\r\nurls=url0=x\r\n[file3]\r\nver=1.0.0\r\n"}}));
  EXPECT_TRUE(RecordProgramVersion({archive, "client.dat"}, {"file3", "1.2.0"}));
  EXPECT_TRUE(RecordProgramVersion({archive, "client.dat"}, {"file7", "2.0"}));
  EXPECT_EQ(formats::ReadArchiveMember(archive, "client.dat"),
            "[system]\r\nurls=url0=x\r\n[file3]\r\nver=1.2.0\r\n[file7]\r\nver=2.0\r\n");
  EXPECT_EQ(formats::ReadArchiveMember(archive, "pre.dat"), "[pre]\r\ncloselog=0\r\n");

  // Without a "client.dat" (or without an archive) nothing is written.
  const std::string bare = dir.file("bare.bin");
  ASSERT_TRUE(testsupport::MakeZip(dir, bare, {{"pre.dat", "[pre]\r\n"}}));
  const std::string before = testsupport::TempDir::read(bare);
  EXPECT_FALSE(RecordProgramVersion({bare, "client.dat"}, {"file3", "1.2.0"}));
  EXPECT_EQ(testsupport::TempDir::read(bare), before);
  EXPECT_FALSE(RecordProgramVersion({dir.file("missing.bin"), "client.dat"}, {"file3", "1.2.0"}));

  // A text package's configuration file is rewritten in its place.
  const std::string text = dir.write("update.dat", "[file3]\r\nver=1.0.0\r\n");
  EXPECT_TRUE(RecordProgramVersion({text, ""}, {"file3", "1.2.0"}));
  EXPECT_EQ(testsupport::TempDir::read(text), "[file3]\r\nver=1.2.0\r\n");
}

}  // namespace
}  // namespace session

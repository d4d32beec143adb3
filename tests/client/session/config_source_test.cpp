#include "client/session/config_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/session/client_config.h"
#include "formats/config_archive.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace session {
namespace {

using testsupport::ShellQuote;

std::string Zip(const testsupport::TempDir& dir, const std::string& name,
                const std::vector<std::pair<std::string, std::string>>& members) {
  std::string cmd = std::string(testsupport::kPython) + " " + ShellQuote(testsupport::SupportDir() + "/make_zip.py") +
                    " " + ShellQuote(dir.file(name));
  int i = 0;
  for (const auto& [member, bytes] : members) {
    cmd += " " + ShellQuote(member) + " " + ShellQuote(dir.write("src/" + name + std::to_string(i++), bytes));
  }
  EXPECT_EQ(testsupport::RunCommand(cmd).exitCode, 0) << cmd;
  return dir.file(name);
}

TEST(ClientConfigSource, ClientDatThenThePackageMemberThenTheTextFileBesideTheProgram) {
  testsupport::TempDir dir;
  const std::string folder = dir.path().string() + "/";
  const std::string archive = folder + "update.bin";
  EXPECT_FALSE(FindClientConfiguration(archive, folder, "update"));

  dir.write("update.dat", "[file0]\r\nver=1.0\r\n");
  auto found = FindClientConfiguration(archive, folder, "update");
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->IsTextFile());
  EXPECT_TRUE(found->IsPackage());
  EXPECT_EQ(ReadClientConfiguration(*found), "[file0]\r\nver=1.0\r\n");

  Zip(dir, "update.bin", {{"update.dat", "[file0]\r\nver=2.0\r\n"}});
  found = FindClientConfiguration(archive, folder, "update");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->member, "update.dat");
  EXPECT_EQ(ReadClientConfiguration(*found), "[file0]\r\nver=2.0\r\n");

  Zip(dir, "update.bin", {{"update.dat", "x"}, {"client.dat", "[file0]\r\nver=3.0\r\n"}});
  found = FindClientConfiguration(archive, folder, "update");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->member, "client.dat");
  EXPECT_FALSE(found->IsPackage());
}

TEST(ClientConfigSource, WriteBackReplacesOnlyItsOwnMemberOrTheTextFile) {
  testsupport::TempDir dir;
  const std::string picture("BM\0\x01\x02", 5);
  const std::string archive =
      Zip(dir, "update.bin", {{"update.dat", "[file0]\r\nver=1.0\r\n"}, {"res\\a.bmp", picture}, {"pre.dat", "[pre]\r\n"}});
  ClientConfigSource member{archive, "update.dat"};
  ASSERT_TRUE(WriteClientConfiguration(member, "[file0]\r\nver=1.1\r\n"));
  EXPECT_EQ(ReadClientConfiguration(member), "[file0]\r\nver=1.1\r\n");
  EXPECT_EQ(formats::ReadArchiveMember(archive, "res\\a.bmp"), picture);
  EXPECT_EQ(formats::ReadArchiveMember(archive, "pre.dat"), "[pre]\r\n");

  ClientConfigSource text{dir.write("update.dat", "[file0]\r\nver=1.0\r\n"), ""};
  ASSERT_TRUE(WriteClientConfiguration(text, "[file0]\r\nver=1.2\r\n"));
  EXPECT_EQ(testsupport::TempDir::read(text.path), "[file0]\r\nver=1.2\r\n");
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.path().filename() != "src";
  EXPECT_EQ(entries, 2u) << "no temporary left beside update.bin and update.dat";

  // A configuration that went away is not made up anew in a broken state.
  ClientConfigSource gone{dir.file("missing.bin"), "update.dat"};
  std::string error;
  EXPECT_FALSE(WriteClientConfiguration(gone, "x", &error));
  EXPECT_FALSE(error.empty());
  ClientConfigSource noFolder{dir.file("no/such/update.dat"), ""};
  EXPECT_FALSE(WriteClientConfiguration(noFolder, "x"));
}

TEST(ClientConfigSource, PackageLogSwitchIsOnOnlyForCloselogZero) {
  EXPECT_TRUE(PackageLogSwitch("[system]\r\ncloselog=0\r\n"));
  EXPECT_FALSE(PackageLogSwitch("[system]\r\ncloselog=1\r\n"));
  EXPECT_FALSE(PackageLogSwitch("[system]\r\nurls=\r\n"));
  EXPECT_FALSE(PackageLogSwitch(""));
}

}  // namespace
}  // namespace session

// Runs of the real client in the layouts the authoring tool writes: the
// configuration as the text file "update.dat" beside the program or as the
// member "update.dat" of "update.bin", no "pre.dat", the skin in "ui.bin".

#include <gtest/gtest.h>

#include <algorithm>

#include "common/gbk.h"
#include "tests/apps/client_sandbox.h"
#include "tests/support/run_command.h"

namespace apptest {
namespace {

using Lines = std::vector<std::string>;

bool Has(const Lines& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// A client configuration whose server configuration is missing: the run
// reads it, logs it and ends on the no-configuration path.
std::string PackageConfig(int closelog) {
  return "[system]\r\nurls=url0=file:///nonexistent/s.ini\r\ncloselog=" + std::to_string(closelog) +
         "\r\nrandomsel=0\r\ntryallurl=0\r\n[file0]\r\nver=1.0.0\r\n";
}

TEST(UpgradePackage, TextPackageIsReadFromTheFileBesideTheProgramAndLogsUnderItsName) {
  ClientSandbox box("update");
  box.Dir().write("update.dat", PackageConfig(0));
  ASSERT_EQ(box.Run().exitCode, 0);
  EXPECT_TRUE(box.Boxes().empty());
  const Lines log = box.LogTexts();
  EXPECT_TRUE(Has(log, "≡≡≡≡≡≡≡≡≡≡≡【解析客户端配置文件：update.dat】≡≡≡≡≡≡≡≡≡≡≡")) << log.size();
  EXPECT_TRUE(Has(log, "【file0】"));
  EXPECT_FALSE(std::filesystem::exists(box.Dir().path() / "upgrade.log"));
}

TEST(UpgradePackage, PackedPackageReadsItsMemberAndLogSwitchesFollowCloselogOrTheCommandLine) {
  {
    ClientSandbox box("update");
    box.WriteArchive({{"update.dat", PackageConfig(1)}});
    ASSERT_EQ(box.Run().exitCode, 0);
    EXPECT_FALSE(box.LogExists()) << "closelog=1 keeps the log off";
    EXPECT_TRUE(box.Boxes().empty());
    ASSERT_EQ(box.Run("/Log").exitCode, 0);
    EXPECT_TRUE(Has(box.LogTexts(), "≡≡≡≡≡≡≡≡≡≡≡【解析客户端配置文件：update.bin】≡≡≡≡≡≡≡≡≡≡≡"));
  }
  {
    // An archive of today's layout wins over a text file beside it.
    ClientSandbox box("update");
    box.WriteArchive({{"pre.dat", "[pre]\r\ncloselog=0\r\n"}, {"client.dat", "[file3]\r\nver=3.0\r\n"}});
    box.Dir().write("update.dat", PackageConfig(0));
    ASSERT_EQ(box.Run().exitCode, 0);
    const Lines log = box.LogTexts();
    EXPECT_TRUE(Has(log, "【file3】"));
    EXPECT_FALSE(Has(log, "【file0】"));
  }
}

TEST(UpgradePackage, NoConfigurationAnywhereStillNamesTheArchive) {
  ClientSandbox box("update");
  ASSERT_EQ(box.Run().exitCode, 0);
  ASSERT_EQ(box.Boxes().size(), 1u);
  EXPECT_NE(box.Boxes()[0].find("错误：没有找到客户端配置文件:update.bin"), std::string::npos) << box.Boxes()[0];
}

}  // namespace
}  // namespace apptest

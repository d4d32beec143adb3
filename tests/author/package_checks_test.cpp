// What stands between a project and its package: the checks (errors refuse
// the package in the window and in `quillmate --generate`, warnings ask),
// a copied project that writes its own signed package, and the key a
// project signed with that went missing.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "author/pages/create_debug_page.h"
#include "author/project/project_checks.h"
#include "author/pages/system_items_page.h"
#include "author/pages/url_list_editor.h"
#include "common/gbk.h"
#include "tests/author/author_test_support.h"
#include "tests/support/run_command.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;

TEST(ProjectChecks, VersionsDigestsAndLocations) {
  for (const char* good : {"1", "0.0.0", "1.10.3", "2024.1.2.33"}) EXPECT_TRUE(author::IsDottedVersion(good)) << good;
  for (const char* bad : {"", "1.0 beta", "abc", "1..2", ".1", "1.", "v1.0", "1,0"}) {
    EXPECT_FALSE(author::IsDottedVersion(bad)) << bad;
  }
  const std::string md5 = "0123456789abcdefABCDEF0123456789";
  EXPECT_TRUE(author::IsHexDigest(md5, 32));
  EXPECT_FALSE(author::IsHexDigest(md5.substr(1), 32));
  EXPECT_FALSE(author::IsHexDigest(md5.substr(1) + "g", 32));
  EXPECT_TRUE(author::IsHexDigest(md5 + md5, 64));
  EXPECT_EQ(author::UrlEntryProblem("http://h/x"), "");
  EXPECT_EQ(author::UrlEntryProblem("ftp://h/x,,u,,p"), "");
  EXPECT_NE(author::UrlEntryProblem("http://http://h/x"), "");
  EXPECT_NE(author::UrlEntryProblem("h/x"), "");
  EXPECT_NE(author::UrlEntryProblem("ftp://,,u"), "");
}

class Packages : public ::testing::Test {
 protected:
  author::CreateDebugPage* CreatePage() {
    return static_cast<author::CreateDebugPage*>(window->Page(author::kCreatePage));
  }
  void SetServer(const std::string& urls) {
    auto* system = static_cast<author::SystemItemsPage*>(window->Page(author::kSystemPage));
    author::UrlEditorState state;
    state.urls = urls;
    system->Urls()->SetState(state);
    system->SetModified();
  }
  // "创建升级包" and the wait for its end; the status text.
  std::string Generate() {
    auto* create = CreatePage()->findChild<QPushButton*>("createPackage");
    create->click();
    EXPECT_TRUE(WaitFor([&] { return create->isEnabled(); }, 20000));
    return CreatePage()->findChild<QLabel*>("createStatus")->text().toStdString();
  }

  void SetUp() override {
    fs::copy(testsupport::BinDir() + "/pics", tool.Folder() + "/pics", fs::copy_options::recursive);
  }

  ToolFixture tool;
  std::unique_ptr<author::MainWindow> window;
};

TEST_F(Packages, ACopiedProjectMakesItsOwnSignedPackageAndRefusesWithoutItsKey) {
  window = tool.Start();
  tool.NewProject(*window, "demo", tool.Folder() + "/a");
  SetServer("url0=http://127.0.0.1/cfg/s.ini");
  const std::string a = tool.Folder() + "/a/demo/";
  std::string status = Generate();
  ASSERT_TRUE(tool.dialogs.messages.empty()) << tool.dialogs.messages[0];
  EXPECT_TRUE(fs::exists(a + "output/s.ini.sig"));
  EXPECT_NE(status.find("上传到服务器（服务器端配置文件url所指的位置）：s.ini、s.ini.sig"), std::string::npos) << status;
  EXPECT_NE(status.find("随应用程序一起发布（放在程序文件夹中）：update、update.dat、ui.bin"), std::string::npos);
  EXPECT_EQ(status.find("已替换"), std::string::npos);
  status = Generate();
  EXPECT_NE(status.find("已替换此文件夹中原有的：s.ini、s.ini.sig、update.dat、ui.bin"), std::string::npos) << status;
  const std::string saved = ReadUtf8(a + "demo.epj");
  EXPECT_NE(saved.find("output_path=output\\\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("signing_pubkey="), std::string::npos);
  window->CloseProject();

  // The whole folder copied elsewhere, and opened there.
  fs::copy(tool.Folder() + "/a", tool.Folder() + "/b", fs::copy_options::recursive);
  fs::remove_all(tool.Folder() + "/b/demo/output");
  const auto original = fs::last_write_time(a + "output/s.ini");
  const std::string b = tool.Folder() + "/b/demo/";
  window = tool.Start(QString::fromStdString(b + "demo.epj"));
  ASSERT_TRUE(window->Project().IsOpen());
  Generate();
  EXPECT_TRUE(fs::exists(b + "output/s.ini.sig"));
  EXPECT_EQ(fs::last_write_time(a + "output/s.ini"), original) << "the original's package stays as it was";

  // The copy loses its key: no unsigned package replaces a signed one.
  fs::remove(b + "demo.epj.private-signing-key");
  fs::remove_all(b + "output");
  Generate();
  ASSERT_EQ(tool.dialogs.messages.size(), 1u);
  EXPECT_NE(tool.dialogs.messages[0].find("找不到私钥文件：" + b + "demo.epj.private-signing-key"), std::string::npos)
      << tool.dialogs.messages[0];
  EXPECT_FALSE(fs::exists(b + "output"));
}

// The second release of a file item comes with a patch from the first:
// the "patches/" folder is named among what goes up to the server, in the
// window and headless alike, only once patches were written.
TEST_F(Packages, ASecondReleaseNamesThePatchFolderAmongTheServerFiles) {
  const std::string project = tool.Folder() + "/r/r.epj";
  const std::string release = tool.Folder() + "/r/release.bin";
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  auto generate = [&](const std::string& version) {
    fs::create_directories(fs::path(release).parent_path());
    std::ofstream(release, std::ios::binary | std::ios::trunc) << bytes;
    WriteGbk(project, "[project]\r\nname=r\r\n[system]\r\nurls=url0=http://h/s.ini\r\n[file0]\r\nurls=url0=http://h/"
                      "release.bin;;url1=file://" + release + "\r\nlocal_ver=1.0.0\r\nfile_ver=" + version + "\r\n");
    const auto run = testsupport::RunCommand(testsupport::ShellQuote(testsupport::BinDir() + "/quillmate") +
                                             " --generate " + testsupport::ShellQuote(project) + " 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return run.output;
  };
  EXPECT_NE(generate("1.0.0").find("上传到服务器（服务器端配置文件url所指的位置）：s.ini\r\n"), std::string::npos);
  bytes.replace(1000, 5, "new!!");
  const std::string second = generate("1.1.0");
  EXPECT_NE(second.find("上传到服务器（服务器端配置文件url所指的位置）：s.ini、patches/\r\n"), std::string::npos) << second;
  EXPECT_TRUE(fs::exists(tool.Folder() + "/r/output/patches/file0/1.0.0_1.1.0.zst"));

  window = tool.Start(QString::fromStdString(project));
  const std::string status = Generate();
  EXPECT_NE(status.find("：s.ini、patches/"), std::string::npos) << status;
  window->CloseProject();
}

TEST_F(Packages, ErrorsRefuseThePackageWarningsAsk) {
  const std::string project = tool.Folder() + "/p/bad.epj";
  WriteGbk(project,
           "[project]\r\nname=bad\r\n[system]\r\nurls=url0=http://h/s.ini\r\n"
           "[file0]\r\nurls=url0=http://http://host/x\r\nfile_ver=1.0 beta\r\nlocal_ver=abc\r\n"
           "md5=0123456789abcdef0123456789abcde\r\npath={parent}/bin\r\n");
  const auto headless = testsupport::RunCommand(testsupport::ShellQuote(testsupport::BinDir() + "/quillmate") +
                                                " --generate " + testsupport::ShellQuote(project) + " 2>&1");
  EXPECT_EQ(headless.exitCode, 1);
  const std::string out = common::GbkToUtf8(common::Utf8ToGbk(headless.output));
  for (const char* expected : {"错误：[file0] 版本号：“1.0 beta”不是用点分隔的数字", "错误：[file0] 初始版本号：“abc”",
                               "错误：[file0] MD5：应为 32 位十六进制数字，现有 31 个字符",
                               "错误：[file0] url0：地址含有两个协议：http://http://host/x",
                               "警告：[file0] 存放路径：路径中的“/”应为“\\”：{parent}/bin"}) {
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
  }
  EXPECT_FALSE(fs::exists(tool.Folder() + "/p/output"));

  window = tool.Start(QString::fromStdString(project));
  Generate();
  ASSERT_EQ(tool.dialogs.messages.size(), 1u);
  EXPECT_EQ(tool.dialogs.messages[0].rfind("升级包没有创建，请先改正以下错误：", 0), 0u);
  EXPECT_FALSE(fs::exists(tool.Folder() + "/p/output"));
  window->CloseProject();

  // Only the warning left: the author is asked, and No makes nothing.
  WriteGbk(project,
           "[project]\r\nname=bad\r\n[system]\r\nurls=url0=http://h/s.ini\r\n"
           "[file0]\r\nurls=url0=http://host/x\r\nfile_ver=1.0\r\npath={parent}/bin\r\n");
  window = tool.Start(QString::fromStdString(project));
  tool.dialogs.answers = {false};
  Generate();
  ASSERT_EQ(tool.dialogs.questions.size(), 1u);
  EXPECT_NE(tool.dialogs.questions[0].find("仍然创建升级包吗？"), std::string::npos);
  EXPECT_FALSE(fs::exists(tool.Folder() + "/p/output"));
  tool.dialogs.answers = {true};
  Generate();
  EXPECT_TRUE(fs::exists(tool.Folder() + "/p/output/s.ini"));
}

}  // namespace
}  // namespace authortest

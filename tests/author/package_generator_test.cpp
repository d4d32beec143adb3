// The package generator on real project files: the server configuration's
// name, the key mappings into the client and server configurations, the
// two output modes and the work files.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "author/generator/package_generator.h"
#include "author/project/project_file.h"
#include "author/project/project_keys.h"
#include "codecs/zip_archive.h"
#include "codecs/any_patch.h"
#include "formats/patch_list.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "common/sha256_digest.h"
#include "common/signature.h"
#include "formats/config_archive.h"
#include "formats/update_config.h"
#include "tests/author/author_test_support.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace authortest {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string G(const char* utf8) { return common::Utf8ToGbk(utf8); }

// The lines of one section of a GBK INI file as UTF-8 ("" lines dropped);
// empty when the section is absent.
Lines Section(const std::string& path, const std::string& name) {
  Lines out;
  bool in = false;
  std::string text = ReadUtf8(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? text.size() : end + 2;
    if (!line.empty() && line[0] == '[') {
      in = line == "[" + name + "]";
      continue;
    }
    if (in && !line.empty()) out.push_back(line);
  }
  return out;
}

std::vector<std::string> Members(const std::string& archive) {
  codecs::ZipArchive zip;
  EXPECT_TRUE(zip.Open(archive, codecs::ZipArchive::Mode::ReadOnly)) << archive;
  std::vector<std::string> names;
  for (int64_t i = 0; i < zip.EntryCount(); ++i) names.push_back(zip.EntryName(i));
  return names;
}

class Generator : public ::testing::Test {
 protected:
  // The built-in skin's pictures beside the tool.
  void SetUp() override {
    fs::create_directories(dir.file("tool"));
    fs::copy(testsupport::BinDir() + "/pics", dir.file("tool/pics"), fs::copy_options::recursive);
  }
  // A project file written as UTF-8 text; returns the generator's result.
  author::GeneratorResult Generate(const std::string& projectUtf8, int mode = 0) {
    WriteGbk(dir.file("p/p.epj"), projectUtf8);
    author::GeneratorRequest request;
    request.projectFile = author::StoredPath(dir.file("p/p.epj"));
    request.outputFolder = "  " + dir.file("p/out") + "  ";  // trimmed, given its "/"
    request.configOutput = mode;
    request.updateProgram = dir.write("tool/updateApp/update", "#!/bin/sh\n");
    request.folders = author::ToolFolders::InOneFolder(dir.file("tool"));
    return author::GeneratePackage(request, [this](int position, const std::string&) { positions.push_back(position); });
  }
  std::string Out(const std::string& name) const { return dir.file("p/out/" + name); }

  testsupport::TempDir dir{"generator-test-"};
  std::vector<int> positions;
};

TEST(ServerConfigName, LastComponentOfTheFirstEntryAsListed) {
  EXPECT_EQ(author::ServerConfigName("url0=ftp://127.0.0.1/dir/b.txt,,anna,,pw;;url1=http://h/c.txt"), "b.txt");
  EXPECT_EQ(author::ServerConfigName("url0=ftp://h/b.txt,,anna"), "b.txt");
  EXPECT_EQ(author::ServerConfigName("url0=file://C:\\cfg\\s.ini"), "s.ini");
  EXPECT_EQ(author::ServerConfigName("url0=http://h/" + G("配置.ini")), G("配置.ini"));
  EXPECT_EQ(author::ServerConfigName(""), "");
  EXPECT_EQ(author::ServerConfigName("url1=http://h/only-second.ini"), "");
}

TEST_F(Generator, TheSameProjectGivesTheSameArchiveBytesAndNoStepIsSkipped) {
  const std::string project = "[project]\r\nname=p\r\n[system]\r\nurls=url0=http://h/s.ini\r\n";
  ASSERT_TRUE(Generate(project, 1).ok);
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  const std::string ui = testsupport::TempDir::read(Out("ui.bin"));
  const std::string config = testsupport::TempDir::read(Out("update.bin"));
  ASSERT_FALSE(ui.empty());
  // Zip times count in steps of two seconds: the work files of the second
  // run are surely younger.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  ASSERT_TRUE(Generate(project, 1).ok);
  EXPECT_TRUE(testsupport::TempDir::read(Out("ui.bin")) == ui);
  EXPECT_TRUE(testsupport::TempDir::read(Out("update.bin")) == config);
}

TEST_F(Generator, WithoutServerLocationNothingIsCreated) {
  author::GeneratorResult r = Generate("[project]\r\nname=p\r\n[file0]\r\nurls=url0=http://h/a\r\n");
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(common::GbkToUtf8(r.messages[0]), "没有设置服务器端配置文件url，或是设置错误！");
  EXPECT_FALSE(fs::exists(dir.file("p/out")));
}

TEST_F(Generator, KeysGoWhereTheClientAndTheServerReadThem) {
  author::GeneratorResult r = Generate(
      "[project]\r\nname=p\r\n"
      "[system]\r\nurls=url0=ftp://127.0.0.1/cfg/b.txt,,anna,,pw\r\nserver_conf=x\r\nprotocol=2\r\n"
      "username=anna\r\npw=pw\r\ntryallurl=1\r\nrun_after=a.sh\r\nrun_before=b.sh\r\nclose_proc1=x.exe\r\n"
      "[UI]\r\nstart_win=0\r\nend_win1_msg=好了\r\n"
      "[file0]\r\nlocal_ver=1.0.0\r\n"
      "[file1]\r\nurls=url0=http://h/a.exe\r\nurl=http://h/a.exe\r\nusername=anonymous\r\npath={parent}\\bin\r\n"
      "describe=程序\r\nmd5=0123456789abcdef0123456789abcdef\r\nruntime=9\r\nrunme=1\r\n"
      "[dir0]\r\nurls=url0=ftp://h/d/\r\npath=data\r\nfilter=*.txt\r\nlocal_ver=2.0\r\nis_inc_subdir=1\r\n"
      "[dir1]\r\nurls=url0=ftp://h/e/\r\nfile_ver=3.0\r\n");
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : common::GbkToUtf8(r.messages[0]));
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(common::GbkToUtf8(r.statusText), "完成创建！\r\n结果保存在文件夹：" + dir.file("p/out") + "/\r\n");

  const std::string client = Out("update.dat");
  EXPECT_EQ(Section(client, "system"),
            (Lines{"urls=url0=ftp://127.0.0.1/cfg/b.txt,,anna,,pw", "closelog=0", "randomsel=0", "tryallurl=1"}));
  // A file item without locations still records its installed version.
  EXPECT_EQ(Section(client, "file0"), (Lines{"ver=1.0.0"}));
  EXPECT_TRUE(Section(client, "file1").empty());
  EXPECT_EQ(Section(client, "dir0"), (Lines{"ver=2.0"}));

  const std::string server = Out("b.txt");
  EXPECT_EQ(Section(server, "system"), (Lines{"run_before=b.sh", "run_after=a.sh", "close_proc1=x.exe"}));
  EXPECT_EQ(Section(server, "UI"),
            (Lines{"noupdate_win=0", "noupdate_win_msg=没有发现新版本！", "start_win=0",
                   "start_win_msg=发现新版本，现在升级吗？", "dl_win=1", "dl_win_msg=下载文件失败，请稍后再试！",
                   "end_win1=1", "end_win2=1", "end_win1_msg=好了", "end_win2_msg=升级失败！", "close_win=1",
                   "close_win_msg=本次升级将会关闭一些相关的进程，请保存好数据后继续！"}));
  EXPECT_TRUE(Section(server, "file0").empty());
  // A file item's version goes out even as 0.0.0; integers as decimals.
  EXPECT_EQ(Section(server, "file1"),
            (Lines{"urls=url0=http://h/a.exe", "path={parent}\\bin", "ver=0.0.0", "describe=程序",
                   "md5=0123456789abcdef0123456789abcdef", "uncompress=0", "modify_ver=1", "runme=1", "op_mode=0",
                   "show_type=0", "randomsel=0", "tryallurl=0"}));
  // A dir item's 0.0.0 is left out.
  EXPECT_EQ(Section(server, "dir0"), (Lines{"urls=url0=ftp://h/d/", "path=data", "filter=*.txt", "modify_ver=1",
                                            "is_inc_subdir=1", "op_mode=0", "show_type=0", "randomsel=0",
                                            "tryallurl=0"}));
  EXPECT_EQ(Section(server, "dir1").at(1), "ver=3.0");

  // The built-in look: its two pictures and the description.
  EXPECT_EQ(Members(Out("ui.bin")), (std::vector<std::string>{"ui.dat", "res\\top.bmp", "res\\bottom.bmp"}));
  EXPECT_FALSE(fs::exists(Out("ui.dat")));
  EXPECT_FALSE(fs::exists(Out("res")));
  EXPECT_FALSE(fs::exists(Out("update.bin")));
  EXPECT_EQ(testsupport::TempDir::read(Out("update")), "#!/bin/sh\n");
}

// A project with a key signs what it generates; through a key change the
// client configuration names both keys and the signature stays under the
// old one until the change is finished. Without a key nothing is signed.
TEST_F(Generator, SignedProjectsThroughAKeyChange) {
  const std::string local = dir.write("local/app.txt", "app v2\n");
  std::string project = "[system]\r\nurls=url0=http://h/s.ini\r\n[file0]\r\nurls=url0=http://h/app.txt;;url1=file://" +
                        local + "\r\nfile_ver=1.1\r\n[file1]\r\nurls=url0=http://h/b.txt\r\nfile_ver=1.1\r\n";
  const std::string stored = author::StoredPath(dir.file("p/p.epj"));
  auto signature = [&] { return testsupport::TempDir::read(Out("s.ini.sig")); };
  auto signedUnder = [&](const std::string& key) {
    return common::VerifySignature(testsupport::TempDir::read(Out("s.ini")), signature(), {key});
  };

  ASSERT_TRUE(Generate(project).ok);
  EXPECT_FALSE(fs::exists(Out("s.ini.sig")));
  EXPECT_EQ(testsupport::TempDir::read(Out("update.dat")).find("pubkey"), std::string::npos);
  EXPECT_EQ(testsupport::TempDir::read(Out("s.ini")).find("sha256"), std::string::npos);

  ASSERT_TRUE(author::MakeProjectKey(stored));
  EXPECT_EQ(fs::status(dir.file("p/p.epj.private-signing-key")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  std::optional<author::ProjectKeys> first = author::LoadProjectKeys(stored);
  ASSERT_TRUE(first);
  // file1 has no local source: nothing can vouch for its bytes, and no
  // signed package is made.
  author::GeneratorResult refused = Generate(project);
  EXPECT_FALSE(refused.ok);
  ASSERT_EQ(refused.messages.size(), 1u);
  EXPECT_EQ(common::GbkToUtf8(refused.messages[0]),
            "[file1]没有可读的本地文件（file://地址），无法为签名的升级包计算其SHA256值！");
  EXPECT_FALSE(fs::exists(Out("s.ini.sig")));

  project += "[dir0]\r\nurls=url0=file://" + dir.file("local/tree") + "\r\nfilter=*.txt\r\nis_inc_subdir=1\r\n"
             "file_ver=1.1\r\n";
  dir.write("local/tree/sub/b.txt", "b\n");
  dir.write("local/tree/a.txt", "a\n");
  dir.write("local/tree/skip.bin", "x");
  const std::string local1 = dir.write("local/b.txt", "b v2\n");
  const size_t at = project.find("url0=http://h/b.txt");
  project.insert(at + 19, ";;url1=file://" + local1);
  const int64_t before = static_cast<int64_t>(std::time(nullptr));
  ASSERT_TRUE(Generate(project).ok);
  Lines system = Section(Out("update.dat"), "system");
  EXPECT_NE(std::find(system.begin(), system.end(), "pubkey=" + first->publicKey), system.end());
  Lines file0 = Section(Out("s.ini"), "file0");
  EXPECT_NE(std::find(file0.begin(), file0.end(), "sha256=" + common::Sha256Hex("app v2\n")), file0.end());
  EXPECT_NE(std::find(file0.begin(), file0.end(), "size=7"), file0.end());
  Lines dir0 = Section(Out("s.ini"), "dir0");
  EXPECT_EQ(Lines(dir0.end() - 3, dir0.end()),
            (Lines{"files=2", "file0=2," + common::Sha256Hex("a\n") + ",a.txt",
                   "file1=2," + common::Sha256Hex("b\n") + ",sub/b.txt"}));
  EXPECT_TRUE(signedUnder(first->publicKey));
  // Freshness and binding: a serial not behind the clock, 30 days of
  // validity, and one product id in both configurations and the project.
  common::IniDocument server;
  ASSERT_TRUE(server.SetText(testsupport::TempDir::read(Out("s.ini"))));
  const int64_t serial = std::stoll(server.GetString("system", "serial", "0"));
  EXPECT_GE(serial, before);
  const auto expires = formats::ParseUtcTime(server.GetString("system", "expires", ""));
  ASSERT_TRUE(expires);
  EXPECT_NEAR(static_cast<double>(*expires - before), 30.0 * 86400, 60);
  const std::string product = server.GetString("system", "product", "");
  EXPECT_EQ(product.size(), 32u);
  EXPECT_NE(std::find(system.begin(), system.end(), "product=" + product), system.end());
  EXPECT_NE(testsupport::TempDir::read(dir.file("p/p.epj")).find("product_id=" + product), std::string::npos);

  ASSERT_TRUE(author::StartKeyChange(stored));
  EXPECT_FALSE(author::StartKeyChange(stored));  // one change at a time
  std::optional<author::ProjectKeys> changing = author::LoadProjectKeys(stored);
  ASSERT_TRUE(changing);
  EXPECT_NE(changing->publicKey, first->publicKey);
  EXPECT_EQ(changing->oldPublicKey, first->publicKey);
  ASSERT_TRUE(Generate(project, 1).ok);
  const std::string client = formats::ReadArchiveMember(Out("update.bin"), "update.dat").value_or("");
  EXPECT_NE(client.find("pubkey=" + changing->publicKey + "\r\npubkey2=" + first->publicKey + "\r\n"),
            std::string::npos);
  EXPECT_TRUE(signedUnder(first->publicKey));  // installed clients know only this one

  ASSERT_TRUE(author::FinishKeyChange(stored));
  ASSERT_TRUE(Generate(project).ok);
  EXPECT_EQ(testsupport::TempDir::read(Out("update.dat")).find("pubkey2"), std::string::npos);
  EXPECT_TRUE(signedUnder(changing->publicKey));
  EXPECT_FALSE(signedUnder(first->publicKey));
  // The dropped key is withdrawn in every later package, and the serial
  // goes on rising (the test rewrites the project, so the product id is
  // made anew here).
  common::IniDocument later;
  ASSERT_TRUE(later.SetText(testsupport::TempDir::read(Out("s.ini"))));
  EXPECT_EQ(later.GetString("system", "revoked", ""), first->publicKey);
  EXPECT_NE(testsupport::TempDir::read(dir.file("p/p.epj")).find("signed_serial="), std::string::npos);
  // A project whose last serial is ahead of the clock goes on from it.
  std::string ahead = project;
  ahead.insert(10, "signed_serial=" + std::to_string(serial + 1000) + "\r\n");
  ASSERT_TRUE(Generate(ahead).ok);
  common::IniDocument next;
  ASSERT_TRUE(next.SetText(testsupport::TempDir::read(Out("s.ini"))));
  EXPECT_EQ(next.GetString("system", "serial", "0"), std::to_string(serial + 1001));

  // A project that lost its key file leaves the signed package alone; with
  // the signature removed by hand it goes back to unsigned packages.
  fs::remove(dir.file("p/p.epj.private-signing-key"));
  const std::string signedConfig = testsupport::TempDir::read(Out("s.ini"));
  author::GeneratorResult lostKey = Generate(project);
  EXPECT_FALSE(lostKey.ok);
  ASSERT_EQ(lostKey.messages.size(), 1u);
  EXPECT_EQ(common::GbkToUtf8(lostKey.messages[0]).rfind("输出文件夹中的升级包带有签名，但找不到签名密钥：" +
                                                         dir.file("p/p.epj.private-signing-key"), 0), 0u);
  EXPECT_EQ(testsupport::TempDir::read(Out("s.ini")), signedConfig);
  fs::remove(Out("s.ini.sig"));
  ASSERT_TRUE(Generate(project).ok);
  EXPECT_FALSE(fs::exists(Out("s.ini.sig")));
}

// Each generation keeps the item's file under the project; the next ones
// patch from the newest few of those releases, and a patch rebuilds the
// new file from the old one.
TEST_F(Generator, KeepsReleasesAndPatchesFromTheNewestFew) {
  std::string content(200000, 'x');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 7919) % 251);
  auto project = [&](const std::string& version, int keep) {
    return "[system]\r\nurls=url0=http://h/s.ini\r\n[project]\r\ndelta_releases=" + std::to_string(keep) +
           "\r\n[file0]\r\nurls=url0=http://h/app.bin;;url1=file://" + dir.file("local/app.bin") +
           "\r\nfile_ver=" + version + "\r\n[file1]\r\nurls=url0=http://h/b.txt\r\nfile_ver=1.1\r\n";
  };
  std::vector<std::string> releases;
  for (int n = 0; n < 5; ++n) {
    content[1000 + n * 5000] ^= 0x55;
    releases.push_back(content);
    dir.write("local/app.bin", content);
    ASSERT_TRUE(Generate(project("1." + std::to_string(n), n == 4 ? 2 : 3)).ok);
    EXPECT_EQ(testsupport::TempDir::read(dir.file("p/releases/file0/1." + std::to_string(n) + "/app.bin")), content);
  }
  // 1.4 with delta_releases=2: patches from 1.3 and 1.2, newest first.
  Lines file0 = Section(Out("s.ini"), "file0");
  auto value = [&](const std::string& key) {
    auto it = std::find_if(file0.begin(), file0.end(), [&](const std::string& l) { return l.starts_with(key + "="); });
    return it == file0.end() ? std::string() : it->substr(key.size() + 1);
  };
  EXPECT_EQ(value("sha256"), common::Sha256Hex(content));
  std::vector<formats::PatchEntry> patches = formats::ParsePatchList(value("patches"));
  ASSERT_EQ(patches.size(), 2u) << value("patches");
  EXPECT_EQ(patches[0].url, "patches/file0/1.3_1.4.zst");
  EXPECT_EQ(patches[1].base, common::Sha256Hex(releases[2]));
  for (size_t i = 0; i < patches.size(); ++i) {
    const std::string patch = Out(patches[i].url);
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(patch)), patches[i].size);
    EXPECT_LT(patches[i].size, 2000);
    EXPECT_EQ(common::FileSha256(patch), patches[i].digest);
    dir.write("old.bin", releases[3 - i]);
    ASSERT_TRUE(codecs::ApplyAnyPatch(dir.file("old.bin"), patch, dir.file("new.bin"), 1 << 24).ok);
    EXPECT_EQ(testsupport::TempDir::read(dir.file("new.bin")), content);
  }
  EXPECT_FALSE(fs::exists(Out("patches/file0/1.1_1.4.zst")));
  EXPECT_TRUE(Section(Out("s.ini"), "file1").size() > 0);
  EXPECT_EQ(testsupport::TempDir::read(Out("s.ini")).find("[file1]\r\npatches"), std::string::npos);

  // Patches switched off: none listed, and none left from before.
  ASSERT_TRUE(Generate(project("1.4", 0)).ok);
  file0 = Section(Out("s.ini"), "file0");
  EXPECT_TRUE(value("patches").empty());
  EXPECT_FALSE(fs::exists(Out("patches/file0")));
}

TEST_F(Generator, PackedModeLeavesOnlyTheArchiveAndTextModeRemovesAStaleOne) {
  const std::string project = "[system]\r\nurls=url0=http://h/s.ini\r\n[file0]\r\nlocal_ver=1.0\r\n";
  ASSERT_TRUE(Generate(project, 1).ok);
  EXPECT_FALSE(fs::exists(Out("update.dat")));
  EXPECT_EQ(Members(Out("update.bin")), (std::vector<std::string>{"update.dat"}));
  codecs::ZipArchive zip;
  ASSERT_TRUE(zip.Open(Out("update.bin"), codecs::ZipArchive::Mode::ReadOnly));
  EXPECT_NE(zip.ExtractToMemory("update.dat").value_or("").find("[file0]\r\nver=1.0"), std::string::npos);

  ASSERT_TRUE(Generate(project, 0).ok);
  EXPECT_FALSE(fs::exists(Out("update.bin")));
  EXPECT_TRUE(fs::exists(Out("update.dat")));
}

TEST_F(Generator, OwnWindowsPackEachPictureOnceAndAnUnknownPictureTypeStopsTheSkinStep) {
  const std::string picture = dir.file("art/same.bmp");
  fs::create_directories(dir.file("art"));
  fs::copy(dir.file("tool/pics/top.bmp"), picture);
  const std::string image = "show=1;;clrtp=0;;rect=0,0,40,20;;bmpfile=" + author::StoredPath(picture);
  const std::string project = "[system]\r\nurls=url0=http://h/s.ini\r\n[UI]\r\nuse_myui=1\r\n[win0]\r\nattr=show=1;;clrbk=0;;rect=0,0,400,300\r\nimage0=" +
                              image + "\r\nimage1=" + image + "\r\n[win1]\r\nattr=show=1;;clrbk=0;;rect=0,0,400,300\r\nimage0=" + image + "\r\n";
  author::GeneratorResult r = Generate(project);
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : common::GbkToUtf8(r.messages[0]));
  // win2 and win3 keep the built-in look with its two pictures.
  EXPECT_EQ(Members(Out("ui.bin")),
            (std::vector<std::string>{"ui.dat", "res\\same.bmp", "res\\top.bmp", "res\\bottom.bmp"}));
  EXPECT_FALSE(fs::exists(Out("ui.dat")));
  EXPECT_FALSE(fs::exists(Out("res")));

  fs::copy(picture, dir.file("art/same.png"));
  std::string png = project;
  png.replace(png.find("same.bmp"), 8, "same.png");
  positions.clear();
  r = Generate(png);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 2u);
  EXPECT_EQ(common::GbkToUtf8(r.messages[0]), "图像文件" + dir.file("art/same.png") + "格式错误！");
  EXPECT_EQ(common::GbkToUtf8(r.messages[1]), "界面设计信息生成出错！");
  EXPECT_EQ(positions.back(), 7);
}

TEST_F(Generator, AFolderInTheWayOfAFileStopsAtItsStepAndSaysWhich) {
  fs::create_directories(dir.file("p/out/s.ini"));
  author::GeneratorResult r = Generate("[system]\r\nurls=url0=http://h/s.ini\r\n");
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(common::GbkToUtf8(r.messages[0]), "创建服务器端配置文件s.ini出错！");
  EXPECT_EQ(positions, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace authortest

#include <gtest/gtest.h>

#include <algorithm>

#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_keys.h"
#include "formats/update_config_reader.h"
#include "formats/update_config_writer.h"

namespace formats {
namespace {

using common::Gbk;

const FolderValues kFolders = {"", "/opt/app", "/etc", "/usr/lib", "/tmp", "/opt", "/f", "/d", "/k"};

bool IsServerSection(KeySection s) {
  return s == KeySection::System || s == KeySection::Ui || s == KeySection::File || s == KeySection::Dir;
}

// A value unlike the default that survives the reader's trimming and path
// normalisation, different for every key and slot.
std::string SampleValue(const ConfigKey& key, int slot) {
  const std::string tag = std::string(key.name) + "_" + std::to_string(slot);
  if (std::string_view(key.name) == "urls") return "url0=http://127.0.0.1/" + tag + "/a.bin;;url1=ftp://h/b,,u,,p";
  if (std::string_view(key.name) == "ver") return "1.2." + std::to_string(slot + 1);
  switch (key.type) {
    case KeyType::Int: return std::to_string(common::AtoI(key.def) + 3 + slot);
    case KeyType::List: return "a" + tag + ".exe," + Gbk("窗口 ") + tag;
    case KeyType::ItemPath: return "bin\\" + tag + "\\";
    case KeyType::Md5: return std::string(30, 'a') + (slot < 10 ? "0" : "") + std::to_string(slot);
    default: return Gbk("值") + tag;
  }
}

template <typename Fn>
void ForEachTarget(ServerConfig& config, const ConfigKey& key, Fn&& fn) {
  if (key.section == KeySection::System) fn(config.system, 0);
  if (key.section == KeySection::Ui) fn(config.ui, 0);
  for (int i = 0; key.section == KeySection::File && i < kFileItemCount; ++i) fn(config.files[i], i);
  for (int i = 0; key.section == KeySection::Dir && i < kDirItemCount; ++i) fn(config.dirs[i], i);
}

// Every key of the server configuration, in all 30 items: what the tool
// writes the client reads back as written; what the tool never writes the
// client reads as its default.
TEST(UpdateConfig, EveryKeyWrittenByTheToolReadsBackAndTheRestTakeTheirDefaults) {
  ServerConfig written;
  for (const ConfigKey& key : ConfigKeys()) {
    if (!IsServerSection(key.section)) continue;
    ForEachTarget(written, key, [&](auto& target, int slot) { SetStoredValue(key, target, SampleValue(key, slot)); });
  }
  const std::string text = WriteServerConfig(written);
  const ServerReadResult read = ReadServerConfig(text, kFolders);
  EXPECT_EQ(read.policy.newItemCount, kFileItemCount + kDirItemCount);
  EXPECT_TRUE(read.problems.empty());

  ServerConfig back = read.config;
  int checked = 0;
  for (const ConfigKey& key : ConfigKeys()) {
    if (!IsServerSection(key.section)) continue;
    ForEachTarget(back, key, [&](auto& target, int slot) {
      const bool written = std::any_of(ConfigKeys().begin(), ConfigKeys().end(), [&](const ConfigKey& k) {
        return k.section == key.section && std::string_view(k.name) == key.name && k.writeOrder != kNotWritten;
      });
      const std::string expected = written ? SampleValue(key, slot) : Gbk(key.def);
      EXPECT_EQ(StoredValue(key, target), expected) << "[" << static_cast<int>(key.section) << "] " << key.name;
      ++checked;
    });
  }
  EXPECT_GT(checked, 400);
  // A file item's name comes from rename; its mirrors from urls.
  EXPECT_EQ(back.files[19].fileName, Gbk("值") + "rename_19");
  EXPECT_EQ(back.dirs[9].locations.urls.size(), 2u);
}

// The client configuration the tool writes: [system] and the installed
// versions of every slot, read back as written; "0.0.0" is left out.
TEST(UpdateConfig, ClientConfigurationReadsBackAsTheToolWroteIt) {
  ClientSettings settings;
  for (const ConfigKey* key : WrittenKeys(KeySection::ClientSystem)) {
    SetStoredValue(*key, settings, SampleValue(*key, 0));
  }
  FileItems files;
  DirItems dirs;
  for (int i = 1; i < kFileItemCount; ++i) files[i].localVersion = "2." + std::to_string(i);
  for (int i = 0; i < kDirItemCount; i += 2) dirs[i].localVersion = "3." + std::to_string(i);
  common::IniDocument client;
  common::IniDocument server;
  ASSERT_TRUE(client.SetText("\n"));
  ASSERT_TRUE(server.SetText("\n"));
  WriteClientSystem(settings, client);
  WriteFileItems(files, client, server);
  WriteDirItems(dirs, client, server);
  EXPECT_EQ(client.GetString("file0", "ver", "absent"), "absent");
  EXPECT_EQ(server.GetText(), "");  // no item has locations

  const ClientReadResult read = ReadClientConfig(client.GetText(), kFolders);
  // The keys only a signed package or the client itself writes read as
  // their defaults here.
  for (const ConfigKey* key : ReadKeys(KeySection::ClientSystem)) {
    const std::string expected = key->writeOrder != kNotWritten ? SampleValue(*key, 0) : Gbk(key->def);
    EXPECT_EQ(StoredValue(*key, read.settings), expected) << key->name;
  }
  for (int i = 0; i < kFileItemCount; ++i) EXPECT_EQ(read.fileVersions[i], files[i].localVersion);
  for (int i = 0; i < kDirItemCount; ++i) EXPECT_EQ(read.dirVersions[i], dirs[i].localVersion);
  EXPECT_EQ(read.log.front(), "urls=url0=http://127.0.0.1/urls_0/a.bin;;url1=ftp://h/b,,u,,***");
  EXPECT_EQ(read.log.back(), "ver=3.8");
  EXPECT_EQ(read.log[read.log.size() - 2], "[dir8]");
}

// The client logs every key it reads in the table's reading order, and
// each key the tool writes is written once.
TEST(UpdateConfig, ReadLogFollowsTheReadingOrderAndWritingNamesEachKeyOnce) {
  const ServerReadResult read = ReadServerConfig(
      "[dir3]\r\nver=2\r\nurls=url0=http://h/d/\r\n[UI]\r\nstart_win=0\r\n[system]\r\nclose_items= file1 , ,dir3\r\n",
      kFolders);
  std::vector<std::string> expected = {Gbk("【dir3】"), "urls=url0=http://h/d/", "ver=2",
                                       Gbk("＞＞＞＞＞与客户端比较后发现新版本！")};
  for (const ConfigKey* key : ReadKeys(KeySection::Dir)) {
    if (key->type == KeyType::Optional) continue;  // logged only when given
    expected.push_back(std::string(key->name) + "=" +
                       (std::string_view(key->name) == "modify_ver" ? "1" : key->type == KeyType::Int ? "0" : ""));
  }
  auto first = std::find(read.log.begin(), read.log.end(), expected.front());
  ASSERT_NE(first, read.log.end());
  EXPECT_EQ(std::vector<std::string>(first, first + expected.size()), expected);
  EXPECT_EQ(read.log[read.log.size() - 5], "start_win=0");  // read a second time, last of [UI]
  EXPECT_EQ(read.config.system.closeItems, (std::vector<std::string>{"file1", "dir3"}));
  EXPECT_EQ(read.log.back(), Gbk("显示类型：常规"));

  for (KeySection section : {KeySection::System, KeySection::Ui, KeySection::File, KeySection::Dir}) {
    std::vector<std::string> names;
    for (const ConfigKey* key : WrittenKeys(section)) names.push_back(key->name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  }
}

// A signed dir item's file list: well-formed entries are kept in order,
// the others reported (the client then finds the list incomplete).
TEST(UpdateConfig, DirFileListEntriesParseOrAreReported) {
  const std::string digest(64, 'a');
  const ServerReadResult read = ReadServerConfig("[dir0]\r\nver=2\r\nurls=url0=http://h/d\r\nfiles=4\r\n"
                                                 "file0=12," + digest + ",bin/a,b.dll\r\n"
                                                 "file1=x," + digest + ",c\r\nfile2=5,abc,d\r\nfile3=0," +
                                                     digest + ",\r\n",
                                                 kFolders);
  const DirItem& item = read.config.dirs[0];
  ASSERT_EQ(item.manifest.size(), 1u);
  EXPECT_EQ(item.manifest[0].name, "bin/a,b.dll");
  EXPECT_EQ(item.manifest[0].size, 12);
  EXPECT_EQ(ManifestLine(item.manifest[0]), "12," + digest + ",bin/a,b.dll");
  EXPECT_EQ(item.files, "4");
  EXPECT_EQ(read.problems.size(), 3u);
}

// The expiry time of a signed configuration: written and read back in UTC,
// anything not of the one form refused.
TEST(UpdateConfig, UtcTimesRoundTripAndMalformedOnesAreRefused) {
  for (int64_t t : {int64_t{0}, int64_t{951782400}, int64_t{1709210096}, int64_t{4102444799}}) {
    EXPECT_EQ(ParseUtcTime(FormatUtcTime(t)), t) << FormatUtcTime(t);
  }
  EXPECT_EQ(FormatUtcTime(951782400), "2000-02-29T00:00:00Z");
  for (const char* bad : {"2024-02-30T00:00:00Z", "2024-13-01T00:00:00Z", "2024-01-01 00:00:00Z",
                          "2024-01-01T00:00:00", "2024-01-01T24:00:00Z", "", "+024-01-01T00:00:00Z"}) {
    EXPECT_FALSE(ParseUtcTime(bad).has_value()) << bad;
  }
}

TEST(UpdateConfig, ItemsNotNewerOrIncompleteAreSkippedAndBadDigestsReported) {
  ServerConfig start;
  start.files[0].localVersion = "1.5";
  start.files[0].describe = "kept";
  const ServerReadResult read = ReadServerConfig(
      "[file0]\r\nver=1.5\r\nurls=url0=http://h/a\r\ndescribe=new\r\n"
      "[file1]\r\nver=0.0.0\r\nurls=url0=http://h/b\r\n"
      "[file2]\r\nver=2\r\nurls=url0=http://h/c.exe\r\nmd5=abc\r\nsha256=xyz\r\nshow_type=1\r\nop_mode=1\r\n",
      kFolders, start);
  EXPECT_EQ(read.config.files[0].describe, "kept");
  EXPECT_TRUE(read.config.files[1].locations.empty());
  EXPECT_EQ(read.config.files[2].md5, "abc");  // kept: the download refuses it
  EXPECT_EQ(read.config.files[2].sha256, "xyz");
  EXPECT_EQ(read.config.files[2].fileName, "c.exe");
  EXPECT_EQ(read.problems.size(), 2u);
  EXPECT_EQ(read.policy.newItemCount, 1);
  EXPECT_EQ(read.policy.showType, 1);
  EXPECT_EQ(read.policy.opMode, 1);
}

}  // namespace
}  // namespace formats

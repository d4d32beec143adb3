// The item editors: URL forms, the item-save rule, slot switching and the
// operation mode, through the real pages and real project files.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "author/pages/item_slots_page.h"
#include "author/project/project_file.h"
#include "author/project/recent_projects.h"
#include "author/project/tool_folders.h"
#include "author/project/project_checks.h"
#include "author/project/url_entry.h"
#include "author/pages/url_list_editor.h"
#include "common/gbk.h"
#include "common/md5_digest.h"
#include "tests/author/author_test_support.h"

namespace authortest {
namespace {

using author::ItemKind;
using author::UrlListEditor;

std::string G(const char* utf8) { return common::Utf8ToGbk(utf8); }

struct AppFirst {
  AppFirst() { EnsureApplication(); }
};

struct EditorFixture : AppFirst {
  void Type(const char* scheme, const char* address, const char* user, const char* password) {
    auto* combo = editor.findChild<QComboBox*>("urlScheme");
    combo->setCurrentIndex(combo->findText(scheme));
    editor.findChild<QLineEdit*>("urlAddress")->setText(QString::fromUtf8(address));
    editor.findChild<QLineEdit*>("urlUser")->setText(QString::fromUtf8(user));
    editor.findChild<QLineEdit*>("urlPassword")->setText(QString::fromUtf8(password));
  }
  ScriptedDialogs dialogs;
  UrlListEditor editor{"", {"http://", "ftp://", "file://"}, UrlListEditor::BrowseFor::File, dialogs};
};

TEST(UrlEditor, DisplayAndStoredFormsByScheme) {
  EditorFixture f;
  f.Type("ftp://", "h/a.exe", "anna", "pw");
  f.editor.Add();
  f.Type("http://", "h/b.exe", "bob", "pw");  // no user for another scheme
  f.editor.Add();
  f.Type("ftp://", "h/c.exe", "", "pw");  // a password without a user
  f.editor.Add();
  EXPECT_EQ(f.editor.Lines(), (std::vector<std::string>{G("ftp://h/a.exe  用户名：anna  口令：pw"), "http://h/b.exe",
                                                         G("ftp://h/c.exe  用户名：  口令：pw")}));
  EXPECT_EQ(f.editor.State().urls, "url0=ftp://h/a.exe,,anna,,pw;;url1=http://h/b.exe;;url2=ftp://h/c.exe");
  // Stored back and loaded again: the user shows only where one was stored.
  EXPECT_EQ(author::DisplayLinesFromUrls(f.editor.State().urls),
            (std::vector<std::string>{G("ftp://h/a.exe  用户名：anna  口令：pw"), "http://h/b.exe", "ftp://h/c.exe"}));
  // Selecting a line fills the fields.
  f.editor.findChild<QListWidget*>("urlList")->setCurrentRow(0);
  EXPECT_EQ(f.editor.State().address, "h/a.exe");
  EXPECT_EQ(f.editor.State().user, "anna");
  EXPECT_FALSE(f.editor.findChild<QPushButton*>("urlBrowse")->isEnabled());
  EXPECT_TRUE(f.editor.findChild<QLineEdit*>("urlUser")->isEnabled());
}

TEST(UrlEditor, APastedSchemeIsTakenFromTheTextAndOneNotOfferedIsMarked) {
  EditorFixture f;
  auto* address = f.editor.findChild<QLineEdit*>("urlAddress");
  f.Type("http://", "FTP://h/x.exe", "", "");
  EXPECT_EQ(f.editor.findChild<QComboBox*>("urlScheme")->currentText(), "ftp://");
  EXPECT_EQ(address->text(), "h/x.exe");
  f.Type("http://", "http://host/x", "", "");
  f.editor.Add();
  EXPECT_EQ(f.editor.State().urls, "url0=http://host/x");
  address->setText("https://host/x");
  EXPECT_EQ(address->property("problem").toString(), QString::fromUtf8("此处不支持该协议：https://"));
  address->setText("host/x");
  EXPECT_TRUE(address->property("problem").toString().isEmpty());
}

TEST(UrlEditor, CapacityDuplicatesModifyAndDelete) {
  EditorFixture f;
  for (int i = 0; i < 10; ++i) {
    f.Type("http://", ("h/" + std::to_string(i)).c_str(), "", "");
    f.editor.Add();
  }
  f.Type("http://", "h/10", "", "");
  f.editor.Add();
  EXPECT_EQ(f.dialogs.messages, std::vector<std::string>{"已到url容量限度！"});
  EXPECT_EQ(f.editor.Lines().size(), 10u);

  EditorFixture g;
  g.Type("ftp://", "h/a", "u", "one");
  g.editor.Add();
  g.Type("ftp://", "h/a", "u", "two");  // same address, another password
  g.editor.Add();
  g.editor.Add();
  EXPECT_EQ(g.dialogs.messages, std::vector<std::string>{"该url在列表中已经存在！"});
  EXPECT_EQ(g.editor.Lines().size(), 2u);
  g.Type("file://", "/srv/a", "", "");
  g.editor.Modify();  // the selected (last added) line
  EXPECT_EQ(g.editor.Lines().back(), "file:///srv/a");
  g.editor.Delete();
  EXPECT_EQ(g.editor.Lines().size(), 1u);
  EXPECT_EQ(g.editor.State().password, "one");  // the new last line was loaded
}

TEST(UrlEditor, ListEndsAtTheFirstMissingEntryAndSkipsUnusableOnes) {
  EXPECT_EQ(author::DisplayLinesFromUrls("url0=http://a/x;;url2=http://c/z"),
            std::vector<std::string>{"http://a/x"});
  EXPECT_EQ(author::DisplayLinesFromUrls("url0=noscheme;;url1=http://;;url2=ftp://b/y,,u"),
            std::vector<std::string>{G("ftp://b/y  用户名：u")});
}

TEST(UrlEditor, BrowseTurnsBackslashesAndFillsRenameOnce) {
  ToolFixture tool;
  auto window = tool.Start();
  tool.NewProject(*window, "demo", tool.Folder());
  auto* page = static_cast<author::ItemSlotsPage*>(window->Page(author::kFilePage));
  auto* scheme = page->findChild<QComboBox*>("urlScheme");
  scheme->setCurrentIndex(2);
  tool.dialogs.paths = {"/srv/pkg\\new.exe", "/srv/other.exe"};
  page->Urls()->BrowseAddress();
  EXPECT_EQ(page->findChild<QLineEdit*>("urlAddress")->text(), "/srv/pkg/new.exe");
  EXPECT_EQ(page->findChild<QLineEdit*>("rename")->text(), "new.exe");
  page->Urls()->BrowseAddress();
  EXPECT_EQ(page->findChild<QLineEdit*>("rename")->text(), "new.exe");
}

TEST(ItemSlots, SaveRuleDropsDefaultsAndKeepsTheOthers) {
  testsupport::TempDir dir;
  const std::string path = dir.write("p.epj", "[file0]\r\nmd5=old\r\nrename=old\r\n");
  author::ProjectFile file(path);
  author::ItemSlot slot;
  slot.serverVersion = "1.1";
  slot.opMode = 1;
  file.BeginWrite();
  author::WriteItemSlot(file, ItemKind::File, 0, slot);
  author::WriteItemSlot(file, ItemKind::Dir, 9, author::ItemSlot{});
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(testsupport::TempDir::read(path),
            // An empty text removes its key: empty urls, url, path and describe are absent too.
            "[file0]\r\nusername=anonymous\r\npw=anonymous\r\nprotocol=0\r\n"
            "file_ver=1.1\r\nop_mode=1\r\n"
            "[dir9]\r\nusername=anonymous\r\npw=anonymous\r\nprotocol=0\r\n");
  ASSERT_TRUE(file.Read());
  author::ItemSlot back = author::ReadItemSlot(file, ItemKind::File, 0);
  EXPECT_EQ(back.localVersion, "0.0.0");
  EXPECT_EQ(back.modifyVer, 1);
  EXPECT_EQ(back.md5, "");
}

TEST(ItemSlots, WrongValuesAreMarkedAsTypedAndPathsKeepTheClientsSeparator) {
  ToolFixture tool;
  const std::string file = tool.Folder() + "/p/demo.epj";
  WriteGbk(file, "[project]\r\nname=demo\r\n");
  auto window = tool.Start(QString::fromStdString(file));
  auto* page = window->Page(author::kFilePage);
  auto problem = [&](const char* name) { return page->findChild<QWidget*>(name)->property("problem").toString(); };
  struct Case {
    const char* field;
    const char* text;
    bool wrong;
  };
  for (const Case& c : {Case{"file_ver", "1.0 beta", true}, Case{"file_ver", "1.0.2", false},
                        Case{"local_ver", "abc", true}, Case{"local_ver", "", false},
                        Case{"md5", "0123456789abcdef0123456789abcde", true},
                        Case{"md5", "0123456789abcdef0123456789abcdef", false}}) {
    QWidget* w = page->findChild<QWidget*>(c.field);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setEditText(c.text);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(c.text);
    EXPECT_EQ(!problem(c.field).isEmpty(), c.wrong) << c.field << " " << c.text;
  }
  page->findChild<QComboBox*>("path")->setEditText("{parent}/bin/x");
  page->SetModified();
  ASSERT_TRUE(window->SaveProject());
  EXPECT_NE(ReadUtf8(file).find("path={parent}\\bin\\x\r\n"), std::string::npos) << ReadUtf8(file);
  EXPECT_EQ(author::StoredItemPath("/opt/app"), "/opt\\app");  // a leading "/" is an absolute path here
}

TEST(ItemSlots, ManualModeForcesDisplayTypeZeroAndMarkedLabelsFollowTheUrls) {
  ToolFixture tool;
  const std::string file = tool.Folder() + "/p/demo.epj";
  WriteGbk(file, "[project]\r\n[file2]\r\nurls=url0=http://h/a.exe\r\nop_mode=1\r\nshow_type=2\r\n");
  auto window = tool.Start(QString::fromStdString(file));
  auto* page = static_cast<author::ItemSlotsPage*>(window->Page(author::kFilePage));
  auto* slotList = page->findChild<QListWidget*>("slotList");
  EXPECT_EQ(slotList->item(2)->text(), "*[file2]");
  EXPECT_EQ(slotList->item(1)->text(), "[file1]");
  EXPECT_EQ(page->CurrentSlot(), 0);

  page->SelectSlot(2);
  auto* opMode = page->findChild<QComboBox*>("op_mode");
  auto* showType = page->findChild<QComboBox*>("show_type");
  EXPECT_EQ(showType->count(), 3);
  EXPECT_EQ(showType->currentIndex(), 2);
  opMode->setCurrentIndex(0);
  EXPECT_EQ(showType->count(), 1);
  EXPECT_EQ(showType->currentText(), QString::fromUtf8("0：常规"));

  // Slot 1 gets a URL; leaving it marks its label and keeps its fields.
  page->SelectSlot(1);
  page->findChild<QLineEdit*>("urlAddress")->setText("h/b.exe");
  page->Urls()->Add();
  page->findChild<QLineEdit*>("md5")->setText("abc");
  page->SelectSlot(0);
  EXPECT_EQ(slotList->item(1)->text(), "*[file1]");
  EXPECT_EQ(page->Slot(1).md5, "abc");
  EXPECT_EQ(page->Slot(2).showType, 0);

  window->SaveProject();
  author::ProjectFile saved(common::GbkReplaceChar(file, '/', '\\'));
  ASSERT_TRUE(saved.Read());
  EXPECT_EQ(saved.GetString("file2", "show_type", "?"), "?");  // 0 is the default: not written
  EXPECT_EQ(saved.GetString("file2", "op_mode", "?"), "?");
  EXPECT_EQ(saved.GetString("file1", "urls", ""), "url0=http://h/b.exe");
}

TEST(ItemSlots, Md5ButtonDigestsTheChosenFile) {
  ToolFixture tool;
  auto window = tool.Start();
  tool.NewProject(*window, "demo", tool.Folder());
  auto* page = static_cast<author::ItemSlotsPage*>(window->Page(author::kFilePage));
  page->Save(*std::make_unique<author::ProjectFile>(window->Project().path));  // clears the flag
  const std::string data = tool.dir.write("data.bin", std::string(3 << 20, 'q'));
  tool.dialogs.paths = {data, tool.Folder() + "/missing.bin"};
  page->ComputeMd5();
  common::Md5Digest reference;
  reference.DigestFile(data);
  EXPECT_EQ(page->findChild<QLineEdit*>("md5")->text().toStdString(), reference.GetDigest().value_or("?"));
  EXPECT_TRUE(page->IsModified());
  page->ComputeMd5();
  EXPECT_EQ(tool.dialogs.messages.back(), "计算MD5出错：" + tool.Folder() + "/missing.bin");
}

TEST(ToolFoldersAndRecent, WritableFoldersAndCaseInsensitiveRecentList) {
  auto beside = author::ToolFolders::Decide("/opt/q", true, "/x", "/home/u");
  EXPECT_EQ(beside.DataFolder(), "/opt/q/");
  EXPECT_EQ(beside.StatusFile(), "/opt/q/system/status.cfg");
  EXPECT_EQ(author::ToolFolders::Decide("/opt/q/", false, "/x/data", "/home/u").DataFolder(), "/x/data/quillmate/");
  auto home = author::ToolFolders::Decide("/opt/q", false, "relative", "/home/u");
  EXPECT_EQ(home.DataFolder(), "/home/u/.local/share/quillmate/");
  EXPECT_EQ(home.UpdateProgram(), "/opt/q/updateApp/update");

  author::RecentProjects recent("/nonexistent/status.cfg");
  recent.Add("\\p\\A.epj");
  recent.Add("\\p\\b.epj");
  recent.Add("\\P\\a.EPJ");
  EXPECT_EQ(recent.Paths(), (std::vector<std::string>{"\\P\\a.EPJ", "\\p\\b.epj"}));
}

}  // namespace
}  // namespace authortest

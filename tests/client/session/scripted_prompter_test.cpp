#include "client/session/scripted_prompter.h"

#include <gtest/gtest.h>

#include "common/gbk.h"
#include "tests/support/temp_dir.h"

namespace session {
namespace {

BoxRequest Box(BoxButtons buttons, std::string text = "t") {
  BoxRequest r;
  r.caption = common::Utf8ToGbk("信息提示");
  r.text = std::move(text);
  r.buttons = buttons;
  return r;
}

TEST(ScriptedPrompter, AnswersInOrderThenDismisses) {
  ScriptedPrompter p(" Yes,no ,RETRY,,bogus");
  EXPECT_EQ(p.Show(Box(BoxButtons::YesNo)), BoxAnswer::Yes);
  EXPECT_EQ(p.Show(Box(BoxButtons::YesNo)), BoxAnswer::No);
  EXPECT_EQ(p.Show(Box(BoxButtons::RetryCancel)), BoxAnswer::Retry);
  EXPECT_EQ(p.Show(Box(BoxButtons::YesNo)), BoxAnswer::No);  // "bogus" dismisses
  EXPECT_EQ(p.Show(Box(BoxButtons::RetryCancel)), BoxAnswer::Cancel);
  EXPECT_EQ(p.Show(Box(BoxButtons::Ok)), BoxAnswer::Ok);
  EXPECT_EQ(p.Shown().size(), 6u);
}

TEST(ScriptedPrompter, RecordsEachBoxAsOneUtf8Line) {
  testsupport::TempDir dir;
  ScriptedPrompter p("", dir.file("boxes.txt"));
  p.Show(Box(BoxButtons::Ok, "\n" + common::Utf8ToGbk("错误：客户端配置文件:a.bin解析错误！") + "\n"));
  p.Show(Box(BoxButtons::YesNo, "q"));
  EXPECT_EQ(testsupport::TempDir::read(dir.file("boxes.txt")),
            "信息提示\t\\n错误：客户端配置文件:a.bin解析错误！\\n\tok\n"
            "信息提示\tq\tyesno\n");
}

}  // namespace
}  // namespace session

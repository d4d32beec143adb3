#include "client/session/prompter.h"

#include <gtest/gtest.h>

#include "client/session/scripted_prompter.h"
#include "client/session/session_modes.h"
#include "common/gbk.h"

namespace {

// Boxes appear only for show types 0 and 1; silent and any other number a
// configuration may hold (a negative show_type) keep them away. The cancel
// confirmation is asked whatever the show type.
TEST(BoxRule, OnlyNormalAndSemiSilentShowBoxes) {
  struct Case {
    int showType;
    bool shows;
  };
  for (const Case c : {Case{-1, false}, Case{0, true}, Case{1, true}, Case{2, false}}) {
    EXPECT_EQ(session::ShowsBoxes(c.showType), c.shows) << c.showType;
    session::ScriptedPrompter prompter(c.shows ? "ok,retry,yes" : "yes");
    session::Notice(prompter, c.showType, common::Gbk("出错了"));
    const bool retried = session::AskRetry(prompter, c.showType, "x");
    EXPECT_EQ(retried, c.shows) << c.showType;
    EXPECT_TRUE(session::ConfirmCancel(prompter)) << c.showType;
    ASSERT_EQ(prompter.Shown().size(), c.shows ? 3u : 1u) << c.showType;
    if (!c.shows) continue;
    EXPECT_EQ(session::ScriptedPrompter::RecordLine(prompter.Shown()[0]), "信息提示\t\\n出错了\\n\tok");
    EXPECT_EQ(prompter.Shown()[1].icon, session::BoxIcon::Warning);
    EXPECT_EQ(session::ScriptedPrompter::RecordLine(prompter.Shown()[2]), "信息提示\t你想取消这次升级吗？\tyesno");
  }
}

}  // namespace

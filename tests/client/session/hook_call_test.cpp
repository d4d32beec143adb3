#include "client/session/hook_call.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/gbk.h"

namespace {

using common::Gbk;

// The announcing line comes before the program starts; an empty command
// starts nothing and says so; without a runner a set hook still announces
// itself and gives an empty result.
TEST(HookCall, AnnouncesThenRunsOrSaysNoneIsSet) {
  struct Case {
    const char* name;
    std::string command;
    bool wait;
    bool withRunner;
    std::vector<std::string> lines;  // said and run, in order
    std::optional<std::string> result;
  };
  const std::string label = Gbk("更新前执行程序");
  const Case cases[] = {
      {"none set", "", true, true, {Gbk("更新前执行程序（没指定）。")}, std::nullopt},
      {"set, waited for", "/opt/a b", true, true,
       {Gbk("更新前执行程序：/opt/a b"), "run /opt/a b wait"}, std::string("ran")},
      {"set, not waited for", "x.sh", false, true, {Gbk("更新前执行程序：x.sh"), "run x.sh"}, std::string("ran")},
      {"set, no runner", "x.sh", false, false, {Gbk("更新前执行程序：x.sh")}, std::string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> seen;
    session::ProgramRunner runner;
    if (c.withRunner) {
      runner = [&seen](std::string_view command, bool wait) {
        seen.push_back("run " + std::string(command) + (wait ? " wait" : ""));
        return std::string("ran");
      };
    }
    const auto result = session::RunHookOrSayNone(
        label, c.command, c.wait, [&seen](std::string_view line) { seen.emplace_back(line); }, runner);
    EXPECT_EQ(seen, c.lines);
    EXPECT_EQ(result, c.result);
  }
}

}  // namespace

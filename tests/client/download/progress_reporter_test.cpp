#include "client/download/progress_reporter.h"

#include <gtest/gtest.h>

#include "client/session/host_notifier.h"
#include "common/gbk.h"
#include "recording_sink.h"

using namespace transfer;
using transfer_test::RecordingSink;

TEST(ProgressReporter, SizeTextSwitchesToMegabytesAbove1024Kilobytes) {
  EXPECT_EQ(ProgressReporter::SizeText(0), "0.0KB");
  EXPECT_EQ(ProgressReporter::SizeText(1536), "1.5KB");
  EXPECT_EQ(ProgressReporter::SizeText(1024 * 1024), "1024.0KB");
  EXPECT_EQ(ProgressReporter::SizeText(1024 * 1024 + 1024), "1.0MB");
  EXPECT_EQ(ProgressReporter::SizeText(int64_t{5} << 30), "5120.0MB");
}

TEST(ProgressReporter, PercentIsTruncatedAndSafeForUnknownOrEmptyTotals) {
  EXPECT_EQ(ProgressReporter::Percent(999, 1000), 99);
  EXPECT_EQ(ProgressReporter::Percent(1000, 1000), 100);
  EXPECT_EQ(ProgressReporter::Percent(1200, 1000), 100);
  EXPECT_EQ(ProgressReporter::Percent(4096, 0), 0);  // length unknown
  EXPECT_EQ(ProgressReporter::Percent(0, 0), 100);   // an empty file is complete
}

TEST(ProgressReporter, WindowSeesRowCellsStatusAndTrayTip) {
  RecordingSink sink;
  ProgressReporter r(&sink, nullptr);
  r.SetTray(true, "base");
  r.StartTransfer();
  r.ReportProgress(400, 1000, "2.0KB/s", 1);
  EXPECT_EQ(sink.fileBar.back(), 40);
  EXPECT_EQ(sink.rowProgress[1], 40);
  EXPECT_EQ(sink.rowSpeed[1], "2.0KB/s");
  EXPECT_EQ(sink.statusTexts.back(), "1.0KB(2.0KB/s)");
  // "base\n下载文件(1.0KB)：40% 2.0KB/s"
  EXPECT_EQ(sink.trayTips.back(), common::Gbk("base\n下载文件(1.0KB)：40% 2.0KB/s"));

  // A directory row gets neither its size nor byte progress.
  sink.directoryRows.insert(2);
  r.AppendSize(2, 5000);
  r.SetMinInterval(std::chrono::nanoseconds(0));
  r.ReportProgress(10, 100, "x", 2);
  EXPECT_EQ(sink.rowText[2], "");
  EXPECT_EQ(sink.rowProgress[2], -1);
  EXPECT_EQ(sink.rowSpeed[2], "x");
  r.AppendSize(1, 5000);
  EXPECT_EQ(sink.rowText[1], "(4.9KB)");
}

TEST(ProgressReporter, HostHearsEveryPercentChangeWhileTheWindowIsCoalesced) {
  RecordingSink sink;
  session::HostNotifier host;  // no host window: the messages reach nobody
  ProgressReporter r(&sink, &host);
  r.StartTransfer();
  const int64_t total = 10'000'000;
  for (int64_t done = 10240; done < total; done += 10240) {
    r.Chunk(done, total, 0, SpeedUnit::kKilobytes);
    ASSERT_EQ(host.LastPercent(), ProgressReporter::Percent(done, total));
  }
  r.Chunk(total, total, 0, SpeedUnit::kKilobytes);
  r.Flush();
  EXPECT_EQ(host.LastPercent(), 100);
  // Nearly a thousand chunks in a few milliseconds: only a handful of
  // window updates, and the last one shows the newest state.
  EXPECT_LT(sink.updates, 20);
  EXPECT_EQ(sink.fileBar.back(), 100);
  EXPECT_EQ(sink.rowProgress[0], 100);
  EXPECT_NE(sink.rowSpeed[0].find("/s"), std::string::npos);
}

TEST(ProgressReporter, LocalCopySpeedIsAlwaysMegabytesPerSecond) {
  RecordingSink sink;
  ProgressReporter r(&sink, nullptr);
  r.StartTransfer();
  r.Chunk(1000, 2000, 0, SpeedUnit::kMegabytes);
  r.Flush();
  const std::string& speed = sink.rowSpeed[0];
  ASSERT_GE(speed.size(), 4u);
  EXPECT_EQ(speed.substr(speed.size() - 4), "MB/s");
}

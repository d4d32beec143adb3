// A dir item's listing of a tree that is wide and deep: the item's caps on
// folders and entries end it, over FTP and over a local folder, while a
// tree within them is listed whole.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "client/download/folder_listing.h"
#include "client/download/transfer_engine.h"
#include "client/stage/transfer_context.h"
#include "common/gbk.h"
#include "recording_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace {

using testsupport::TempDir;
using transfer_test::LogRecorder;

// A binary tree of folders `depth` levels deep with one file in each.
void MakeTree(TempDir& dir, const std::string& folder, int depth) {
  dir.write(folder + "/f.txt", "x");
  if (depth == 0) return;
  MakeTree(dir, folder + "/a", depth - 1);
  MakeTree(dir, folder + "/b", depth - 1);
}


TEST(FolderListing, CapsOnFoldersAndEntriesEndAWideDeepTree) {
  TempDir dir("listing-");
  MakeTree(dir, "tree", 5);  // 63 folders, 63 files
  testsupport::FtpTestServer server;
  ASSERT_TRUE(server.Start(dir.path().string()));
  transfer::TransferContext context;
  transfer::TransferEngine engine(context, nullptr, nullptr, {});
  ASSERT_EQ(engine.FtpConnect("127.0.0.1", "tester", "secret", server.port()), 1);

  struct Case {
    int maxFolders;
    int64_t maxEntries;
    bool ok;
    const char* logged;  // the start of the line that ends the listing
  } cases[] = {
      {1000, 100000, true, nullptr},
      {10, 100000, false, "文件夹数量超过上限(10)，停止检索："},
      {1000, 50, false, "文件数量超过上限(50)，停止检索："},
  };
  const std::string localRoot = common::Utf8ToGbk(dir.file("tree"));
  for (const Case& c : cases) {
    for (bool local : {false, true}) {
      SCOPED_TRACE(std::to_string(c.maxFolders) + "/" + std::to_string(c.maxEntries) + (local ? " local" : " ftp"));
      LogRecorder log;
      transfer::ListingRequest request{local ? localRoot : "/tree", "", true};
      request.maxFolders = c.maxFolders;
      request.maxEntries = c.maxEntries;
      std::vector<session::DownloadRecord> list;
      const bool ok = local ? transfer::ListLocalFolder(request, list, std::ref(log))
                            : transfer::ListFtpFolder(engine, request, list, std::ref(log));
      EXPECT_EQ(ok, c.ok);
      if (c.ok) {
        EXPECT_EQ(list.size(), 63u);
        continue;
      }
      EXPECT_LT(list.size(), 63u);
      bool said = false;
      for (const std::string& line : log.Lines()) said = said || line.rfind(common::Gbk(c.logged), 0) == 0;
      EXPECT_TRUE(said);
    }
  }
}

}  // namespace

// What the availability check costs: an item and a configuration are
// fetched the way a run fetches them (check, then download or read) from
// the HTTP test server on 127.0.0.1, once through a server that answers
// HEAD and once through one that refuses it; the server counts the bytes of
// the files it writes. Ends with the bytes sent per byte downloaded (1.00
// means every byte crossed the wire once).
//   build/bin/check_bench [rounds]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "client/download/config_fetch.h"
#include "client/download/memory_fetcher.h"
#include "client/download/transfer_engine.h"
#include "client/stage/transfer_context.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"

namespace {

constexpr size_t kItemBytes = 712120;
constexpr size_t kConfigBytes = 40000;

uint64_t Sent(const testsupport::HttpTestServer& server) {
  transfer::MemoryFetcher fetcher;
  std::string text;
  return fetcher.FetchToMemory(server.BaseUrl() + "/sent", text) ? std::stoull(text) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("UPGRADE_TEST_SUPPORT", UPGRADE_SOURCE_DIR "/tests/support", 0);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  testsupport::TempDir dir("check-bench-");
  dir.write("srv/item.bin", std::string(kItemBytes, 'i'));
  std::string config = "[system]\r\n";
  while (config.size() < kConfigBytes) config += "run_after=x\r\n";
  dir.write("srv/s.ini", config);
  testsupport::HttpTestServer server;
  if (!server.Start(dir.file("srv"))) {
    std::fprintf(stderr, "the test server did not start\n");
    return 1;
  }
  uint64_t downloaded = 0;
  const uint64_t before = Sent(server);
  for (int round = 0; round < rounds; ++round) {
    for (const char* route : {"/files/", "/nohead/"}) {
      transfer::TransferContext context;
      transfer::TransferEngine engine(context, nullptr, nullptr, {});
      const std::string item = server.BaseUrl() + route + "item.bin";
      std::string message;
      std::filesystem::remove(dir.file("item.bin"));
      if (!engine.HttpCheck(item, message) || !engine.HttpDownload(item, dir.file("item.bin"), 0)) {
        std::fprintf(stderr, "item download failed: %s\n", item.c_str());
        return 1;
      }
      downloaded += std::filesystem::file_size(dir.file("item.bin"));
      const std::string text = transfer::FetchConfigText(server.BaseUrl() + route + "s.ini", "", "", {}, {});
      if (text.size() != config.size()) {
        std::fprintf(stderr, "configuration read failed\n");
        return 1;
      }
      downloaded += text.size();
    }
  }
  const uint64_t sent = Sent(server) - before;
  std::printf("downloaded %llu bytes in %d rounds, the server sent %llu\n",
              static_cast<unsigned long long>(downloaded), rounds, static_cast<unsigned long long>(sent));
  std::printf("server bytes per downloaded byte: %.4f\n", static_cast<double>(sent) / static_cast<double>(downloaded));
  return 0;
}

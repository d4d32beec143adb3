#pragma once
// TransferEngine::Transfer: the state of one request that libcurl's
// callbacks work on and leave their outcome in. Shared by the engine's own
// files (one per protocol) and by nothing else.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "client/stage/transfer_context.h"
#include "client/download/transfer_engine.h"

namespace transfer {

struct TransferEngine::Transfer {
  using Clock = std::chrono::steady_clock;
  enum Kind { kCheck, kHttp, kFtp, kControl };
  TransferEngine* engine = nullptr;
  Kind kind = kControl;
  CURL* h = nullptr;
  std::string destination;
  int row = 0;
  int64_t length = 0;
  int64_t done = 0;
  std::shared_ptr<DestinationFile> file;
  // HTTP header state.
  bool sawLocation = false;
  bool headersDone = false;
  long status = 0;
  // Outcomes the callbacks leave behind.
  bool rejected = false;       // no usable length or an error status
  bool skipped = false;        // destination already complete
  bool createFailed = false;
  bool writeFailed = false;
  bool stopped = false;
  bool stalled = false;
  bool oversize = false;       // went past the context's size limit
  bool reconnected = false;    // FTP: control connection replaced
  bool guardFolder = false;    // FTP: the request relies on the current folder
  int localPort = -1;
  Clock::time_point lastData = Clock::now();
  // The current low-speed window: when it began and the bytes done then.
  Clock::time_point windowStart = Clock::now();
  int64_t windowDone = 0;
  std::string* sinkText = nullptr;  // FTP listing text
};

}  // namespace transfer

#pragma once
// TransferContext: what one stage window hands its worker: the stage flags
// both threads share and the FTP connection state the worker keeps for the
// whole download run.

#include <cstdint>

#include "client/stage/ftp_connection_state.h"
#include "client/stage/stage_flags.h"

namespace transfer {

struct TransferContext : StageFlags, FtpConnectionState {
  // Worker thread only: a download that would write more than this many
  // bytes is cut off (a signed item's length); -1 = no limit.
  int64_t sizeLimit = -1;
};

}  // namespace transfer

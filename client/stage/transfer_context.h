#pragma once
// TransferContext: what one stage window hands its worker: the stage flags
// both threads share and the FTP connection state the worker keeps for the
// whole download run.

#include "client/stage/ftp_connection_state.h"
#include "client/stage/stage_flags.h"

namespace transfer {

struct TransferContext : StageFlags, FtpConnectionState {};

}  // namespace transfer

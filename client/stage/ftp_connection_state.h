#pragma once
// FtpConnectionState: where the run's one FTP connection stands, so that a
// later item on the same server reuses the connection and changes folder
// only when it differs. The worker thread alone reads and writes it.

#include <string>

namespace transfer {

struct FtpConnectionState {
  // `connectedServer` is empty while no connection is open;
  // `currentRemoteDir` holds kNoCdMarker after a folder listing moved the
  // server's current folder.
  std::string connectedServer;
  std::string currentServer;
  std::string currentRemoteDir;
};

inline constexpr const char* kNoCdMarker = "NoCD_qirra";

}  // namespace transfer

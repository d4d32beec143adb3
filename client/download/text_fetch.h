#pragma once
// The two text reads of the server configuration that do not go through
// HTTP: an FTP file in ASCII mode and a local (or network) file. Both stop
// and fail above 16 MiB.

#include <functional>
#include <string>

namespace transfer {

// Time-outs of the FTP text read; tests shorten them.
struct FtpTextOptions {
  long timeoutMs = 30000;  // connect and control-channel time-out per attempt
  int attempts = 5;
  long deadlineMs = 60000;  // the whole read, all attempts together; 0 = none
};

/// The text of an FTP file read in ASCII mode (CR LF arrives as LF); "" when
/// the server cannot be reached, the folder or file cannot be opened, the
/// transfer breaks off or the text passes 16 MiB. Every step is logged.
std::string FtpFetchText(const std::string& url, const std::string& user, const std::string& password,
                         const std::function<void(const std::string&)>& log, FtpTextOptions options = {});

/// The file line by line, each line followed by "\n" (a CR before the line
/// end is dropped, as a text-mode read does); "" when it cannot be opened or
/// passes 16 MiB, and at once when it is no regular file (a FIFO, a folder).
std::string ReadLocalText(const std::string& gbkPath);

}  // namespace transfer

// The server configuration reader over any fetched text (log closed).
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/session/client_log.h"
#include "client/session/server_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static const formats::FolderValues folders = {"", "/home/u", "/etc", "/usr/lib", "/tmp",
                                                "/opt", "/f", "/d", "/k"};
  session::ClientLog log;
  session::FileItems files;
  session::DirItems dirs;
  session::SystemSettings system;
  session::UiSettings ui;
  session::ReadServerConfiguration(text, folders, log, session::ServerConfigTarget{files, dirs, system, ui});
  session::SplitList(text);
  return 0;
}

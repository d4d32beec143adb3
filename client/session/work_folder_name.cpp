#include "client/session/work_folder_name.h"

#include "client/session/module_names.h"
#include "client/session/self_update.h"
#include "common/sha256_digest.h"

namespace session {

std::string WorkFolderNameOf(std::string_view modulePath) {
  const std::string program = ProgramOfTemporary(modulePath);
  std::string base = ExeBaseName(ExeFileNameOf(program));
  if (base.empty() || base == "." || base == "..") base = "app";
  return base + "-" + common::Sha256Hex(program).substr(0, 16);
}

}  // namespace session

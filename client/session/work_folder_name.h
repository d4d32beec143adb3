#pragma once
// The application's own folder inside the work folder, named from its
// program path. Apart from the other module names because it hashes with
// libcrypto, which the cross-built core leaves out.

#include <string>
#include <string_view>

namespace session {

/// The name of the application's own folder inside the work folder:
/// ExeBaseName + "-" + the first 16 hexadecimal digits of the SHA-256 of
/// the module path less a trailing ".new", so that the self-update copy
/// shares it and two programs of one name in two folders do not.
std::string WorkFolderNameOf(std::string_view modulePath);

}  // namespace session

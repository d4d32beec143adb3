#pragma once
// The fixed item slots of a session: 20 file items ([file0]-[file19]) and
// 10 dir items ([dir0]-[dir9]). Item numbers are slots, not a list: a slot
// whose versions are "0.0.0" is simply unused. The client configuration
// fills the local versions; the server configuration fills the rest.

#include "formats/update_config.h"

namespace session {

using formats::kDirItemCount;
using formats::kFileItemCount;
using formats::kNoVersion;

using FileItem = formats::FileItem;
using DirItem = formats::DirItem;
using FileItems = formats::FileItems;
using DirItems = formats::DirItems;

}  // namespace session

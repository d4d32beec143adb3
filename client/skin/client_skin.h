#pragma once
// ClientSkin: the skin of one run (the parsed "ui.dat") and the archive its
// pictures are read from. Reading it needs no windows, so a run that shows
// none never loads the window toolkit.

#include <string>

#include "formats/skin_description.h"

namespace session {
class ClientApp;
}

namespace ui {

struct ClientSkin {
  formats::SkinDescription description;
  // Where "ui.dat" was read from: the configuration archive, or "ui.bin"
  // beside the program, and that archive's password.
  std::string archive;
  std::string password;
};

/// The start-up step that reads the skin of app's run: false after the
/// skin reader's box when the archive or "ui.dat" cannot be read.
bool LoadClientSkin(session::ClientApp& app, ClientSkin& skin);

}  // namespace ui

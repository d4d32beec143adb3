#pragma once
// Writing the update configuration the way the authoring tool's packages
// have always been laid out: keys in the table's writing order, a file or
// dir item only when it has locations, its installed version into the
// client configuration only when it is not "0.0.0".

#include <string>

#include "formats/update_config.h"

namespace common {
class IniDocument;
}

namespace formats {

/// The client configuration's [system].
void WriteClientSystem(const ClientSettings& settings, common::IniDocument& client);
/// The server configuration's [system] and [UI].
void WriteSystemAndUi(const SystemSettings& system, const UiSettings& ui, common::IniDocument& server);
/// Every file item (client: installed versions; server: the items with locations).
void WriteFileItems(const FileItems& files, common::IniDocument& client, common::IniDocument& server);
void WriteDirItems(const DirItems& dirs, common::IniDocument& client, common::IniDocument& server);

/// The whole server configuration as a document text (GBK, CR LF).
std::string WriteServerConfig(const ServerConfig& config);

}  // namespace formats

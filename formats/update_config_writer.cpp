#include "formats/update_config_writer.h"

#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/config_keys.h"

namespace formats {

namespace {

// An empty value writes nothing (the document drops the key), so an unset
// text never reaches the file.
void WriteSection(KeySection section, const std::string& name, const auto& source, common::IniDocument& doc) {
  for (const ConfigKey* key : WrittenKeys(section)) {
    const std::string value = StoredValue(*key, source);
    if (!key->writeDefault && value == common::Gbk(key->def)) continue;
    doc.PutValue(name, key->name, value);
  }
}

template <typename Item, size_t N>
void WriteItems(const std::array<Item, N>& items, const char* prefix, KeySection clientSection,
                KeySection serverSection, common::IniDocument& client, common::IniDocument& server) {
  for (size_t i = 0; i < N; ++i) {
    const std::string section = prefix + std::to_string(i);
    WriteSection(clientSection, section, items[i], client);
    if (!items[i].urls.empty()) WriteSection(serverSection, section, items[i], server);
  }
}

}  // namespace

void WriteClientSystem(const ClientSettings& settings, common::IniDocument& client) {
  WriteSection(KeySection::ClientSystem, "system", settings, client);
}

void WriteSystemAndUi(const SystemSettings& system, const UiSettings& ui, common::IniDocument& server) {
  WriteSection(KeySection::System, "system", system, server);
  WriteSection(KeySection::Ui, "UI", ui, server);
}

void WriteFileItems(const FileItems& files, common::IniDocument& client, common::IniDocument& server) {
  WriteItems(files, "file", KeySection::ClientFile, KeySection::File, client, server);
}

void WriteDirItems(const DirItems& dirs, common::IniDocument& client, common::IniDocument& server) {
  WriteItems(dirs, "dir", KeySection::ClientDir, KeySection::Dir, client, server);
}

std::string WriteServerConfig(const ServerConfig& config) {
  // Both in memory ("\n" is a text of no lines); the client side is dropped.
  common::IniDocument server;
  common::IniDocument client;
  server.SetText("\n");
  client.SetText("\n");
  WriteSystemAndUi(config.system, config.ui, server);
  WriteFileItems(config.files, client, server);
  WriteDirItems(config.dirs, client, server);
  return server.GetText();
}

}  // namespace formats

// The shared configuration reader over any fetched text, then the writer
// over what it read: neither may crash, and [system] and [UI] as written
// must read back as they were read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/config_keys.h"
#include "formats/update_config_reader.h"
#include "formats/update_config_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static const formats::FolderValues folders = {"", "/home/u", "/etc", "/usr/lib", "/tmp",
                                                "/opt", "/f", "/d", "/k"};
  const formats::ServerReadResult first = formats::ReadServerConfig(text, folders);
  const formats::ServerReadResult second = formats::ReadServerConfig(formats::WriteServerConfig(first.config), folders);
  for (const formats::ConfigKey* key : formats::WrittenKeys(formats::KeySection::System)) {
    if (StoredValue(*key, first.config.system) != StoredValue(*key, second.config.system)) {
      std::fprintf(stderr, "[system] %s: [%s] written, [%s] read back\n", key->name,
                   StoredValue(*key, first.config.system).c_str(), StoredValue(*key, second.config.system).c_str());
      std::abort();
    }
  }
  for (const formats::ConfigKey* key : formats::WrittenKeys(formats::KeySection::Ui)) {
    // An empty text cannot be written (the document drops a key without a
    // value), so the client reads the key's default instead: the tool never
    // writes one.
    if (StoredValue(*key, first.config.ui).empty()) continue;
    if (StoredValue(*key, first.config.ui) != StoredValue(*key, second.config.ui)) {
      std::fprintf(stderr, "[UI] %s: [%s] written, [%s] read back\n", key->name,
                   StoredValue(*key, first.config.ui).c_str(), StoredValue(*key, second.config.ui).c_str());
      std::abort();
    }
  }
  return 0;
}

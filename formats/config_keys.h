#pragma once
// The one table of the update configuration's keys: for every key its
// section, name, value type, default, the member it fills, the position in
// which the client reads (and logs) it and the position in which the
// authoring tool writes it. The client's reader, the tool's generator and
// item pages all walk this table, so a key added here is read, logged,
// written and edited everywhere.

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "formats/update_config.h"

namespace formats {

enum class KeySection {
  ClientSystem,  // client configuration [system]
  ClientFile,    // client configuration [fileN]
  ClientDir,     // client configuration [dirN]
  System,        // server configuration [system]
  Ui,            // server configuration [UI]
  File,          // server configuration [fileN]
  Dir,           // server configuration [dirN]
};

enum class KeyType {
  Text,      // macros expanded, trimmed, logged as key=value
  Int,       // decimal, logged as key=number
  List,      // a Text cut at every "," (pieces trimmed, empty ones dropped)
  ItemPath,  // a Text given a trailing separator when not empty
  Md5,       // a Text; one that is not 32 characters is reported (the client refuses it)
  Optional,  // trimmed, as stored, logged only when given
  Head,      // as stored, read before the item is judged, logged with its header
};

/// The member a key fills, in whichever struct its section reads into.
using KeyField =
    std::variant<std::string ItemKeys::*, int ItemKeys::*, std::string FileKeys::*, int FileKeys::*,
                 std::string DirKeys::*, int DirKeys::*, std::string SystemSettings::*, int SystemSettings::*,
                 std::vector<std::string> SystemSettings::*, std::string UiSettings::*, int UiSettings::*,
                 std::string ClientSettings::*, int ClientSettings::*>;

inline constexpr int kNotRead = -1;
inline constexpr int kNotWritten = -1;

struct ConfigKey {
  KeySection section;
  const char* name;
  KeyType type;
  const char* def;  // UTF-8 text; an integer key's default in decimal
  KeyField field;
  int readOrder;    // position among the client's logged reads of the section, or kNotRead
  int writeOrder;   // position among the tool's writes of the section, or kNotWritten
  bool writeDefault = true;  // false: the tool leaves the key out while it holds its default
};

/// Every row. A key may stand twice in a section when the client reads it
/// twice; only one of the rows is written.
std::span<const ConfigKey> ConfigKeys();

/// The rows of one section the client reads, in its reading order.
const std::vector<const ConfigKey*>& ReadKeys(KeySection section);
/// The rows of one section the tool writes, in its writing order.
const std::vector<const ConfigKey*>& WrittenKeys(KeySection section);

/// The default of a key as stored (GBK text, or the integer in decimal); ""
/// for a key the section does not have.
std::string KeyDefault(KeySection section, std::string_view name);

/// The decimal value of a stored integer as every reader takes it.
int StoredInt(std::string_view stored);

/// Calls fn with the member of obj that key fills, when obj has it.
template <typename Obj, typename Fn>
void WithField(const ConfigKey& key, Obj& obj, Fn&& fn) {
  std::visit(
      [&](auto member) {
        if constexpr (requires { obj.*member; }) fn(obj.*member);
      },
      key.field);
}

/// A key's value in obj as it is stored: integers in decimal, lists joined
/// with ",".
template <typename Obj>
std::string StoredValue(const ConfigKey& key, const Obj& obj) {
  std::string out;
  WithField(key, obj, [&](const auto& value) {
    using V = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<V, int>) {
      out = std::to_string(value);
    } else if constexpr (std::is_same_v<V, std::string>) {
      out = value;
    } else {
      for (const std::string& piece : value) out += (out.empty() ? "" : ",") + piece;
    }
  });
  return out;
}

/// Sets a key's member of obj from a stored value (integers as every
/// reader takes them, lists by SplitList).
template <typename Obj>
void SetStoredValue(const ConfigKey& key, Obj& obj, std::string_view stored) {
  WithField(key, obj, [&](auto& value) {
    using V = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<V, int>) {
      value = StoredInt(stored);
    } else if constexpr (std::is_same_v<V, std::string>) {
      value = std::string(stored);
    } else {
      value = SplitList(stored);
    }
  });
}

}  // namespace formats

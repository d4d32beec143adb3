#pragma once
// The client's start-up step that reads the skin: the archive checks, the
// failure boxes and the log switch around formats::ParseSkinValues, which
// reads the values through the client's logging configuration reader.

#include <optional>
#include <string>
#include <string_view>

#include "formats/skin_description.h"

namespace common {
class IniDocument;
}

namespace ui {

/// What ParseSkin needs from the client run: the configuration archive, the
/// information box, the log master switch and the configuration reader.
class SkinHost {
 public:
  virtual ~SkinHost() = default;
  virtual bool ArchiveExists() = 0;
  /// File name of the configuration archive (GBK), for the failure box.
  virtual std::string ArchiveFileName() = 0;
  /// Bytes of an archive member; nullopt when it cannot be read.
  virtual std::optional<std::string> ReadArchiveMember(std::string_view name) = 0;
  /// The information box ("信息提示"), which the host suppresses when silent.
  virtual void Notice(std::string_view gbkText) = 0;
  virtual int LogMasterSwitch() = 0;
  virtual void SetLogMasterSwitch(int on) = 0;
  /// The configuration reader over the parsed "ui.dat" document.
  virtual std::string ReadValue(common::IniDocument& doc, std::string_view section,
                                std::string_view key, std::string_view def) = 0;
};

/// The full start-up step: false (after the host's failure box) when the
/// archive or a non-empty "ui.dat" is missing; the log is off while parsing.
bool ParseSkin(SkinHost& host, formats::SkinDescription& out);

}  // namespace ui

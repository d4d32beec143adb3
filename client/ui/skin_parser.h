#pragma once
// Reads the skin description "ui.dat" into a SkinDescription. The parse
// itself works on values handed out by a SkinValueReader, so it can run on
// a bare IniDocument in tests and on the client's logging configuration
// reader in a real run; ParseSkin adds the archive checks, the failure
// boxes and the log switch that the client run needs around it.

#include <optional>
#include <string>
#include <string_view>

#include "client/ui/skin_description.h"

namespace common {
class IniDocument;
}

namespace ui {

/// One configuration value by section and key (first occurrence, trimmed).
class SkinValueReader {
 public:
  virtual ~SkinValueReader() = default;
  /// The value, or def when the section or key is absent.
  virtual std::string ReadValue(std::string_view section, std::string_view key,
                                std::string_view def = {}) = 0;
};

/// Reads straight from an IniDocument: first occurrence, trimmed, no macros, no log.
class IniSkinValueReader : public SkinValueReader {
 public:
  explicit IniSkinValueReader(common::IniDocument& doc) : doc_(doc) {}
  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view def = {}) override;

 private:
  common::IniDocument& doc_;
};

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

/// "rect=l,t,w,h" contents -> l, t, l + w, t + h, each of l, t, w, h first
/// clamped to +-kMaxSkinExtent; fewer than three commas: all zero.
SkinRect ParseRect(std::string_view text);

/// Fills every page, the title (default "Tarnwick") and the icon strip value.
/// Missing sections, keys and fields give empty texts, zeros and empty rectangles.
SkinDescription ParseSkinValues(SkinValueReader& reader);

/// The full start-up step: false (after the host's failure box) when the
/// archive or a non-empty "ui.dat" is missing; the log is off while parsing.
bool ParseSkin(SkinHost& host, SkinDescription& out);

}  // namespace ui

#pragma once
// Reads the skin description "ui.dat" into a SkinDescription. The parse
// works on values handed out by a SkinValueReader, so it runs on a bare
// IniDocument (tests, the authoring tool) and on the client's logging
// configuration reader in a real run. Writing a SkinDescription back as
// "ui.dat" belongs beside this reader, in its own skin_writer pair.

#include <string>
#include <string_view>

#include "formats/skin_description.h"

namespace common {
class IniDocument;
}

namespace formats {

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

/// "rect=l,t,w,h" contents -> l, t, l + w, t + h, each of l, t, w, h first
/// clamped to +-kMaxSkinExtent; fewer than three commas: all zero.
SkinRect ParseRect(std::string_view text);

/// Fills every page, the title (default "Tarnwick") and the icon strip value.
/// Missing sections, keys and fields give empty texts, zeros and empty rectangles.
SkinDescription ParseSkinValues(SkinValueReader& reader);

}  // namespace formats

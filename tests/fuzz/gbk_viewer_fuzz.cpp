// The GBK viewer's decoding over any file bytes: the text handed to the
// widget is valid UTF-8 whatever the file holds (a byte that is no GBK
// character must not make the rest vanish or break the widget's string).
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "author/qt_text.h"
#include "common/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = common::GbkToUtf8(bytes);
  const QString shown = author::ToQt(bytes);
  // Valid UTF-8 survives the round trip through UTF-16 unchanged.
  if (shown.toStdString() != utf8) std::abort();
  // ASCII text is shown as it stands.
  bool ascii = true;
  for (unsigned char c : bytes) ascii = ascii && c < 0x80;
  if (ascii && utf8 != bytes) std::abort();
  return 0;
}

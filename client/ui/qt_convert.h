#pragma once
// Conversions at the widget boundary: skin and configuration texts stay GBK
// bytes and COLORREF values until they reach a Qt widget.
//
// Fixed texts in client/ui follow one rule: a text that only ever sits in a
// widget (a label's template text, a button caption, a column header, a
// menu item) is written as a QStringLiteral; every text that also reaches
// the log, a file or a message box is written as a UTF-8 literal through
// common::Gbk() and kept as GBK bytes until ToQString.

#include <QColor>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>

#include "common/gbk.h"
#include "formats/skin_description.h"

namespace ui {

/// GBK bytes -> QString (invalid bytes become U+FFFD).
inline QString ToQString(std::string_view gbk) {
  return QString::fromStdString(common::GbkToUtf8(gbk));
}

/// QString -> GBK bytes ("?" for what GBK cannot hold).
inline std::string ToGbk(const QString& text) { return common::Utf8ToGbk(text.toStdString()); }

/// COLORREF keeps red in the low byte.
inline QColor ToQColor(formats::ColorRef c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

inline formats::ColorRef ToColorRef(const QColor& c) {
  return static_cast<formats::ColorRef>(c.red()) | (static_cast<formats::ColorRef>(c.green()) << 8) |
         (static_cast<formats::ColorRef>(c.blue()) << 16);
}

/// left, top, right, bottom -> QRect of the same place and size.
inline QRect ToQRect(const formats::SkinRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace ui

#pragma once
// The widget boundary of the authoring tool: the tool keeps GBK texts, Qt
// shows UTF-16.

#include <QString>
#include <string>
#include <string_view>

#include "common/gbk.h"

namespace author {

inline QString ToQt(std::string_view gbk) { return QString::fromStdString(common::GbkToUtf8(gbk)); }
inline std::string FromQt(const QString& text) { return common::Utf8ToGbk(text.toStdString()); }
/// A fixed text written as a UTF-8 literal, for a widget.
inline QString Tr(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace author

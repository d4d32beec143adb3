#pragma once
// The pieces GBK <-> UTF-8 conversion shares between its two backends
// (iconv on POSIX, the system's code page 936 on Windows). Internal to
// common; callers use GbkToUtf8 / Utf8ToGbk from gbk.h.

#include <cstddef>
#include <string_view>

namespace common {

inline constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

/// Length of the UTF-8 sequence at text[pos]; a sequence cut short by a
/// non-continuation byte or the end counts up to where it stops, so it
/// turns into one replacement character.
size_t Utf8SequenceLength(std::string_view text, size_t pos);

}  // namespace common

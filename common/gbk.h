#pragma once
// GBK text helpers. Every configuration file, the log and every Chinese text
// the programs write are GBK bytes; code keeps them as std::string and only
// converts at the widget or file-system boundary. Scanning for ASCII
// characters must skip the trail byte of a double-byte character, because a
// trail byte can be "[" (0x5B), "\" (0x5C) or "]" (0x5D).

#include <cstddef>
#include <string>
#include <string_view>

namespace common {

/// True for a GBK lead byte (0x81-0xFE).
bool IsGbkLead(unsigned char byte);

/// Length in bytes of the character that starts at text[pos]: 2 for a lead
/// byte followed by a trail byte (0x40-0xFE, not 0x7F), else 1.
size_t GbkCharLength(std::string_view text, size_t pos);

/// First position >= from of the single-byte character c, skipping
/// double-byte characters; npos when absent.
size_t GbkFind(std::string_view text, char c, size_t from = 0);

/// First position >= from where needle starts on a character boundary;
/// npos when absent. needle is expected to begin with an ASCII byte.
size_t GbkFind(std::string_view text, std::string_view needle, size_t from = 0);

/// Last position of the single-byte character c on a character boundary;
/// npos when absent.
size_t GbkFindLast(std::string_view text, char c);

/// Replaces every single-byte `from` by `to` (trail bytes untouched).
std::string GbkReplaceChar(std::string_view text, char from, char to);

/// ASCII lower case of every single-byte character (double-byte untouched).
std::string GbkToLowerAscii(std::string_view text);

/// Comparisons that read A-Z as a-z and take every other byte as it is, so
/// both bytes of a double-byte character must match exactly, and a match
/// never starts or ends inside one.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

/// White space as the C locale's isspace: space, \t, \n, \v, \f, \r.
bool IsBlank(char c);

/// Removes white space at both ends (a trail byte is never white space).
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);
std::string TrimLeft(std::string_view text);

/// GBK bytes -> UTF-8; an invalid sequence becomes U+FFFD and the rest goes on.
std::string GbkToUtf8(std::string_view gbk);

/// UTF-8 -> GBK bytes; a character GBK cannot hold becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

/// A fixed text of the system, written in the source as the UTF-8 literal it
/// reads as ("下载完成！"), in the GBK bytes that files, the log and the
/// windows' GBK boundary take. The one spelling for every fixed text.
inline std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

/// A GBK path as the configuration holds it -> the path the file system
/// takes: UTF-8, every "\" turned into "/". Empty for an empty path.
std::string NativePath(std::string_view gbkPath);

/// The C atoi / atol rule: leading white space, optional sign, decimal
/// digits; the first other character ends the number; no digits gives 0.
/// Values beyond the range are clamped.
int AtoI(std::string_view text);
long AtoL(std::string_view text);

}  // namespace common

#include "formats/name_filter.h"

#include <vector>

#include "common/gbk.h"

namespace formats {

namespace {

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy match with one back-tracking point: the last "*" seen. Linear in
  // practice and never recursive, whatever a configuration puts in.
  size_t p = 0, n = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      while (p < pattern.size() && pattern[p] == '*') ++p;
      starP = p;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool FilterMatch(std::string_view filter, std::string_view name) {
  std::string trimmed = common::Trim(filter);
  if (trimmed.empty()) return true;
  std::string_view rest = trimmed;
  while (true) {
    size_t comma = rest.find(',');
    std::string pattern = common::Trim(rest.substr(0, comma));
    if (!pattern.empty() && WildcardMatch(pattern, name)) return true;
    if (comma == std::string_view::npos) return false;
    rest.remove_prefix(comma + 1);
  }
}

}  // namespace formats

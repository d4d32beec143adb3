#pragma once
// The suffix array of a byte string, the index the binary diff searches the
// old release with. Prefix doubling (Larsson and Sadakane): suffixes are
// bucketed by their first byte, then every round sorts only the groups that
// are still tied by the rank of the suffix h bytes further on and doubles
// h, so each round costs the size of the unsorted groups, not the string.
// Memory: two int32 arrays of size + 1, plus the largest group's keys.

#include <cstdint>
#include <string_view>
#include <vector>

namespace codecs {

/// The largest string whose suffixes can be sorted (the indexes are int32).
constexpr size_t kMaxSuffixArrayInput = size_t{512} << 20;

/// The start positions of all suffixes of bytes in lexicographic order,
/// the empty suffix (position bytes.size()) first: size + 1 entries.
/// Empty when bytes exceed kMaxSuffixArrayInput.
std::vector<int32_t> BuildSuffixArray(std::string_view bytes);

}  // namespace codecs

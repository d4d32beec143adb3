#include "codecs/suffix_array.h"

#include <algorithm>
#include <utility>

namespace codecs {

namespace {

// A run of suffix-array slots [begin, end) whose suffixes are still tied.
struct Group {
  int32_t begin;
  int32_t end;
};

}  // namespace

std::vector<int32_t> BuildSuffixArray(std::string_view bytes) {
  if (bytes.size() > kMaxSuffixArrayInput) return {};
  const auto n = static_cast<int32_t>(bytes.size());
  const int32_t count = n + 1;  // with the empty suffix, the smallest of all
  std::vector<int32_t> sa(static_cast<size_t>(count));
  // rank[i]: the last slot of the group suffix i is in. Ranks only ever
  // move down inside their group, so a suffix compared by a rank that
  // another group's split has already refined still sorts correctly.
  std::vector<int32_t> rank(static_cast<size_t>(count));

  // First round: a counting sort by the first byte.
  std::vector<int32_t> start(257, 0);
  for (unsigned char c : bytes) ++start[c + 1];
  for (int c = 1; c <= 256; ++c) start[c] += start[c - 1];
  std::vector<int32_t> next(start.begin(), start.end() - 1);
  sa[0] = n;
  rank[n] = 0;
  for (int32_t i = 0; i < n; ++i) sa[1 + next[static_cast<unsigned char>(bytes[i])]++] = i;
  std::vector<Group> groups;
  for (int c = 0; c < 256; ++c) {
    const int32_t begin = 1 + start[c];
    const int32_t end = 1 + start[c + 1];
    for (int32_t slot = begin; slot < end; ++slot) rank[sa[slot]] = end - 1;
    if (end - begin > 1) groups.push_back({begin, end});
  }

  // Doubling rounds over the groups still tied. Two suffixes tied on their
  // first h bytes are both longer than h (the empty suffix is unique), so
  // suffix + h is always a valid position.
  std::vector<std::pair<int32_t, int32_t>> keyed;  // (rank of suffix + h, suffix)
  std::vector<Group> tied;
  for (int64_t h = 1; !groups.empty(); h *= 2) {
    tied.clear();
    for (const Group& g : groups) {
      keyed.clear();
      for (int32_t slot = g.begin; slot < g.end; ++slot) {
        keyed.emplace_back(rank[static_cast<size_t>(sa[slot] + h)], sa[slot]);
      }
      std::sort(keyed.begin(), keyed.end());
      for (int32_t k = 0; k < g.end - g.begin;) {
        int32_t run = k + 1;
        while (run < g.end - g.begin && keyed[run].first == keyed[k].first) ++run;
        const int32_t last = g.begin + run - 1;
        for (int32_t j = k; j < run; ++j) {
          sa[g.begin + j] = keyed[j].second;
          rank[keyed[j].second] = last;
        }
        if (run - k > 1) tied.push_back({g.begin + k, g.begin + run});
        k = run;
      }
    }
    std::swap(groups, tied);
  }
  return sa;
}

}  // namespace codecs

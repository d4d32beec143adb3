#include "codecs/suffix_diff.h"

#include <algorithm>
#include <cstring>

namespace codecs {

namespace {

// Matches longer than this are not searched again at every position.
constexpr int64_t kLongMatch = 256;

int64_t CommonPrefix(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return static_cast<int64_t>(i);
}

struct Match {
  int64_t pos = 0;  // in the old file
  int64_t length = 0;
};

// The longest prefix of target found anywhere in the old file: a binary
// search over the sorted suffixes, then the better of the two neighbours.
Match LongestMatch(std::string_view old, const std::vector<int32_t>& sa, std::string_view target) {
  size_t lo = 0;
  size_t hi = sa.size() - 1;
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    const std::string_view suffix = old.substr(static_cast<size_t>(sa[mid]));
    const size_t n = std::min(suffix.size(), target.size());
    const int order = std::memcmp(suffix.data(), target.data(), n);
    if (order < 0 || (order == 0 && suffix.size() < target.size())) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  const Match a{sa[lo], CommonPrefix(old.substr(static_cast<size_t>(sa[lo])), target)};
  const Match b{sa[hi], CommonPrefix(old.substr(static_cast<size_t>(sa[hi])), target)};
  return b.length > a.length ? b : a;
}

void PutInt64(std::string& out, int64_t value) {
  auto u = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}

int64_t GetInt64(const char* p) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(p[i]);
  return static_cast<int64_t>(u);
}

}  // namespace

DiffStreams ComputeDiffStreams(std::string_view old, std::string_view now, const std::vector<int32_t>& sa) {
  DiffStreams out;
  const auto oldSize = static_cast<int64_t>(old.size());
  const auto newSize = static_cast<int64_t>(now.size());
  auto same = [&](int64_t oldPos, int64_t newPos) {
    return oldPos >= 0 && oldPos < oldSize && old[static_cast<size_t>(oldPos)] == now[static_cast<size_t>(newPos)];
  };

  int64_t scan = 0;
  int64_t length = 0;
  int64_t pos = 0;
  int64_t lastScan = 0;  // where the stretch not yet written starts in the new file
  int64_t lastPos = 0;   // and the old position it is added to
  int64_t lastOffset = 0;
  while (scan < newSize) {
    // Look for an exact match that beats simply carrying on with the old
    // alignment by more than 8 bytes (or that is that alignment itself).
    int64_t oldScore = 0;
    int64_t scored = scan += length;
    for (; scan < newSize; ++scan) {
      const Match m = LongestMatch(old, sa, now.substr(static_cast<size_t>(scan)));
      pos = m.pos;
      length = m.length;
      for (; scored < scan + length; ++scored) {
        if (same(scored + lastOffset, scored)) ++oldScore;
      }
      if ((length == oldScore && length != 0) || length > oldScore + 8) break;
      if (same(scan + lastOffset, scan)) --oldScore;
      // Inside a long match that the current alignment nearly equals, every
      // next position finds the same match one byte shorter: searching each
      // of them costs the match's length again, which makes long runs (of
      // zeros, say) quadratic. Skipping to its last stretch costs next to
      // nothing in patch size.
      if (length > kLongMatch) {
        for (const int64_t to = scan + length - kLongMatch; scan + 1 < to; ++scan) {
          if (same(scan + 1 + lastOffset, scan + 1)) --oldScore;
        }
      }
    }
    if (length == oldScore && scan != newSize) continue;

    // Extend the previous match forwards and this one backwards as long as
    // at least half the bytes agree; split any overlap where it scores best.
    int64_t forward = 0;
    for (int64_t i = 0, agree = 0, best = 0; lastScan + i < scan && lastPos + i < oldSize;) {
      if (old[static_cast<size_t>(lastPos + i)] == now[static_cast<size_t>(lastScan + i)]) ++agree;
      ++i;
      if (agree * 2 - i > best * 2 - forward) {
        best = agree;
        forward = i;
      }
    }
    int64_t backward = 0;
    if (scan < newSize) {
      for (int64_t i = 1, agree = 0, best = 0; scan >= lastScan + i && pos >= i; ++i) {
        if (old[static_cast<size_t>(pos - i)] == now[static_cast<size_t>(scan - i)]) ++agree;
        if (agree * 2 - i > best * 2 - backward) {
          best = agree;
          backward = i;
        }
      }
    }
    if (lastScan + forward > scan - backward) {
      const int64_t overlap = (lastScan + forward) - (scan - backward);
      int64_t score = 0;
      int64_t bestScore = 0;
      int64_t keep = 0;
      for (int64_t i = 0; i < overlap; ++i) {
        if (same(lastPos + forward - overlap + i, lastScan + forward - overlap + i)) ++score;
        if (same(pos - backward + i, scan - backward + i)) --score;
        if (score > bestScore) {
          bestScore = score;
          keep = i + 1;
        }
      }
      forward += keep - overlap;
      backward -= keep;
    }

    for (int64_t i = 0; i < forward; ++i) {
      out.diff += static_cast<char>(now[static_cast<size_t>(lastScan + i)] - old[static_cast<size_t>(lastPos + i)]);
    }
    const int64_t extraLength = (scan - backward) - (lastScan + forward);
    out.extra.append(now.substr(static_cast<size_t>(lastScan + forward), static_cast<size_t>(extraLength)));
    const int64_t seek = (pos - backward) - (lastPos + forward);
    if (forward == 0 && extraLength == 0 && !out.control.empty()) {
      // A step that writes nothing only moves the old position: fold it
      // into the step before, so every step but the first writes a byte.
      const size_t at = out.control.size() - 8;
      const int64_t before = GetInt64(out.control.data() + at);
      out.control.resize(at);
      PutInt64(out.control, before + seek);
    } else {
      PutInt64(out.control, forward);
      PutInt64(out.control, extraLength);
      PutInt64(out.control, seek);
    }
    lastScan = scan - backward;
    lastPos = pos - backward;
    lastOffset = pos - scan;
  }
  return out;
}

}  // namespace codecs

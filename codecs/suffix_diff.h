#pragma once
// The match scan of a suffix-sorting binary diff: the new file is walked
// from the front, each stretch is matched approximately against the old
// file (through its suffix array), and the result is three plain streams
// that compress well: a control stream of (add, extra, seek) triples, the
// byte-wise differences of every added stretch (mostly zeros where code
// only moved), and the bytes that have no counterpart in the old file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace codecs {

struct DiffStreams {
  // Per step three little-endian int64: bytes to add from the old file,
  // extra bytes to take as they are, then how far the old position moves.
  std::string control;
  std::string diff;   // new - old, byte by byte, for every added byte
  std::string extra;  // new bytes taken as they are
};

/// The streams that turn oldBytes into newBytes; suffixes is
/// BuildSuffixArray(oldBytes). Every old position the control stream
/// reaches lies inside the old file, and every step but the first writes
/// at least one byte.
DiffStreams ComputeDiffStreams(std::string_view oldBytes, std::string_view newBytes,
                               const std::vector<int32_t>& suffixes);

}  // namespace codecs

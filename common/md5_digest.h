#pragma once
// Md5Digest: the MD5 digest (RFC 1321) of a file as 32 lower-case hex
// digits. The client verifies every downloaded file with it, one object per
// file: construct, DigestFile, GetDigest, compare, Close. The file is read
// in large blocks through one buffer per object, so memory stays constant
// whatever the file's size; with a large buffer its two halves take turns,
// one filled by a short-lived helper thread while the other is hashed. A
// digest runs on the thread that owns the windows; an optional keep-alive
// callback lets pending window events run between blocks so a long digest
// does not freeze the interface.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace common {

class Md5Digest {
 public:
  /// Size of the read buffer each object allocates on its first digest.
  static constexpr size_t kDefaultBufferSize = size_t{1} << 20;
  /// Shortest pause between two keep-alive calls.
  static constexpr int kKeepAliveIntervalMs = 20;

  /// bufferSize is rounded up to a multiple of 64 bytes (at least 64).
  explicit Md5Digest(size_t bufferSize = kDefaultBufferSize);
  ~Md5Digest();
  Md5Digest(const Md5Digest&) = delete;
  Md5Digest& operator=(const Md5Digest&) = delete;

  /// Called between blocks of a digest, at most every kKeepAliveIntervalMs.
  /// It must neither destroy this object nor start another digest on it.
  void SetKeepAlive(std::function<void()> keepAlive);

  /// Computes the digest of the file's bytes (a native path). A failure
  /// leaves GetDigest returning nullopt and records the first error text.
  void DigestFile(std::string_view path);

  /// The 32 lower-case hex digits of the last digest; nullopt when it failed
  /// (recording "Have something wrong with MD5!" if nothing was recorded).
  std::optional<std::string> GetDigest();

  /// Closes the file of the last digest if it is still open.
  void Close();

  /// First error recorded in the object's lifetime; empty if none.
  const std::string& ErrorText() const { return errorText_; }

 private:
  void Start();
  void RecordError(std::string_view text);
  void Finish(const unsigned char* tail, size_t tailLength);
  // Hashes n bytes read from the file; with last, the tail too. Returns last.
  bool DigestBlocks(const unsigned char* data, size_t n, bool last);
  // The rest of the file, the first `half` bytes being in the buffer; false
  // (nothing more hashed) when no helper thread could be started.
  bool DigestWithReadAhead(size_t half);
  void MaybeKeepAlive();

  std::FILE* input_ = nullptr;
  std::unique_ptr<unsigned char[]> buffer_;
  size_t bufferSize_;
  uint32_t state_[4] = {};
  bool ok_ = false;
  std::string fileName_;
  uint64_t byteCount_ = 0;
  std::string errorText_;
  std::string digestText_;
  std::function<void()> keepAlive_;
  int64_t lastKeepAliveNs_ = 0;
};

}  // namespace common

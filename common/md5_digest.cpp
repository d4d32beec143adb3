#include "common/md5_digest.h"
#include "common/native_file.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <semaphore>
#include <system_error>
#include <thread>

namespace common {
namespace {

constexpr size_t kBlock = 64;
// Below this half-buffer size a helper thread would cost more than it saves.
constexpr size_t kMinReadAheadHalf = size_t{64} << 10;

inline uint32_t Load32(const unsigned char* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  } else {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
}

inline void Store64(unsigned char* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The four round functions in forms that need the fewest operations; G is
// written as a sum of two disjoint masks so both halves can run in parallel.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

#define MD5_STEP(f, a, b, c, d, k, t, s)        \
  a += f(b, c, d) + X[k] + static_cast<uint32_t>(t); \
  a = std::rotl(a, s) + b;

#define MD5_STEP_G(a, b, c, d, k, t, s)                                    \
  a += X[k] + static_cast<uint32_t>(t) + ((~d) & c);                       \
  a += d & b;                                                               \
  a = std::rotl(a, s) + b;

// The RFC 1321 compression function over `blocks` consecutive 64-byte
// blocks; the chaining values stay in registers across blocks.
void TransformBlocks(uint32_t state[4], const unsigned char* data, size_t blocks) {
  uint32_t A = state[0], B = state[1], C = state[2], D = state[3];
  for (; blocks > 0; --blocks, data += kBlock) {
    uint32_t X[16];
    for (int i = 0; i < 16; ++i) X[i] = Load32(data + 4 * i);
    const uint32_t a0 = A, b0 = B, c0 = C, d0 = D;

    MD5_STEP(MD5_F, A, B, C, D, 0, 0xd76aa478, 7)
    MD5_STEP(MD5_F, D, A, B, C, 1, 0xe8c7b756, 12)
    MD5_STEP(MD5_F, C, D, A, B, 2, 0x242070db, 17)
    MD5_STEP(MD5_F, B, C, D, A, 3, 0xc1bdceee, 22)
    MD5_STEP(MD5_F, A, B, C, D, 4, 0xf57c0faf, 7)
    MD5_STEP(MD5_F, D, A, B, C, 5, 0x4787c62a, 12)
    MD5_STEP(MD5_F, C, D, A, B, 6, 0xa8304613, 17)
    MD5_STEP(MD5_F, B, C, D, A, 7, 0xfd469501, 22)
    MD5_STEP(MD5_F, A, B, C, D, 8, 0x698098d8, 7)
    MD5_STEP(MD5_F, D, A, B, C, 9, 0x8b44f7af, 12)
    MD5_STEP(MD5_F, C, D, A, B, 10, 0xffff5bb1, 17)
    MD5_STEP(MD5_F, B, C, D, A, 11, 0x895cd7be, 22)
    MD5_STEP(MD5_F, A, B, C, D, 12, 0x6b901122, 7)
    MD5_STEP(MD5_F, D, A, B, C, 13, 0xfd987193, 12)
    MD5_STEP(MD5_F, C, D, A, B, 14, 0xa679438e, 17)
    MD5_STEP(MD5_F, B, C, D, A, 15, 0x49b40821, 22)

    MD5_STEP_G(A, B, C, D, 1, 0xf61e2562, 5)
    MD5_STEP_G(D, A, B, C, 6, 0xc040b340, 9)
    MD5_STEP_G(C, D, A, B, 11, 0x265e5a51, 14)
    MD5_STEP_G(B, C, D, A, 0, 0xe9b6c7aa, 20)
    MD5_STEP_G(A, B, C, D, 5, 0xd62f105d, 5)
    MD5_STEP_G(D, A, B, C, 10, 0x02441453, 9)
    MD5_STEP_G(C, D, A, B, 15, 0xd8a1e681, 14)
    MD5_STEP_G(B, C, D, A, 4, 0xe7d3fbc8, 20)
    MD5_STEP_G(A, B, C, D, 9, 0x21e1cde6, 5)
    MD5_STEP_G(D, A, B, C, 14, 0xc33707d6, 9)
    MD5_STEP_G(C, D, A, B, 3, 0xf4d50d87, 14)
    MD5_STEP_G(B, C, D, A, 8, 0x455a14ed, 20)
    MD5_STEP_G(A, B, C, D, 13, 0xa9e3e905, 5)
    MD5_STEP_G(D, A, B, C, 2, 0xfcefa3f8, 9)
    MD5_STEP_G(C, D, A, B, 7, 0x676f02d9, 14)
    MD5_STEP_G(B, C, D, A, 12, 0x8d2a4c8a, 20)

    MD5_STEP(MD5_H, A, B, C, D, 5, 0xfffa3942, 4)
    MD5_STEP(MD5_H, D, A, B, C, 8, 0x8771f681, 11)
    MD5_STEP(MD5_H, C, D, A, B, 11, 0x6d9d6122, 16)
    MD5_STEP(MD5_H, B, C, D, A, 14, 0xfde5380c, 23)
    MD5_STEP(MD5_H, A, B, C, D, 1, 0xa4beea44, 4)
    MD5_STEP(MD5_H, D, A, B, C, 4, 0x4bdecfa9, 11)
    MD5_STEP(MD5_H, C, D, A, B, 7, 0xf6bb4b60, 16)
    MD5_STEP(MD5_H, B, C, D, A, 10, 0xbebfbc70, 23)
    MD5_STEP(MD5_H, A, B, C, D, 13, 0x289b7ec6, 4)
    MD5_STEP(MD5_H, D, A, B, C, 0, 0xeaa127fa, 11)
    MD5_STEP(MD5_H, C, D, A, B, 3, 0xd4ef3085, 16)
    MD5_STEP(MD5_H, B, C, D, A, 6, 0x04881d05, 23)
    MD5_STEP(MD5_H, A, B, C, D, 9, 0xd9d4d039, 4)
    MD5_STEP(MD5_H, D, A, B, C, 12, 0xe6db99e5, 11)
    MD5_STEP(MD5_H, C, D, A, B, 15, 0x1fa27cf8, 16)
    MD5_STEP(MD5_H, B, C, D, A, 2, 0xc4ac5665, 23)

    MD5_STEP(MD5_I, A, B, C, D, 0, 0xf4292244, 6)
    MD5_STEP(MD5_I, D, A, B, C, 7, 0x432aff97, 10)
    MD5_STEP(MD5_I, C, D, A, B, 14, 0xab9423a7, 15)
    MD5_STEP(MD5_I, B, C, D, A, 5, 0xfc93a039, 21)
    MD5_STEP(MD5_I, A, B, C, D, 12, 0x655b59c3, 6)
    MD5_STEP(MD5_I, D, A, B, C, 3, 0x8f0ccc92, 10)
    MD5_STEP(MD5_I, C, D, A, B, 10, 0xffeff47d, 15)
    MD5_STEP(MD5_I, B, C, D, A, 1, 0x85845dd1, 21)
    MD5_STEP(MD5_I, A, B, C, D, 8, 0x6fa87e4f, 6)
    MD5_STEP(MD5_I, D, A, B, C, 15, 0xfe2ce6e0, 10)
    MD5_STEP(MD5_I, C, D, A, B, 6, 0xa3014314, 15)
    MD5_STEP(MD5_I, B, C, D, A, 13, 0x4e0811a1, 21)
    MD5_STEP(MD5_I, A, B, C, D, 4, 0xf7537e82, 6)
    MD5_STEP(MD5_I, D, A, B, C, 11, 0xbd3af235, 10)
    MD5_STEP(MD5_I, C, D, A, B, 2, 0x2ad7d2bb, 15)
    MD5_STEP(MD5_I, B, C, D, A, 9, 0xeb86d391, 21)

    A += a0;
    B += b0;
    C += c0;
    D += d0;
  }
  state[0] = A;
  state[1] = B;
  state[2] = C;
  state[3] = D;
}

#undef MD5_F
#undef MD5_H
#undef MD5_I
#undef MD5_STEP
#undef MD5_STEP_G

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

Md5Digest::Md5Digest(size_t bufferSize)
    : bufferSize_(bufferSize < kBlock ? kBlock
                                      : bufferSize + (kBlock - bufferSize % kBlock) % kBlock) {
  // A size so large that rounding it up wrapped around can never be
  // allocated; keep it huge so the allocation fails as it should.
  if (bufferSize_ < bufferSize) bufferSize_ = bufferSize;
}

Md5Digest::~Md5Digest() { Close(); }

void Md5Digest::SetKeepAlive(std::function<void()> keepAlive) { keepAlive_ = std::move(keepAlive); }

void Md5Digest::Close() {
  if (input_) {
    std::fclose(input_);
    input_ = nullptr;
  }
}

void Md5Digest::RecordError(std::string_view text) {
  if (errorText_.empty()) errorText_ = text;
  ok_ = false;
}

void Md5Digest::Start() {
  // A stream left open by an earlier digest on this object is not reused.
  Close();
  fileName_.clear();
  ok_ = true;
  digestText_.clear();
  if (!buffer_) {
    buffer_.reset(new (std::nothrow) unsigned char[bufferSize_]);
    if (!buffer_) RecordError("The Memory is not enough !");
  }
  byteCount_ = 0;
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
}

void Md5Digest::MaybeKeepAlive() {
  if (!keepAlive_) return;
  if (NowNs() - lastKeepAliveNs_ < int64_t{kKeepAliveIntervalMs} * 1000000) return;
  keepAlive_();
  // Measured after the call, so the digest always gets a full interval of
  // its own however long the pending events took.
  lastKeepAliveNs_ = NowNs();
}

void Md5Digest::Finish(const unsigned char* tail, size_t tailLength) {
  unsigned char pad[2 * kBlock] = {};
  std::memcpy(pad, tail, tailLength);
  pad[tailLength] = 0x80;
  // Fewer than 8 bytes left after the 0x80 for the bit count: one more block.
  const size_t blocks = tailLength + 1 + 8 > kBlock ? 2 : 1;
  Store64(pad + blocks * kBlock - 8, byteCount_ * 8);
  TransformBlocks(state_, pad, blocks);

  static const char kHex[] = "0123456789abcdef";
  digestText_.clear();
  for (uint32_t word : state_) {
    for (int i = 0; i < 4; ++i) {
      const unsigned byte = (word >> (8 * i)) & 0xff;
      digestText_ += kHex[byte >> 4];
      digestText_ += kHex[byte & 0xf];
    }
  }
}

void Md5Digest::DigestFile(std::string_view path) {
  Start();
  // Without a buffer nothing can be read; the memory message is recorded.
  if (!buffer_) return;
  fileName_ = path;
  if (fileName_.empty()) {
    RecordError("Have not assign a file !");
    return;
  }
  // A folder opens for reading here but has no bytes to hash; treat it as a
  // file that cannot be opened, as the desktop platform does.
  std::error_code ec;
  if (std::filesystem::is_directory(std::filesystem::path(fileName_), ec) ||
      !(input_ = OpenNativeFile(fileName_, "rb"))) {
    RecordError("Can not open the file [ " + fileName_ + " ] !");
    return;
  }
  // Reads go straight into our own buffer; the stream's would only add a copy.
  std::setvbuf(input_, nullptr, _IONBF, 0);

  lastKeepAliveNs_ = NowNs();
  // fread comes back short only at the end of the file or on a read error;
  // either way the data ends there.
  const size_t half = bufferSize_ / 2 / kBlock * kBlock;
  if (half >= kMinReadAheadHalf) {
    const size_t n = std::fread(buffer_.get(), 1, half, input_);
    if (n == half && DigestWithReadAhead(half)) return;
    if (n < half) {
      DigestBlocks(buffer_.get(), n, true);
      return;
    }
    // No helper thread: the first half is hashed and the rest read here.
    DigestBlocks(buffer_.get(), n, false);
  }
  unsigned char* buf = buffer_.get();
  for (;;) {
    const size_t n = std::fread(buf, 1, bufferSize_, input_);
    if (DigestBlocks(buf, n, n < bufferSize_)) break;
    MaybeKeepAlive();
  }
}

bool Md5Digest::DigestBlocks(const unsigned char* data, size_t n, bool last) {
  byteCount_ += n;
  const size_t full = n / kBlock;
  TransformBlocks(state_, data, full);
  if (last) Finish(data + full * kBlock, n - full * kBlock);
  return last;
}

bool Md5Digest::DigestWithReadAhead(size_t half) {
  // The two halves of the buffer take turns: a helper thread copies the next
  // half out of the file while this thread hashes the one before, so the
  // copy out of the page cache costs no time of its own. The first half is
  // already read.
  unsigned char* halves[2] = {buffer_.get(), buffer_.get() + half};
  size_t lengths[2] = {half, 0};
  std::binary_semaphore filled[2] = {std::binary_semaphore(0), std::binary_semaphore(0)};
  // Up to 2: the way out below may give back a half that was just freed.
  std::counting_semaphore<2> emptied[2] = {std::counting_semaphore<2>(0), std::counting_semaphore<2>(1)};
  bool quit = false;  // written before a release, read after the acquire
  auto reader = [&] {
    for (int slot = 1;; slot ^= 1) {
      emptied[slot].acquire();
      if (quit) return;
      lengths[slot] = std::fread(halves[slot], 1, half, input_);
      const bool end = lengths[slot] < half;
      filled[slot].release();
      if (end) return;
    }
  };
  std::thread thread;
  try {
    thread = std::thread(reader);
  } catch (const std::system_error&) {
    return false;
  }
  // The reader ends once it has read a short half; a keep-alive that throws
  // must not leave it waiting for a half that never comes free.
  struct Join {
    std::thread& thread;
    bool& quit;
    std::counting_semaphore<2>* emptied;
    bool done = false;
    ~Join() {
      if (!done) {
        quit = true;
        emptied[0].release();
        emptied[1].release();
      }
      thread.join();
    }
  } join{thread, quit, emptied};
  for (int slot = 0;; slot ^= 1) {
    const bool last = lengths[slot] < half;
    if (DigestBlocks(halves[slot], lengths[slot], last)) break;
    emptied[slot].release();
    MaybeKeepAlive();
    filled[slot ^ 1].acquire();
  }
  join.done = true;
  return true;
}

std::optional<std::string> Md5Digest::GetDigest() {
  if (ok_ && !digestText_.empty()) return digestText_;
  RecordError("Have something wrong with MD5!");
  return std::nullopt;
}

}  // namespace common

#pragma once
// The host channel: how the client tells a host application about an update
// in progress. Host endpoint n (the "/HWND:" value) is the Unix datagram
// socket "\0upgrade-host-" + n in the abstract namespace; each message is one
// 24-byte datagram holding message number, wParam and lParam as three
// little-endian signed 64-bit integers. On Windows n is the host's window
// handle and each message is posted to that window. The sender never blocks
// and never waits for an answer; the listener serves the authoring tool's
// debug page and the tests.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// One message as it travels: number (2020..2023), wParam, lParam.
struct HostMessage {
  int64_t message = 0;
  int64_t wParam = 0;
  int64_t lParam = 0;
};

inline constexpr size_t kHostMessageSize = 24;

enum class HostSendResult {
  kSent,
  kNoListener,  // nobody bound the endpoint (or the socket could not be made)
  kQueueFull,   // the listener's queue is full right now; the message is lost
};

/// The abstract socket name of endpoint n, without the leading NUL byte.
std::string HostEndpointName(int64_t endpoint);

/// The 24 wire bytes of a message.
std::string EncodeHostMessage(const HostMessage& message);
/// Reads 24 wire bytes; false (message untouched) for any other length.
bool DecodeHostMessage(const void* bytes, size_t length, HostMessage* message);

/// Sends one message to endpoint n without blocking; never throws. Safe from
/// any thread. The result only says what happened: callers may ignore it.
HostSendResult SendHostMessage(int64_t endpoint, const HostMessage& message);

// The receiving end of one endpoint, without an event loop of its own: a
// host watches ReadableHandle (or calls WaitReadable) and takes what waits
// with Receive. Only messages from the user running the receiver (or from
// root) are handed on: the kernel tells the sender's user (SO_PASSCRED), as
// an abstract socket has no permissions of its own. On Windows the endpoint
// is a message-only window of the thread that listens; only that thread
// receives, and the endpoint number is the window handle.
class HostReceiver {
 public:
  HostReceiver();
  ~HostReceiver();
  HostReceiver(const HostReceiver&) = delete;
  HostReceiver& operator=(const HostReceiver&) = delete;

  /// Binds endpoint n; false when it is taken (or n is 0) or the socket
  /// fails. Always false on Windows, where the system names the window.
  bool Listen(int64_t endpoint);
  /// Binds a free endpoint (from a per-process start value); 0 on failure.
  int64_t ListenOnFreeEndpoint();
  /// Unbinds; later messages to the endpoint find no listener.
  void Close();

  bool IsListening() const;
  int64_t Endpoint() const;

  /// Takes the next waiting message; false when none waits right now.
  /// Datagrams of another length or from another user are skipped.
  bool Receive(HostMessage* message);
  /// Waits up to `timeout` for something to arrive; false on time-out or
  /// when not listening.
  bool WaitReadable(std::chrono::milliseconds timeout);
  /// What an event loop watches for reading (the socket); -1 when closed.
  intptr_t ReadableHandle() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A HostReceiver that hands every message to a callback on the event loop
// of the thread that called Listen. The toolkit's loop does the watching,
// so this class is built in platform_qt/, which a program that listens
// links; everything else in this header needs no toolkit.
class HostListener {
 public:
  using Handler = std::function<void(const HostMessage&)>;

  HostListener();
  ~HostListener();
  HostListener(const HostListener&) = delete;
  HostListener& operator=(const HostListener&) = delete;

  /// Binds endpoint n; false when it is taken (or n is 0) or the socket fails.
  bool Listen(int64_t endpoint, Handler handler);
  /// Binds the first free endpoint from a per-process start value; 0 on failure.
  int64_t ListenOnFreeEndpoint(Handler handler);
  /// Unbinds; later messages to the endpoint find no listener.
  void Close();

  bool IsListening() const;
  int64_t Endpoint() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform

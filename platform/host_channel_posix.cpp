#include "platform/host_channel.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <atomic>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// Abstract-namespace address: sun_path starts with a NUL byte and the name
// is not NUL-terminated, so the address length must cover exactly the name.
socklen_t MakeAddress(int64_t endpoint, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  const std::string name = HostEndpointName(endpoint);
  std::memcpy(address->sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

void PutLe64(int64_t value, unsigned char* out) {
  uint64_t v = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

int64_t GetLe64(const unsigned char* in) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in[i];
  return static_cast<int64_t>(v);
}

// One unbound sending socket for the whole process: sendto on a datagram
// socket is safe from several threads, and the transfer worker posts progress
// from a hot loop.
std::mutex senderMutex;
int senderFd = -1;

int SenderSocket() {
  std::lock_guard<std::mutex> lock(senderMutex);
  if (senderFd < 0) senderFd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return senderFd;
}

std::atomic<int64_t> nextFreeEndpoint{0};

}  // namespace

std::string HostEndpointName(int64_t endpoint) {
  return "upgrade-host-" + std::to_string(endpoint);
}

std::string EncodeHostMessage(const HostMessage& message) {
  unsigned char bytes[kHostMessageSize];
  PutLe64(message.message, bytes);
  PutLe64(message.wParam, bytes + 8);
  PutLe64(message.lParam, bytes + 16);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

bool DecodeHostMessage(const void* bytes, size_t length, HostMessage* message) {
  if (length != kHostMessageSize) return false;
  const auto* in = static_cast<const unsigned char*>(bytes);
  message->message = GetLe64(in);
  message->wParam = GetLe64(in + 8);
  message->lParam = GetLe64(in + 16);
  return true;
}

HostSendResult SendHostMessage(int64_t endpoint, const HostMessage& message) {
  int fd = SenderSocket();
  if (fd < 0) return HostSendResult::kNoListener;
  sockaddr_un address;
  socklen_t length = MakeAddress(endpoint, &address);
  const std::string bytes = EncodeHostMessage(message);
  ssize_t sent;
  do {
    // MSG_DONTWAIT: a host that stopped reading must never stall the update.
    sent = sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&address), length);
  } while (sent < 0 && errno == EINTR);
  if (sent == static_cast<ssize_t>(bytes.size())) return HostSendResult::kSent;
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) {
    return HostSendResult::kQueueFull;
  }
  return HostSendResult::kNoListener;
}

namespace {

// The sender's credentials, which the kernel attaches to every datagram
// once SO_PASSCRED is set on the receiving socket.
bool FromOwnUser(msghdr& header) {
  for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS &&
        c->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
      ucred sender;
      std::memcpy(&sender, CMSG_DATA(c), sizeof sender);
      return sender.uid == geteuid() || sender.uid == 0;
    }
  }
  return false;  // no credentials: not accepted
}

}  // namespace

struct HostListener::Impl {
  int fd = -1;
  int64_t endpoint = 0;
  Handler handler;
  QSocketNotifier* notifier = nullptr;

  void Drain() {
    unsigned char buffer[64];
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(ucred))];
    while (fd >= 0) {
      iovec data{buffer, sizeof(buffer)};
      msghdr header{};
      header.msg_iov = &data;
      header.msg_iovlen = 1;
      header.msg_control = control;
      header.msg_controllen = sizeof(control);
      ssize_t got = recvmsg(fd, &header, MSG_DONTWAIT | MSG_TRUNC | MSG_CMSG_CLOEXEC);
      if (got < 0) {
        if (errno == EINTR) continue;
        return;  // EAGAIN: the queue is empty
      }
      // Abstract sockets have no permissions: any local user can send here.
      // Only the user running this host (or root, who could act as anyone
      // anyway) may report an update.
      if (!FromOwnUser(header)) continue;
      HostMessage message;
      // A datagram of another length is not ours: skip it.
      if (!DecodeHostMessage(buffer, static_cast<size_t>(got), &message)) continue;
      Handler call = handler;  // the handler may close or rebind the listener
      if (call) call(message);
    }
  }
};

HostListener::HostListener() : impl_(std::make_unique<Impl>()) {}

HostListener::~HostListener() { Close(); }

bool HostListener::Listen(int64_t endpoint, Handler handler) {
  Close();
  if (endpoint == 0) return false;  // 0 means "no host" on the command line
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const int on = 1;
  if (setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
    close(fd);
    return false;
  }
  sockaddr_un address;
  socklen_t length = MakeAddress(endpoint, &address);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    close(fd);
    return false;
  }
  impl_->fd = fd;
  impl_->endpoint = endpoint;
  impl_->handler = std::move(handler);
  impl_->notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
  Impl* impl = impl_.get();
  QObject::connect(impl_->notifier, &QSocketNotifier::activated, impl_->notifier,
                   [impl] { impl->Drain(); });
  return true;
}

int64_t HostListener::ListenOnFreeEndpoint(Handler handler) {
  // Start at a per-process value so that parallel hosts rarely collide; an
  // endpoint another process holds makes bind fail and the next one is tried.
  int64_t expected = 0;
  nextFreeEndpoint.compare_exchange_strong(expected, static_cast<int64_t>(getpid()) * 100);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    int64_t candidate = nextFreeEndpoint.fetch_add(1);
    if (Listen(candidate, handler)) return candidate;
  }
  return 0;
}

void HostListener::Close() {
  if (impl_->notifier) {
    impl_->notifier->setEnabled(false);
    // deleteLater: Close may run inside the notifier's own activation.
    impl_->notifier->deleteLater();
    impl_->notifier = nullptr;
  }
  if (impl_->fd >= 0) {
    close(impl_->fd);
    impl_->fd = -1;
  }
  impl_->endpoint = 0;
  impl_->handler = nullptr;
}

bool HostListener::IsListening() const { return impl_->fd >= 0; }

int64_t HostListener::Endpoint() const { return impl_->endpoint; }

}  // namespace platform

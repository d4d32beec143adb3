#include "platform/host_channel.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <poll.h>

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

struct HostReceiver::Impl {
  int fd = -1;
  int64_t endpoint = 0;
};

HostReceiver::HostReceiver() : impl_(std::make_unique<Impl>()) {}

HostReceiver::~HostReceiver() { Close(); }

bool HostReceiver::Listen(int64_t endpoint) {
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
  return true;
}

int64_t HostReceiver::ListenOnFreeEndpoint() {
  // Start at a per-process value so that parallel hosts rarely collide; an
  // endpoint another process holds makes bind fail and the next one is tried.
  int64_t expected = 0;
  nextFreeEndpoint.compare_exchange_strong(expected, static_cast<int64_t>(getpid()) * 100);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    int64_t candidate = nextFreeEndpoint.fetch_add(1);
    if (Listen(candidate)) return candidate;
  }
  return 0;
}

void HostReceiver::Close() {
  if (impl_->fd >= 0) {
    close(impl_->fd);
    impl_->fd = -1;
  }
  impl_->endpoint = 0;
}

bool HostReceiver::IsListening() const { return impl_->fd >= 0; }

int64_t HostReceiver::Endpoint() const { return impl_->endpoint; }

intptr_t HostReceiver::ReadableHandle() const { return impl_->fd; }

bool HostReceiver::Receive(HostMessage* message) {
  unsigned char buffer[64];
  alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(ucred))];
  while (impl_->fd >= 0) {
    iovec data{buffer, sizeof(buffer)};
    msghdr header{};
    header.msg_iov = &data;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof(control);
    ssize_t got = recvmsg(impl_->fd, &header, MSG_DONTWAIT | MSG_TRUNC | MSG_CMSG_CLOEXEC);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;  // EAGAIN: the queue is empty
    }
    // Abstract sockets have no permissions: any local user can send here.
    // Only the user running this host (or root, who could act as anyone
    // anyway) may report an update.
    if (!FromOwnUser(header)) continue;
    // A datagram of another length is not ours: skip it.
    if (DecodeHostMessage(buffer, static_cast<size_t>(got), message)) return true;
  }
  return false;
}

bool HostReceiver::WaitReadable(std::chrono::milliseconds timeout) {
  if (impl_->fd < 0) return false;
  pollfd watch{impl_->fd, POLLIN, 0};
  int r;
  do {
    r = poll(&watch, 1, static_cast<int>(timeout.count()));
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

}  // namespace platform

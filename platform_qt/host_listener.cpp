// platform::HostListener: a HostReceiver whose socket the Qt event loop of
// the listening thread watches, so the handler runs on that thread.

#include <QObject>
#include <QSocketNotifier>

#include "platform/host_channel.h"

namespace platform {

struct HostListener::Impl {
  HostReceiver receiver;
  Handler handler;
  QSocketNotifier* notifier = nullptr;

  void Drain() {
    HostMessage message;
    while (receiver.Receive(&message)) {
      Handler call = handler;  // the handler may close or rebind the listener
      if (call) call(message);
    }
  }

  bool Watch(Handler newHandler) {
    handler = std::move(newHandler);
    notifier = new QSocketNotifier(static_cast<qintptr>(receiver.ReadableHandle()),
                                   QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] { Drain(); });
    return true;
  }
};

HostListener::HostListener() : impl_(std::make_unique<Impl>()) {}

HostListener::~HostListener() { Close(); }

bool HostListener::Listen(int64_t endpoint, Handler handler) {
  Close();
  return impl_->receiver.Listen(endpoint) && impl_->Watch(std::move(handler));
}

int64_t HostListener::ListenOnFreeEndpoint(Handler handler) {
  Close();
  const int64_t endpoint = impl_->receiver.ListenOnFreeEndpoint();
  if (endpoint != 0) impl_->Watch(std::move(handler));
  return endpoint;
}

void HostListener::Close() {
  if (impl_->notifier) {
    impl_->notifier->setEnabled(false);
    // deleteLater: Close may run inside the notifier's own activation.
    impl_->notifier->deleteLater();
    impl_->notifier = nullptr;
  }
  impl_->receiver.Close();
  impl_->handler = nullptr;
}

bool HostListener::IsListening() const { return impl_->receiver.IsListening(); }

int64_t HostListener::Endpoint() const { return impl_->receiver.Endpoint(); }

}  // namespace platform

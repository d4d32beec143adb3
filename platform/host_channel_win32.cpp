#include "platform/host_channel.h"

#include <windows.h>

#include <atomic>

namespace platform {

namespace {

// The messages a host receives: WM_USER+996 (file bytes) .. WM_USER+999
// (outcome), the numbers the wire format carries.
constexpr UINT kFirstHostMessage = WM_USER + 996;
constexpr UINT kLastHostMessage = WM_USER + 999;

constexpr wchar_t kWindowClass[] = L"upgrade-host-receiver";

ATOM RegisterReceiverClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kWindowClass;
    return RegisterClassExW(&type);
  }();
  return atom;
}

HWND WindowOf(int64_t endpoint) { return reinterpret_cast<HWND>(static_cast<intptr_t>(endpoint)); }

}  // namespace

HostSendResult SendHostMessage(int64_t endpoint, const HostMessage& message) {
  HWND window = WindowOf(endpoint);
  // PostMessage queues and returns at once: a host that stopped reading
  // never stalls the update. A window that is gone fails at once.
  if (endpoint == 0 || !IsWindow(window)) return HostSendResult::kNoListener;
  if (PostMessageW(window, static_cast<UINT>(message.message), static_cast<WPARAM>(message.wParam),
                   static_cast<LPARAM>(message.lParam))) {
    return HostSendResult::kSent;
  }
  return GetLastError() == ERROR_NOT_ENOUGH_QUOTA ? HostSendResult::kQueueFull : HostSendResult::kNoListener;
}

struct HostReceiver::Impl {
  HWND window = nullptr;
};

HostReceiver::HostReceiver() : impl_(std::make_unique<Impl>()) {}

HostReceiver::~HostReceiver() { Close(); }

// The system hands out window handles; a host cannot pick its own.
bool HostReceiver::Listen(int64_t) { return false; }

int64_t HostReceiver::ListenOnFreeEndpoint() {
  Close();
  if (!RegisterReceiverClass()) return 0;
  // A message-only window: never shown, not found by EnumWindows, and its
  // messages queue on the thread that made it.
  impl_->window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  return Endpoint();
}

void HostReceiver::Close() {
  if (!impl_->window) return;
  DestroyWindow(impl_->window);
  impl_->window = nullptr;
}

bool HostReceiver::IsListening() const { return impl_->window != nullptr; }

int64_t HostReceiver::Endpoint() const {
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(impl_->window));
}

intptr_t HostReceiver::ReadableHandle() const {
  return impl_->window ? reinterpret_cast<intptr_t>(impl_->window) : -1;
}

bool HostReceiver::Receive(HostMessage* message) {
  if (!impl_->window) return false;
  MSG msg;
  if (!PeekMessageW(&msg, impl_->window, kFirstHostMessage, kLastHostMessage, PM_REMOVE)) return false;
  message->message = msg.message;
  message->wParam = static_cast<int64_t>(msg.wParam);
  message->lParam = static_cast<int64_t>(msg.lParam);
  return true;
}

bool HostReceiver::WaitReadable(std::chrono::milliseconds timeout) {
  if (!impl_->window) return false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    if (PeekMessageW(&msg, impl_->window, kFirstHostMessage, kLastHostMessage, PM_NOREMOVE)) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_POSTMESSAGE, MWMO_INPUTAVAILABLE);
  }
}

}  // namespace platform

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/gbk.h"
#include "platform/windows_lookup.h"

namespace platform {
namespace {

// Longest property read, in 32-bit units: far more than any title.
constexpr uint32_t kPropertyUnits = 4096;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Own(T* reply) {
  return Reply<T>(reply, &std::free);
}

struct Atoms {
  xcb_atom_t netWmName = XCB_ATOM_NONE;
  xcb_atom_t netWmPid = XCB_ATOM_NONE;
  xcb_atom_t utf8String = XCB_ATOM_NONE;
  xcb_atom_t wmState = XCB_ATOM_NONE;
};

Atoms InternAtoms(xcb_connection_t* c) {
  const char* names[] = {"_NET_WM_NAME", "_NET_WM_PID", "UTF8_STRING", "WM_STATE"};
  xcb_intern_atom_cookie_t cookies[4];
  for (int i = 0; i < 4; ++i) {
    cookies[i] = xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
  }
  xcb_atom_t atoms[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (auto r = Own(xcb_intern_atom_reply(c, cookies[i], nullptr))) atoms[i] = r->atom;
  }
  return {atoms[0], atoms[1], atoms[2], atoms[3]};
}

xcb_get_property_cookie_t AskProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom) {
  return xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, kPropertyUnits);
}

// The property's bytes and type; empty bytes when it is not set.
std::string PropertyBytes(xcb_connection_t* c, xcb_get_property_cookie_t cookie,
                          xcb_atom_t* type = nullptr) {
  auto r = Own(xcb_get_property_reply(c, cookie, nullptr));
  if (!r || r->type == XCB_ATOM_NONE) return {};
  if (type) *type = r->type;
  const auto* data = static_cast<const char*>(xcb_get_property_value(r.get()));
  return std::string(data, static_cast<size_t>(xcb_get_property_value_length(r.get())));
}

// WM_NAME of type STRING is ISO 8859-1; other types (UTF8_STRING, or the
// compound text of old programs, ASCII in practice) are taken as UTF-8.
std::string Latin1ToUtf8(const std::string& latin1) {
  std::string out;
  for (unsigned char ch : latin1) {
    if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else {
      out += static_cast<char>(0xC0 | (ch >> 6));
      out += static_cast<char>(0x80 | (ch & 0x3F));
    }
  }
  return out;
}

std::vector<xcb_window_t> Children(xcb_connection_t* c, xcb_window_t parent) {
  auto r = Own(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
  if (!r) return {};
  const xcb_window_t* kids = xcb_query_tree_children(r.get());
  return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(r.get()));
}

bool IsViewable(xcb_connection_t* c, xcb_window_t w) {
  auto r = Own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
  return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool HasProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom) {
  if (atom == XCB_ATOM_NONE) return false;
  auto r = Own(xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
                                      nullptr));
  return r && r->type != XCB_ATOM_NONE;
}

// The program's own window behind a child of the root. A window manager
// puts each program window into a frame of its own and marks the program
// window with WM_STATE; without a manager the child is the program window.
xcb_window_t ClientWindow(xcb_connection_t* c, const Atoms& atoms, xcb_window_t topLevel) {
  if (HasProperty(c, topLevel, atoms.wmState)) return topLevel;
  for (xcb_window_t inner : Children(c, topLevel)) {
    if (HasProperty(c, inner, atoms.wmState)) return IsViewable(c, inner) ? inner : xcb_window_t{XCB_WINDOW_NONE};
  }
  return topLevel;
}

TopLevelWindow Describe(xcb_connection_t* c, const Atoms& atoms, xcb_window_t w) {
  // All four requests go out before the first answer is awaited.
  const auto netName = AskProperty(c, w, atoms.netWmName);
  const auto name = AskProperty(c, w, XCB_ATOM_WM_NAME);
  const auto cls = AskProperty(c, w, XCB_ATOM_WM_CLASS);
  const auto pid = AskProperty(c, w, atoms.netWmPid);

  TopLevelWindow window;
  window.id = w;
  std::string title = atoms.netWmName != XCB_ATOM_NONE ? PropertyBytes(c, netName) : "";
  xcb_atom_t nameType = XCB_ATOM_NONE;
  std::string oldTitle = PropertyBytes(c, name, &nameType);
  if (title.empty()) title = nameType == XCB_ATOM_STRING ? Latin1ToUtf8(oldTitle) : oldTitle;
  window.title = common::Utf8ToGbk(title);

  // WM_CLASS holds two NUL-terminated texts: instance, then class.
  const std::string hint = PropertyBytes(c, cls);
  const size_t split = hint.find('\0');
  window.instanceName = common::Utf8ToGbk(hint.substr(0, split));
  if (split != std::string::npos) {
    const std::string rest = hint.substr(split + 1);
    window.className = common::Utf8ToGbk(rest.substr(0, rest.find('\0')));
  }

  const std::string pidBytes = atoms.netWmPid != XCB_ATOM_NONE ? PropertyBytes(c, pid) : "";
  if (pidBytes.size() >= 4) {
    uint32_t value = 0;
    std::memcpy(&value, pidBytes.data(), 4);
    window.pid = static_cast<int>(value);
  }
  return window;
}

}  // namespace

std::vector<TopLevelWindow> ListTopLevelWindows() {
  std::vector<TopLevelWindow> windows;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return windows;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return windows;
  }
  const Atoms atoms = InternAtoms(c);
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
    for (xcb_window_t child : Children(c, it.data->root)) {
      if (!IsViewable(c, child)) continue;
      const xcb_window_t client = ClientWindow(c, atoms, child);
      if (client != XCB_WINDOW_NONE) windows.push_back(Describe(c, atoms, client));
    }
  }
  xcb_disconnect(c);
  return windows;
}

}  // namespace platform

// test_window TITLE INSTANCE CLASS: shows top-level windows on $DISPLAY for
// the window lookup tests, prints "ready <id>" (the id of the first) and
// stays until killed or the display goes away.
//   1. shown: _NET_WM_NAME = TITLE (UTF-8), WM_NAME, WM_CLASS, _NET_WM_PID;
//   2. never shown, same title and class (as toolkits' helper windows);
//   3. shown: only WM_NAME = "caf\xe9 CLASS" as a Latin-1 STRING, no pid.

#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(r);
  return atom;
}

void Set(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, uint8_t format,
         const void* data, size_t units) {
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, format, static_cast<uint32_t>(units),
                      data);
}

xcb_window_t Make(xcb_connection_t* c, xcb_screen_t* screen) {
  const xcb_window_t w = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 10, 10, 100, 60, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string title = argv[1];
  const std::string hint = std::string(argv[2]) + '\0' + argv[3] + '\0';
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_atom_t netName = Atom(c, "_NET_WM_NAME"), utf8 = Atom(c, "UTF8_STRING");
  const xcb_atom_t netPid = Atom(c, "_NET_WM_PID");
  const uint32_t pid = static_cast<uint32_t>(getpid());

  xcb_window_t windows[2] = {Make(c, screen), Make(c, screen)};
  for (xcb_window_t w : windows) {
    Set(c, w, netName, utf8, 8, title.data(), title.size());
    Set(c, w, XCB_ATOM_WM_NAME, utf8, 8, title.data(), title.size());
    Set(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, hint.data(), hint.size());
    Set(c, w, netPid, XCB_ATOM_CARDINAL, 32, &pid, 1);
  }
  xcb_map_window(c, windows[0]);

  const std::string old = std::string("caf\xe9 ") + argv[3];
  const xcb_window_t oldStyle = Make(c, screen);
  Set(c, oldStyle, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, old.data(), old.size());
  xcb_map_window(c, oldStyle);

  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // all requests done
  std::printf("ready %u\n", windows[0]);
  std::fflush(stdout);
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
  xcb_disconnect(c);
  return 0;
}

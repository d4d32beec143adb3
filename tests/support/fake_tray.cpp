// fake_tray: the smallest notification area a test needs on a bare X server
// (Xvfb). It owns the _NET_SYSTEM_TRAY_S<screen> selection, announces itself
// with the MANAGER message on the root window, takes the dock requests of
// tray icons into its own mapped window and prints one line per event on
// standard output, flushed at once:
//   ready <tray window>
//   dock <icon window>      a SYSTEM_TRAY_REQUEST_DOCK arrived
//   map <icon window>       the docked icon is mapped (visible)
//   unmap <icon window>
//   gone <icon window>      the docked icon window was destroyed
// It ends when it loses the selection or is killed. Window ids in decimal.
//
// "fake_tray click <window> <button>" instead sends a press and a release of
// that mouse button to the window, as a user's click on a tray icon;
// "fake_tray iconify <window>" minimises a window as a window manager does.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXembedEmbeddedNotify = 0;
constexpr int kIconSize = 24;

xcb_atom_t Intern(xcb_connection_t* c, const std::string& name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.c_str()), nullptr);
  if (!reply) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  free(reply);
  return atom;
}

void Say(const char* what, xcb_window_t window) {
  std::printf("%s %u\n", what, window);
  std::fflush(stdout);
}

void SendClientMessage(xcb_connection_t* c, xcb_window_t to, xcb_window_t about, xcb_atom_t type,
                       const uint32_t (&data)[5], uint32_t mask) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = about;
  event.type = type;
  std::memcpy(event.data.data32, data, sizeof data);
  xcb_send_event(c, 0, to, mask, reinterpret_cast<const char*>(&event));
}

// The server's clock now: the time of a property change on a window of our
// own. A click stamped with it is no double click of the one before.
xcb_timestamp_t ServerTime(xcb_connection_t* c, xcb_window_t root) {
  const xcb_window_t probe = xcb_generate_id(c);
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
  xcb_change_property(c, XCB_PROP_MODE_APPEND, probe, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, "");
  xcb_flush(c);
  xcb_timestamp_t time = XCB_CURRENT_TIME;
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    const bool found = (event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY;
    if (found) time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
    free(event);
    if (found) break;
  }
  xcb_destroy_window(c, probe);
  return time;
}

int Click(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, int button) {
  const xcb_timestamp_t time = ServerTime(c, root);
  for (uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
    xcb_button_press_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = type;
    event.detail = static_cast<xcb_button_t>(button);
    event.time = type == XCB_BUTTON_PRESS ? time : time + 1;
    event.root = root;
    event.event = window;
    event.child = XCB_NONE;
    event.event_x = event.event_y = event.root_x = event.root_y = kIconSize / 2;
    event.state = type == XCB_BUTTON_RELEASE ? uint16_t(XCB_BUTTON_MASK_1 << (button - 1)) : 0;
    event.same_screen = 1;
    xcb_send_event(c, 0, window,
                   type == XCB_BUTTON_PRESS ? XCB_EVENT_MASK_BUTTON_PRESS
                                            : XCB_EVENT_MASK_BUTTON_RELEASE,
                   reinterpret_cast<const char*>(&event));
  }
  // A round trip: the events are out before the connection closes.
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return xcb_connection_has_error(c) ? 1 : 0;
}

// What a window manager does when the user minimises a window: WM_STATE
// becomes Iconic and the window is unmapped.
int Iconify(xcb_connection_t* c, xcb_window_t window) {
  const xcb_atom_t wmState = Intern(c, "WM_STATE");
  const uint32_t iconic[2] = {3, XCB_NONE};
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, wmState, wmState, 32, 2, iconic);
  xcb_unmap_window(c, window);
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return xcb_connection_has_error(c) ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "fake_tray: cannot connect to the X server\n");
    return 2;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  xcb_screen_t* screen = it.data;
  if (argc == 4 && std::strcmp(argv[1], "click") == 0) {
    const int rc = Click(c, screen->root, std::strtoul(argv[2], nullptr, 10), std::atoi(argv[3]));
    xcb_disconnect(c);
    return rc;
  }
  if (argc == 3 && std::strcmp(argv[1], "iconify") == 0) {
    const int rc = Iconify(c, std::strtoul(argv[2], nullptr, 10));
    xcb_disconnect(c);
    return rc;
  }

  const xcb_atom_t selection = Intern(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
  const xcb_atom_t manager = Intern(c, "MANAGER");
  const xcb_atom_t opcode = Intern(c, "_NET_SYSTEM_TRAY_OPCODE");
  const xcb_atom_t orientation = Intern(c, "_NET_SYSTEM_TRAY_ORIENTATION");
  const xcb_atom_t visual = Intern(c, "_NET_SYSTEM_TRAY_VISUAL");
  const xcb_atom_t xembed = Intern(c, "_XEMBED");

  // A visible strip at the top left: icons docked into it are viewable, so
  // their pixels can be read back from the server.
  const xcb_window_t tray = xcb_generate_id(c);
  const uint32_t values[] = {screen->white_pixel, 1,
                             XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, tray, screen->root, 0, 0, 10 * kIconSize, kIconSize, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  const uint32_t horizontal = 0;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, tray, orientation, XCB_ATOM_CARDINAL, 32, 1,
                      &horizontal);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, tray, visual, XCB_ATOM_VISUALID, 32, 1,
                      &screen->root_visual);
  xcb_map_window(c, tray);

  xcb_set_selection_owner(c, tray, selection, XCB_CURRENT_TIME);
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  const bool owned = owner && owner->owner == tray;
  free(owner);
  if (!owned) {
    std::fprintf(stderr, "fake_tray: another tray owns the selection\n");
    return 3;
  }
  // Clients that started before the tray wait for this message.
  SendClientMessage(c, screen->root, screen->root, manager, {XCB_CURRENT_TIME, selection, tray, 0, 0},
                    XCB_EVENT_MASK_STRUCTURE_NOTIFY);
  xcb_flush(c);
  Say("ready", tray);

  std::set<xcb_window_t> docked;
  int next = 0;
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    switch (event->response_type & ~0x80) {
      case XCB_CLIENT_MESSAGE: {
        auto* m = reinterpret_cast<xcb_client_message_event_t*>(event);
        if (m->type != opcode || m->format != 32 || m->data.data32[1] != kSystemTrayRequestDock) {
          break;
        }
        const xcb_window_t icon = m->data.data32[2];
        Say("dock", icon);
        docked.insert(icon);
        // A program that adds and at once removes its icon may have
        // destroyed the window before its request is read here: no
        // destroy event comes for it then, so say so now.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (xcb_generic_error_t* error = xcb_request_check(
                c, xcb_change_window_attributes_checked(c, icon, XCB_CW_EVENT_MASK, &mask))) {
          free(error);
          docked.erase(icon);
          Say("gone", icon);
          break;
        }
        // Should the icon go from here on, the errors of the calls below
        // arrive as events and are ignored.
        // Icons go back to the root window, not down with the tray, when
        // the tray ends first; their program then docks them again.
        xcb_change_save_set(c, XCB_SET_MODE_INSERT, icon);
        xcb_reparent_window(c, icon, tray, (next++ % 10) * kIconSize, 0);
        SendClientMessage(c, icon, icon, xembed, {XCB_CURRENT_TIME, kXembedEmbeddedNotify, 0, 0, tray},
                          XCB_EVENT_MASK_NO_EVENT);
        xcb_map_window(c, icon);
        xcb_flush(c);
        break;
      }
      case XCB_MAP_NOTIFY: {
        auto* m = reinterpret_cast<xcb_map_notify_event_t*>(event);
        if (m->event == m->window && docked.count(m->window)) Say("map", m->window);
        break;
      }
      case XCB_UNMAP_NOTIFY: {
        auto* m = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
        if (m->event == m->window && docked.count(m->window)) Say("unmap", m->window);
        break;
      }
      case XCB_DESTROY_NOTIFY: {
        auto* m = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
        if (docked.erase(m->window)) Say("gone", m->window);
        break;
      }
      case XCB_SELECTION_CLEAR:
        free(event);
        xcb_disconnect(c);
        return 0;
      default:
        break;
    }
    free(event);
  }
  xcb_disconnect(c);
  return 0;
}

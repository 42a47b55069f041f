#include "frame/platform/keyboard.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(TOOLS_BREAK_KEY_X11)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdlib>
#endif

namespace frame::platform {

#if defined(_WIN32)

bool break_keys_down() {
  return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0 && (GetAsyncKeyState('C') & 0x8000) != 0;
}

#elif defined(TOOLS_BREAK_KEY_X11)

namespace {
// A connection of its own, opened at the first check and kept: it only reads
// the key map and never takes part in the window's event handling.
struct KeyMapConnection {
  Display* display = nullptr;
  KeyCode ctrl_left = 0, ctrl_right = 0, c = 0;
  KeyMapConnection() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return;
    display = XOpenDisplay(name);
    if (display == nullptr) return;
    ctrl_left = XKeysymToKeycode(display, XK_Control_L);
    ctrl_right = XKeysymToKeycode(display, XK_Control_R);
    c = XKeysymToKeycode(display, XK_c);
  }
  ~KeyMapConnection() {
    if (display != nullptr) XCloseDisplay(display);
  }
  static bool held(const char keys[32], KeyCode code) {
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
  }
};
}  // namespace

bool break_keys_down() {
  static KeyMapConnection connection;
  if (connection.display == nullptr) return false;
  char keys[32];
  XQueryKeymap(connection.display, keys);
  return (KeyMapConnection::held(keys, connection.ctrl_left) ||
          KeyMapConnection::held(keys, connection.ctrl_right)) &&
         KeyMapConnection::held(keys, connection.c);
}

#else

bool break_keys_down() {
  return false;
}

#endif

}  // namespace frame::platform

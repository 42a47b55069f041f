// The state of the keyboard, asked of the window system while the window
// takes no input (a handler is running).
#pragma once

namespace frame::platform {

// True while Ctrl and C are both held down, as far as the window system can
// tell: the X server's key map under X11, the asynchronous key state on
// Windows; false where the platform offers no such query (offscreen, other
// platforms).
bool break_keys_down();

}  // namespace frame::platform

// The break key of a running handler: Ctrl and C held down together.
//
// While a handler runs the window processes no input, so the key cannot
// arrive as an event; the frame asks the window system for the state of the
// keyboard instead, at the regular checks that long handlers make (every data
// line), once every kBreakCheckInterval checks.
#pragma once

#include <cstdint>
#include <functional>

#include "frame/platform/keyboard.h"

namespace frame::qt {

inline constexpr std::uint32_t kBreakCheckInterval = 1024;

// Counts the checks and asks the keyboard every kBreakCheckInterval of them.
class BreakWatch {
 public:
  // For tests: replaces the keyboard query.
  std::function<bool()> query = platform::break_keys_down;
  bool check() {
    if (++count_ % kBreakCheckInterval != 0) return false;
    return query && query();
  }

 private:
  std::uint32_t count_ = 0;
};

// Thrown out of the running handler when the break key was seen.
struct BreakRequest {};

}  // namespace frame::qt

// The main form as data, its control texts, and its event queue.
//
// A form description lists the form and its controls. Building a form binds
// each declared event to the program's handler of exactly the name
// <CONTROL>_<EVENT>; raised events wait in a queue of at most 64 entries and
// run one at a time, to their end, never nested. A CHANGE raised by a handler
// that sets an edit field's text waits until that handler has ended.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/errors.h"

namespace frame {

enum class ControlKind : std::uint8_t { Edit, Static, Button };

// The file dialog a button's handler shows (once per click), if any.
enum class ButtonDialog : std::uint8_t { None, Open, Save };

struct ControlDesc {
  std::string_view name;  // EDITn, TEXTn, BUTTONn
  ControlKind kind;
  std::string_view caption;                  // initial text
  int x, y, w, h;                            // pixels in the client area
  int max_length = 0;                        // edit fields: characters a user can type
  bool digits_only = false;                  // edit fields: digit keys only
  std::string_view alias;                    // readable name for the command line
  ButtonDialog dialog = ButtonDialog::None;  // buttons: the dialog a click shows
};

struct FormDesc {
  std::string_view program;  // module label and window title, "tarvex"
  int outer_width, outer_height;
  std::string_view form_font;  // font of text drawn on the form
  int form_font_points;
  std::span<const ControlDesc> controls;  // in creation order
  // The program's source files that can hold a failing statement, in the
  // order that numbers its statements (see statement_number).
  StatementFiles statement_files = {};
};

// All controls: "Courier New" 12 points, black on white; white form.
inline constexpr std::string_view kControlFont = "Courier New";
inline constexpr int kControlFontPoints = 12;

// The events a description declares for a control kind (handled or not).
std::span<const std::string_view> declared_events(ControlKind kind);

inline constexpr std::size_t kEventQueueLimit = 64;

// A handler table entry: the handler's name and the program's function.
struct HandlerEntry {
  std::string_view name;  // "BUTTON5_ON"
  std::function<void()> run;
};

// A control bound by name: an index into the form's controls.
struct ControlRef {
  int index = -1;
};

class Form {
 public:
  // Builds the form from its description with every text at its caption and
  // binds the handlers by exact name. A handler name that no declared event
  // of the description has stays unbound.
  explicit Form(const FormDesc& desc);
  void bind_handlers(std::vector<HandlerEntry> handlers);

  const FormDesc& desc() const { return desc_; }
  int control_count() const { return static_cast<int>(texts_.size()); }
  const ControlDesc& control(int index) const { return desc_.controls[index]; }

  // A control by name (exact, upper case); 1013 when the form has none, 5
  // for a name of length 0 or above 21 characters.
  ControlRef bind(std::string_view name, Where where = Where::current()) const;
  // A control by name or alias (exact first, then without regard to case);
  // nullopt when neither matches.
  std::optional<int> find(std::string_view name_or_alias) const;

  const std::string& text(ControlRef control) const;
  // Replaces the text. For an edit field this raises its CHANGE at once,
  // which waits in the queue while a handler runs.
  void set_text(ControlRef control, std::string text);

  // Appends an event (a click's ON, a typed CHANGE, ...); false when the queue
  // already holds 64 and the event is dropped. An event without a handler
  // still takes its place in the queue; one that the control's kind does not
  // declare cannot happen and is ignored (true).
  bool raise_event(int control_index, std::string_view event);

  // Runs queued events, oldest first, each handler to its end, until the
  // queue is empty. A RuntimeError (or any other exception) leaves it; the
  // queue is then abandoned and the form is ready to run events again.
  // Calling it from inside a handler does nothing (handlers never nest).
  void run_pending();
  bool running() const { return running_; }
  std::size_t pending() const { return queue_.size(); }

  // Told of every text change (handler or user), for a window to show it.
  std::function<void(int control_index, const std::string& text)> on_text_changed;

  // Called by long handlers at regular points (every data line); the window
  // may use it to look at a break request. Cheap when unset.
  std::function<void()> on_poll;
  void poll() {
    if (on_poll) on_poll();
  }

 private:
  struct Event {
    int control;
    std::string_view name;  // one of the declared event names
  };
  const FormDesc& desc_;
  std::vector<std::string> texts_;
  // handler per (control, event), looked up by name once in bind_handlers
  std::vector<std::vector<std::pair<std::string_view, std::function<void()>>>> bound_;
  std::deque<Event> queue_;
  bool running_ = false;
};

}  // namespace frame

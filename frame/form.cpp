// The main form: texts, handler binding by name and the event queue.
#include "frame/form.h"

#include <array>
#include <string>
#include <unordered_map>
#include <utility>

#include "frame/constants.h"

namespace frame {

namespace {

constexpr std::array<std::string_view, 4> kEditEvents = {"CHANGE", "SETFOCUS", "KILLFOCUS",
                                                         "DROPFILES"};
constexpr std::array<std::string_view, 3> kStaticEvents = {"CLICK", "DBLCLICK", "DROPFILES"};
constexpr std::array<std::string_view, 2> kButtonEvents = {"ON", "DROPFILES"};

// A control name is at most 21 characters; an empty or longer one is not a
// name at all (5), a well-formed name the form lacks is 1013.
constexpr std::size_t kMaxControlName = 21;

}  // namespace

std::span<const std::string_view> declared_events(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return kEditEvents;
    case ControlKind::Static:
      return kStaticEvents;
    case ControlKind::Button:
      return kButtonEvents;
  }
  return {};
}

Form::Form(const FormDesc& desc) : desc_(desc) {
  texts_.reserve(desc.controls.size());
  bound_.reserve(desc.controls.size());
  for (const ControlDesc& c : desc.controls) {
    texts_.emplace_back(c.caption);
    auto& slots = bound_.emplace_back();
    for (std::string_view event : declared_events(c.kind)) slots.emplace_back(event, nullptr);
  }
}

void Form::bind_handlers(std::vector<HandlerEntry> handlers) {
  std::unordered_map<std::string_view, std::function<void()>*> by_name;
  for (HandlerEntry& h : handlers) by_name[h.name] = &h.run;
  std::string name;
  for (std::size_t i = 0; i < bound_.size(); ++i) {
    for (auto& [event, run] : bound_[i]) {
      name.assign(desc_.controls[i].name);
      name += '_';
      name += event;
      auto it = by_name.find(name);
      if (it != by_name.end()) run = *it->second;
    }
  }
}

ControlRef Form::bind(std::string_view name, Where where) const {
  if (name.empty() || name.size() > kMaxControlName)
    raise(err::kInvalidCall, Operation::ControlName, where);
  for (std::size_t i = 0; i < desc_.controls.size(); ++i) {
    if (desc_.controls[i].name == name) return ControlRef{static_cast<int>(i)};
  }
  raise(err::kNoSuchControl, Operation::ControlName, where);
}

std::optional<int> Form::find(std::string_view name_or_alias) const {
  if (name_or_alias.empty()) return std::nullopt;
  const auto& cs = desc_.controls;
  // Exact name, then exact alias, then either without regard to case.
  for (std::size_t i = 0; i < cs.size(); ++i)
    if (cs[i].name == name_or_alias) return static_cast<int>(i);
  for (std::size_t i = 0; i < cs.size(); ++i)
    if (cs[i].alias == name_or_alias) return static_cast<int>(i);
  for (std::size_t i = 0; i < cs.size(); ++i) {
    if (equal_ignoring_case(cs[i].name, name_or_alias) ||
        (!cs[i].alias.empty() && equal_ignoring_case(cs[i].alias, name_or_alias)))
      return static_cast<int>(i);
  }
  return std::nullopt;
}

const std::string& Form::text(ControlRef control) const {
  if (control.index < 0 || control.index >= control_count())
    raise(err::kDeadWindow, Operation::ControlText, Where::current());
  return texts_[control.index];
}

void Form::set_text(ControlRef control, std::string text) {
  if (control.index < 0 || control.index >= control_count())
    raise(err::kDeadWindow, Operation::ControlText, Where::current());
  std::string& stored = texts_[control.index];
  stored = std::move(text);
  if (on_text_changed) on_text_changed(control.index, stored);
  // The edit field's change notification arrives while the text is set; it
  // waits in the queue until the running handler has ended.
  if (desc_.controls[control.index].kind == ControlKind::Edit) raise_event(control.index, "CHANGE");
}

bool Form::raise_event(int control_index, std::string_view event) {
  if (control_index < 0 || control_index >= control_count()) return false;
  // Keep the declared name itself: the queue holds views of static texts only.
  // An event the control's kind does not declare cannot happen: nothing to do.
  for (const auto& [declared, run] : bound_[control_index]) {
    if (declared != event) continue;
    if (queue_.size() >= kEventQueueLimit) return false;
    queue_.push_back(Event{control_index, declared});
    return true;
  }
  return true;
}

void Form::run_pending() {
  if (running_) return;  // called from inside a handler: handlers never nest
  running_ = true;
  // Whatever leaves a handler abandons the queue: after a run-time error the
  // program ends, and no event raised before it may run.
  struct Abandon {
    Form& form;
    bool done = false;
    ~Abandon() {
      form.running_ = false;
      if (!done) form.queue_.clear();
    }
  } guard{*this};
  while (!queue_.empty()) {
    const Event event = queue_.front();
    queue_.pop_front();
    for (const auto& [declared, run] : bound_[event.control]) {
      if (declared == event.name) {
        if (run) run();  // an event without a handler has no effect
        break;
      }
    }
  }
  guard.done = true;
}

}  // namespace frame

// The command line's options, once: the driver's --help and the manual page
// are both written from this table, so the two cannot tell different stories.
#pragma once

#include <array>
#include <iosfwd>
#include <string_view>

#include "frame/form.h"

namespace frame {

// Which programs offer an option: every program, those that export their
// last completed run, or those that also draw a swing map of it.
enum class OptionScope { Always, Exports, Map };

// What a program offers beyond the options every program has.
struct OptionSet {
  bool exports = false;
  bool map = false;
  bool has(OptionScope scope) const {
    return scope == OptionScope::Always || (scope == OptionScope::Exports && exports) ||
           (scope == OptionScope::Map && map);
  }
};

struct DriverOption {
  std::string_view option;    // "--set"
  std::string_view argument;  // "NAME=TEXT", or empty
  std::string_view text;      // one or more lines, separated by '\n'
  OptionScope scope = OptionScope::Always;
};

inline constexpr std::array<DriverOption, 9> kDriverOptions = {{
    {"--set", "NAME=TEXT", "set a control's text (an edit field raises its CHANGE)"},
    {"--click", "NAME", "click a button"},
    {"--choose", "PATH",
     "answer the next file dialog with PATH (\"\" cancels;\n"
     "a dialog without an answer is cancelled)"},
    {"--print", "NAME", "write the control's text and a newline"},
    {"--save-drawing", "F", "write the form's drawing as a PNG file"},
    {"--export-csv", "F", "write the table of the last completed run as CSV", OptionScope::Exports},
    {"--export-json", "F", "write everything the last completed run knows as JSON",
     OptionScope::Exports},
    {"--save-map", "F", "write the swing map of the last completed run as PNG", OptionScope::Map},
    {"--help", "", "this text"},
}};

// What each exit status means.
struct ExitStatus {
  int status;
  std::string_view meaning;
};
inline constexpr std::array<ExitStatus, 3> kExitStatuses = {{
    {0, "done"},
    {1, "run-time error (message on stderr)"},
    {2, "usage error"},
}};

// The environment a run reads, for --help and the manual.
inline constexpr std::string_view kThreadsVariable = "TOOLS_THREADS";
inline constexpr std::string_view kThreadsText =
    "threads a run may use (default: the processor's cores); with 2 or more, tarvex works "
    "out the cosines and sines and mulrin transforms its blocks on a second thread";

std::string_view kind_name(ControlKind kind);

// The driver's --help text: the options of every program and those in `set`.
void write_help(const FormDesc& form, std::ostream& out, OptionSet set = {});

// What a manual page tells beyond the tables: a one-line summary, the
// description of the program's work and an example command line.
struct ManualText {
  std::string_view summary;
  std::string_view description;
  std::string_view example;
  std::string_view version;
  OptionSet options = {};  // what the program offers beyond every program's options
};

// A manual page (roff, man macros) of the program: the window, every option,
// every control name and alias, the exit statuses, the error record and an
// example.
void write_manual(const FormDesc& form, const ManualText& text, std::ostream& out);

}  // namespace frame

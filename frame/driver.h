// The headless command line of both programs.
//
//   --set NAME=TEXT   sets a control's text (an edit field raises CHANGE)
//   --click NAME      raises the button's ON
//   --choose PATH     answers the next file dialog (without it, or with an
//                     empty PATH: cancelled)
//   --print NAME      writes the control's text and a newline to stdout
//   --save-drawing F  writes the form's drawing as PNG
//   --export-csv F    writes the last completed run's table as CSV
//   --export-json F   writes everything the last completed run knows as JSON
//   --save-map F      writes the swing map of the last completed run as PNG
//   --help            lists the actions and the controls with their aliases
//
// NAME is a control's name or its alias. The actions run in order, each
// followed by every queued event. Exit status 0 on success; 1 after a
// run-time error (message on stderr, UTF-8; the last-error record written);
// 2 on a usage error, with a one-line reason naming the bad argument. The
// whole command line is checked (options, values, control names, --click on
// a button, a line break or NUL set into an edit field, each --choose answer
// against the dialog of the click that takes it) before the first action
// runs. A drawing that cannot be written is a usage error too (2); its path
// follows the rules of every output file (run-time errors 52, 55, 75).
// Standard output that refuses the printed text ends the run with status 1
// and one line on stderr.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/dialogs.h"
#include "frame/errors.h"
#include "frame/export.h"
#include "frame/form.h"
#include "frame/surface.h"
#include "frame/textfile.h"

namespace frame {

// A mistake in the command line (or a --choose answer a dialog refuses).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Dialogs answered from the --choose paths, in order. An open dialog refuses a
// path that does not exist (UsageError), a save dialog one whose folder does
// not exist; no answer left, or an empty answer, means cancel. A chosen path
// is returned as a full path.
class ScriptedDialogs : public FileDialogs {
 public:
  std::deque<std::string> answers;
  std::string open(std::string_view title, std::string_view initial_name,
                   std::string_view filter) override;
  std::string save(std::string_view title, std::string_view initial_name,
                   std::string_view filter) override;
};

// What the driver needs of a program: its form (handlers bound), the dialogs
// its handlers use, its drawing surface, its open files (abandoned after an
// error) and the store of the last-error record.
struct DriverContext {
  Form& form;
  ScriptedDialogs& dialogs;
  Surface& surface;
  FileTable& files;
  ErrorRecordStore& records;
  // The program's exports (null: none) and the writer of a map as PNG
  // (empty: no image surface); the writer returns false when it cannot.
  Exports* exports = nullptr;
  std::function<bool(const HeatMap&, const std::string&)> save_map = {};
};

int run_driver(DriverContext& program, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);

}  // namespace frame

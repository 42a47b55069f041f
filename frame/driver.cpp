// The headless command line: the user's actions on the form, given as
// arguments, run in order against the program's own handlers.
#include "frame/driver.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <system_error>

#include "frame/paths.h"
#include "frame/usage.h"

namespace frame {

namespace {

namespace fs = std::filesystem;

std::string full_path(const std::string& path) {
  std::error_code ec;
  fs::path full = fs::absolute(utf8_path(path), ec);
  if (ec) return path;
  return utf8_string(full.lexically_normal());
}

// The next answer; an empty --choose answer stands for a cancelled dialog.
std::string next_answer(std::deque<std::string>& answers) {
  if (answers.empty()) return kCancelMarker;
  std::string answer = std::move(answers.front());
  answers.pop_front();
  if (answer.empty()) return kCancelMarker;
  return answer;
}

// Why a dialog of this kind refuses the answer (empty: it takes it): an open
// dialog wants an existing file, a save dialog an existing folder.
std::string refusal(ButtonDialog kind, const std::string& answer) {
  std::error_code ec;
  if (kind == ButtonDialog::Open) {
    if (!fs::is_regular_file(utf8_path(answer), ec)) return "no such file for the open dialog";
  } else {
    const std::string full = full_path(answer);
    const fs::path path = utf8_path(full);
    if (!fs::is_directory(path.parent_path(), ec) || fs::is_directory(path, ec))
      return "no such folder for the save dialog";
  }
  return {};
}

struct Action {
  enum class Type { Set, Click, Choose, Print, SaveDrawing, ExportCsv, ExportJson, SaveMap } type;
  int control = -1;
  std::string value;
};

// Reads the whole command line before anything runs, so that a mistake
// anywhere in it leaves the form and the disk untouched.
// Returns nullopt after --help (the help text has been written).
std::optional<std::vector<Action>> parse(const Form& form, const Exports* exports,
                                         const std::vector<std::string>& args, std::ostream& out) {
  std::vector<Action> actions;
  // The --choose answers not yet taken by a dialog: each click of a button
  // with a dialog takes the oldest, as the run will.
  std::deque<std::string> answers;
  auto control_named = [&form](const std::string& option, std::string_view name) {
    std::optional<int> index = form.find(name);
    if (!index)
      throw UsageError(option + ": the form has no control named \"" + std::string(name) + "\"");
    return *index;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      write_help(form.desc(), out, OptionSet{exports != nullptr, exports && exports->has_map()});
      return std::nullopt;
    }
    const bool known = option == "--set" || option == "--click" || option == "--choose" ||
                       option == "--print" || option == "--save-drawing" ||
                       (exports && (option == "--export-csv" || option == "--export-json" ||
                                    (option == "--save-map" && exports->has_map())));
    if (!known) throw UsageError("unknown argument \"" + option + "\" (see --help)");
    if (i + 1 >= args.size()) throw UsageError(option + ": missing value");
    const std::string& value = args[++i];

    Action action{};
    if (option == "--set") {
      const std::size_t eq = value.find('=');
      if (eq == std::string::npos) throw UsageError("--set " + value + ": expected NAME=TEXT");
      action.type = Action::Type::Set;
      action.control = control_named(option, std::string_view(value).substr(0, eq));
      action.value = value.substr(eq + 1);
      if (form.control(action.control).kind == ControlKind::Edit &&
          action.value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw UsageError("--set " + std::string(form.control(action.control).name) +
                         ": a one-line field cannot hold a line break or NUL");
    } else if (option == "--click") {
      action.type = Action::Type::Click;
      action.control = control_named(option, value);
      if (form.control(action.control).kind != ControlKind::Button)
        throw UsageError("--click " + value + ": " +
                         std::string(form.control(action.control).name) + " is not a button");
      const ButtonDialog dialog = form.control(action.control).dialog;
      if (dialog != ButtonDialog::None && !answers.empty()) {
        const std::string answer = std::move(answers.front());
        answers.pop_front();
        if (!answer.empty())
          if (const std::string why = refusal(dialog, answer); !why.empty())
            throw UsageError("--choose " + answer + ": " + why + " of " +
                             std::string(form.control(action.control).name));
      }
    } else if (option == "--choose") {
      action.type = Action::Type::Choose;
      action.value = value;
      answers.push_back(value);
    } else if (option == "--print") {
      action.type = Action::Type::Print;
      action.control = control_named(option, value);
    } else if (option == "--save-drawing") {
      action.type = Action::Type::SaveDrawing;
      action.value = value;
    } else {
      action.type = option == "--export-csv"    ? Action::Type::ExportCsv
                    : option == "--export-json" ? Action::Type::ExportJson
                                                : Action::Type::SaveMap;
      action.value = value;
    }
    actions.push_back(std::move(action));
  }
  return actions;
}

// A file the driver writes (drawing, map, exports) is an output file like a
// report: it never replaces a file the form names, a read-only file or
// anything but a disk file. The path to write, the old file gone.
std::string output_path(DriverContext& program, const std::string& path) {
  const Form& form = program.form;
  std::vector<std::string> named;
  for (int i = 0; i < form.control_count(); ++i)
    if (form.control(i).kind == ControlKind::Edit) named.push_back(form.text(ControlRef{i}));
  check_not_input(path, named);
  return clear_output(program.files, path);
}

void run_action(DriverContext& program, const Action& action, std::ostream& out) {
  Form& form = program.form;
  const ControlRef control{action.control};
  switch (action.type) {
    case Action::Type::Set:
      form.set_text(control, action.value);
      break;
    case Action::Type::Click:
      form.raise_event(action.control, "ON");
      break;
    case Action::Type::Choose:
      program.dialogs.answers.push_back(action.value);
      break;
    case Action::Type::Print:
      out << form.text(control) << '\n';
      break;
    case Action::Type::SaveDrawing:
      if (!program.surface.save_png(output_path(program, action.value)))
        throw UsageError("--save-drawing " + action.value + ": cannot write drawing");
      break;
    case Action::Type::ExportCsv:
    case Action::Type::ExportJson:
    case Action::Type::SaveMap: {
      const std::string option = action.type == Action::Type::ExportCsv    ? "--export-csv"
                                 : action.type == Action::Type::ExportJson ? "--export-json"
                                                                           : "--save-map";
      Exports& exports = *program.exports;
      if (!exports.has_run())
        throw UsageError(option + " " + action.value + ": no completed " +
                         std::string(exports.run_name()) + " run before it");
      const std::string target = output_path(program, action.value);
      if (action.type == Action::Type::ExportCsv) {
        exports.write_csv(target);
      } else if (action.type == Action::Type::ExportJson) {
        exports.write_json(target);
      } else if (!program.save_map || !program.save_map(exports.map(), target)) {
        throw UsageError("--save-map " + action.value + ": cannot write map");
      }
      break;
    }
  }
  form.run_pending();
}

}  // namespace

std::string ScriptedDialogs::open(std::string_view title, std::string_view initial_name,
                                  std::string_view) {
  check_dialog_arguments(title, initial_name);
  std::string answer = next_answer(answers);
  if (answer == kCancelMarker) return answer;
  // Like the real dialog: the file must exist.
  if (!refusal(ButtonDialog::Open, answer).empty())
    throw UsageError("--choose " + answer + ": no such file for the open dialog \"" +
                     std::string(title) + "\"");
  return full_path(answer);
}

std::string ScriptedDialogs::save(std::string_view title, std::string_view initial_name,
                                  std::string_view) {
  check_dialog_arguments(title, initial_name);
  std::string answer = next_answer(answers);
  if (answer == kCancelMarker) return answer;
  // Like the real dialog: the folder must exist (the file need not).
  std::string full = full_path(answer);
  if (!refusal(ButtonDialog::Save, answer).empty())
    throw UsageError("--choose " + answer + ": no such folder for the save dialog \"" +
                     std::string(title) + "\"");
  return full;
}

namespace {
// Standard output that refused what the run printed: the run has failed.
int output_status(std::string_view name, std::ostream& out, std::ostream& err, int status) {
  out.flush();
  if (!out && status == 0) {
    err << name << ": cannot write to standard output\n";
    return 1;
  }
  return status;
}
}  // namespace

int run_driver(DriverContext& program, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err) {
  const std::string_view name = program.form.desc().program;
  std::vector<Action> actions;
  try {
    std::optional<std::vector<Action>> parsed = parse(program.form, program.exports, args, out);
    if (!parsed) return output_status(name, out, err, 0);
    actions = std::move(*parsed);
  } catch (const UsageError& e) {
    err << name << ": " << e.what() << '\n';
    return 2;
  }

  // What was written stays on disk as it is; the record and the message
  // follow, and the run ends.
  auto report = [&](const RuntimeError& e) {
    program.files.abandon();
    const StatementFiles files = program.form.desc().statement_files;
    try {
      program.records.write(make_record(e, name, files));
    } catch (const std::exception&) {
      // The record is a courtesy: the message below still reports the error.
    }
    err << error_message(name, statement_number(files, e.file(), e.line()), e.code()) << '\n';
    err.flush();
    return 1;
  };
  try {
    for (const Action& action : actions) run_action(program, action, out);
  } catch (const RuntimeError& e) {
    return report(e);
  } catch (const std::bad_alloc&) {
    // Memory that a handler could not have: error 7. Its statement is not
    // known here, so the statement recorded is this one.
    RuntimeError memory(err::kOutOfMemory, Where::current());
    memory.attribute(Operation::Memory);
    return report(memory);
  } catch (const UsageError& e) {
    program.files.abandon();
    err << name << ": " << e.what() << '\n';
    return 2;
  }
  return output_status(name, out, err, 0);
}

}  // namespace frame

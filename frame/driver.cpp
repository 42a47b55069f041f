// The headless command line: the user's actions on the form, given as
// arguments, run in order against the program's own handlers.
#include "frame/driver.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <system_error>

namespace frame {

namespace {

namespace fs = std::filesystem;

std::string full_path(const std::string& path) {
  std::error_code ec;
  fs::path full = fs::absolute(path, ec);
  if (ec) return path;
  return full.lexically_normal().string();
}

// The next answer; an empty --choose answer stands for a cancelled dialog.
std::string next_answer(std::deque<std::string>& answers) {
  if (answers.empty()) return kCancelMarker;
  std::string answer = std::move(answers.front());
  answers.pop_front();
  if (answer.empty()) return kCancelMarker;
  return answer;
}

std::string_view kind_name(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit: return "edit";
    case ControlKind::Static: return "static";
    case ControlKind::Button: return "button";
  }
  return "?";
}

struct Action {
  enum class Type { Set, Click, Choose, Print, SaveDrawing, ExportCsv, ExportJson, SaveMap } type;
  int control = -1;
  std::string value;
};

void print_help(const Form& form, const Exports* exports, std::ostream& out) {
  const std::string_view program = form.desc().program;
  out << "usage: " << program << " ACTION...\n"
      << "Runs the " << program << " form without a window. The actions run in order,\n"
      << "each followed by every event it raised (a click's handler, the CHANGE of a\n"
      << "field a handler set).\n"
      << "  --set NAME=TEXT   set a control's text (an edit field raises its CHANGE)\n"
      << "  --click NAME      click a button\n"
      << "  --choose PATH     answer the next file dialog with PATH (\"\" cancels;\n"
      << "                    a dialog without an answer is cancelled)\n"
      << "  --print NAME      write the control's text and a newline\n"
      << "  --save-drawing F  write the form's drawing as a PNG file\n";
  if (exports) {
    out << "  --export-csv F    write the table of the last completed " << exports->run_name()
        << " run as CSV\n"
        << "  --export-json F   write everything the last completed " << exports->run_name()
        << " run knows as JSON\n";
    if (exports->has_map())
      out << "  --save-map F      write the swing map of the last completed "
          << exports->run_name() << " run as PNG\n";
  }
  out
      << "  --help            this text\n"
      << "Exit status: 0 done, 1 run-time error (message on stderr), 2 usage error.\n"
      << "Controls (NAME is the name or the alias):\n";
  std::size_t name_width = 4, alias_width = 5;
  for (int i = 0; i < form.control_count(); ++i) {
    name_width = std::max(name_width, form.control(i).name.size());
    alias_width = std::max(alias_width, form.control(i).alias.size());
  }
  auto pad = [&out](std::string_view s, std::size_t width) {
    out << s << std::string(width - s.size() + 2, ' ');
  };
  out << "  ";
  pad("NAME", name_width);
  pad("ALIAS", alias_width);
  pad("KIND", 6);
  out << "INITIAL TEXT\n";
  for (int i = 0; i < form.control_count(); ++i) {
    const ControlDesc& c = form.control(i);
    out << "  ";
    pad(c.name, name_width);
    pad(c.alias.empty() ? std::string_view("-") : c.alias, alias_width);
    pad(kind_name(c.kind), 6);
    out << '"' << c.caption << "\"\n";
  }
}

// Reads the whole command line before anything runs, so that a mistake
// anywhere in it leaves the form and the disk untouched.
// Returns nullopt after --help (the help text has been written).
std::optional<std::vector<Action>> parse(const Form& form, const Exports* exports,
                                         const std::vector<std::string>& args,
                                         std::ostream& out) {
  std::vector<Action> actions;
  auto control_named = [&form](const std::string& option, std::string_view name) {
    std::optional<int> index = form.find(name);
    if (!index)
      throw UsageError(option + ": the form has no control named \"" + std::string(name) + "\"");
    return *index;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      print_help(form, exports, out);
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
      if (eq == std::string::npos)
        throw UsageError("--set " + value + ": expected NAME=TEXT");
      action.type = Action::Type::Set;
      action.control = control_named(option, std::string_view(value).substr(0, eq));
      action.value = value.substr(eq + 1);
    } else if (option == "--click") {
      action.type = Action::Type::Click;
      action.control = control_named(option, value);
      if (form.control(action.control).kind != ControlKind::Button)
        throw UsageError("--click " + value + ": " + std::string(form.control(action.control).name) +
                         " is not a button");
    } else if (option == "--choose") {
      action.type = Action::Type::Choose;
      action.value = value;
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

void run_action(DriverContext& program, const Action& action, std::ostream& out) {
  Form& form = program.form;
  const ControlRef control{action.control};
  switch (action.type) {
    case Action::Type::Set: form.set_text(control, action.value); break;
    case Action::Type::Click: form.raise_event(action.control, "ON"); break;
    case Action::Type::Choose: program.dialogs.answers.push_back(action.value); break;
    case Action::Type::Print: out << form.text(control) << '\n'; break;
    case Action::Type::SaveDrawing:
      if (!program.surface.save_png(action.value))
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
      if (action.type == Action::Type::ExportCsv) {
        exports.write_csv(action.value);
      } else if (action.type == Action::Type::ExportJson) {
        exports.write_json(action.value);
      } else if (!program.save_map || !program.save_map(exports.map(), action.value)) {
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
  std::error_code ec;
  if (!fs::is_regular_file(answer, ec))
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
  std::error_code ec;
  if (!fs::is_directory(fs::path(full).parent_path(), ec) || fs::is_directory(full, ec))
    throw UsageError("--choose " + answer + ": no such folder for the save dialog \"" +
                     std::string(title) + "\"");
  return full;
}

int run_driver(DriverContext& program, const std::vector<std::string>& args,
               std::ostream& out, std::ostream& err) {
  const std::string_view name = program.form.desc().program;
  std::vector<Action> actions;
  try {
    std::optional<std::vector<Action>> parsed = parse(program.form, program.exports, args, out);
    if (!parsed) return 0;
    actions = std::move(*parsed);
  } catch (const UsageError& e) {
    err << name << ": " << e.what() << '\n';
    return 2;
  }

  // What was written stays on disk as it is; the record and the message
  // follow, and the run ends.
  auto report = [&](const RuntimeError& e) {
    program.files.abandon();
    try {
      program.records.write(make_record(e, name));
    } catch (const std::exception&) {
      // The record is a courtesy: the message below still reports the error.
    }
    err << error_message(name, e.line(), e.code()) << '\n';
    err.flush();
    return 1;
  };
  try {
    for (const Action& action : actions) run_action(program, action, out);
  } catch (const RuntimeError& e) {
    return report(e);
  } catch (const std::bad_alloc&) {
    // Memory that a handler could not have: error 7. Its statement is not
    // known here, so the line recorded is this one.
    return report(RuntimeError(err::kOutOfMemory, Where::current()));
  } catch (const UsageError& e) {
    program.files.abandon();
    err << name << ": " << e.what() << '\n';
    return 2;
  }
  out.flush();
  return 0;
}

}  // namespace frame

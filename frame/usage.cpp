#include "frame/usage.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace frame {

namespace {

// Column where an option's text starts in --help.
constexpr std::size_t kOptionColumn = 20;

std::string option_with_argument(const DriverOption& o) {
  std::string s(o.option);
  if (!o.argument.empty()) s.append(" ").append(o.argument);
  return s;
}

// Text for roff: backslashes and hyphens escaped, a leading dot or quote
// guarded so that it is not read as a request.
std::string roff(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

// Each line of a '\n'-separated text as its own roff line.
void roff_lines(std::string_view text, std::ostream& out) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    out << roff(text.substr(0, end)) << '\n';
    text.remove_prefix(std::min(end + 1, text.size()));
  }
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace

std::string_view kind_name(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return "edit";
    case ControlKind::Static:
      return "static";
    case ControlKind::Button:
      return "button";
  }
  return "?";
}

void write_help(const FormDesc& form, std::ostream& out, OptionSet set) {
  const std::string_view program = form.program;
  out << "usage: " << program << " ACTION...\n"
      << "Runs the " << program << " form without a window. The actions run in order,\n"
      << "each followed by every event it raised (a click's handler, the CHANGE of a\n"
      << "field a handler set).\n";
  for (const DriverOption& o : kDriverOptions) {
    if (!set.has(o.scope)) continue;
    const std::string head = "  " + option_with_argument(o);
    out << head << std::string(kOptionColumn - head.size(), ' ');
    std::string_view text = o.text;
    for (std::size_t nl; (nl = text.find('\n')) != std::string_view::npos;) {
      out << text.substr(0, nl) << '\n' << std::string(kOptionColumn, ' ');
      text.remove_prefix(nl + 1);
    }
    out << text << '\n';
  }
  out << "Exit status:";
  for (std::size_t i = 0; i < kExitStatuses.size(); ++i)
    out << (i ? ", " : " ") << kExitStatuses[i].status << ' ' << kExitStatuses[i].meaning;
  out << ".\n"
      << "Environment: " << kThreadsVariable << "=N, " << kThreadsText << ".\n"
      << "Controls (NAME is the name or the alias):\n";
  std::size_t name_width = 4, alias_width = 5;
  for (const ControlDesc& c : form.controls) {
    name_width = std::max(name_width, c.name.size());
    alias_width = std::max(alias_width, c.alias.size());
  }
  auto pad = [&out](std::string_view s, std::size_t width) {
    out << s << std::string(width - s.size() + 2, ' ');
  };
  out << "  ";
  pad("NAME", name_width);
  pad("ALIAS", alias_width);
  pad("KIND", 6);
  out << "INITIAL TEXT\n";
  for (const ControlDesc& c : form.controls) {
    out << "  ";
    pad(c.name, name_width);
    pad(c.alias.empty() ? std::string_view("-") : c.alias, alias_width);
    pad(kind_name(c.kind), 6);
    out << '"' << c.caption << "\"\n";
  }
}

void write_manual(const FormDesc& form, const ManualText& text, std::ostream& out) {
  const std::string program = roff(form.program);
  out << ".TH " << upper(form.program) << " 1 \"\" \"" << roff(form.program) << ' '
      << roff(text.version) << "\" \"User Commands\"\n"
      << ".SH NAME\n"
      << program << " \\- " << roff(text.summary) << '\n'
      << ".SH SYNOPSIS\n"
      << ".B " << program << "\n.br\n"
      << ".B " << program << "\n.IR ACTION ...\n"
      << ".SH DESCRIPTION\n";
  roff_lines(text.description, out);
  out << ".PP\n"
      << "Without arguments " << program << " opens its window. With arguments it runs the\n"
      << "form without a window: the actions run in order, each followed by every\n"
      << "event it raised (a click's handler, the CHANGE of a field a handler set).\n"
      << "The whole command line is checked before the first action runs.\n"
      << ".SH OPTIONS\n";
  for (const DriverOption& o : kDriverOptions) {
    if (!text.options.has(o.scope)) continue;
    out << ".TP\n" << (o.argument.empty() ? ".B " : ".BI ") << roff(o.option);
    if (!o.argument.empty()) out << " \" " << roff(o.argument) << '"';
    out << '\n';
    roff_lines(o.option == "--help" ? "write the usage text and the list of controls" : o.text,
               out);
  }
  out << ".SH CONTROLS\n"
      << "Every control of the form, in the form's order. NAME in an action is the\n"
      << "control's name or its alias, either matched without regard to case.\n";
  for (const ControlDesc& c : form.controls) {
    out << ".TP\n.BR " << roff(c.name);
    if (!c.alias.empty()) out << " \" (" << roff(c.alias) << ")\"";
    out << '\n'
        << kind_name(c.kind) << (c.kind == ControlKind::Static ? " text" : "")
        << (c.kind == ControlKind::Edit ? " field" : "");
    if (c.kind == ControlKind::Edit) {
      out << ", at most " << c.max_length << " typed characters"
          << (c.digits_only ? ", digits only" : "");
    }
    out << "; initial text \"" << roff(c.caption) << "\"\n";
  }
  out << ".SH EXIT STATUS\n";
  for (const ExitStatus& s : kExitStatuses)
    out << ".TP\n.B " << s.status << '\n' << roff(s.meaning) << '\n';
  out << ".SH ENVIRONMENT\n"
      << ".TP\n.B " << kThreadsVariable << '\n'
      << roff(kThreadsText) << '\n'
      << ".SH FILES\n"
      << "The last run-time error is recorded per user under\n"
      << ".I $XDG_CONFIG_HOME\n"
      << "(by default\n.IR ~/.config ),\n"
      << "with the values MODL, LINE, CODE, FUNC, INFO, TIME, MODE, RTL and APIERR.\n"
      << ".SH EXAMPLE\n"
      << ".nf\n";
  roff_lines(text.example, out);
  out << ".fi\n";
}

}  // namespace frame

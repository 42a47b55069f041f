// What every file dialog does before it is shown, and the Refer pattern.
#include "frame/dialogs.h"

#include <filesystem>
#include <system_error>

#include "frame/paths.h"

namespace frame {

namespace {

bool is_folder_separator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

InitialName split_initial_name(std::string_view initial_name) {
  InitialName result;
  const std::size_t last = initial_name.find_last_of("\\/:");
  if (last == std::string_view::npos) {
    result.name = std::string(initial_name);
    return result;  // no folder: the dialog opens in the current directory
  }
  result.name = std::string(initial_name.substr(last + 1));
  std::string folder(initial_name.substr(0, last + 1));
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(utf8_path(folder), ec);
  if (!ec) folder = utf8_string(full);
  // "C:\" keeps its separator, "C:\data\" loses it; so does a POSIX folder,
  // except the root itself.
  if (folder.size() > 1 && is_folder_separator(folder.back()) && folder[folder.size() - 2] != ':')
    folder.pop_back();
  result.folder = std::move(folder);
  return result;
}

std::vector<DialogFilter> parse_filter(std::string_view filter) {
  std::vector<DialogFilter> filters;
  std::size_t pos = 0;
  while (pos < filter.size()) {
    // An entry ends at a ";" outside its parentheses.
    std::size_t end = pos;
    int depth = 0;
    for (; end < filter.size(); ++end) {
      const char c = filter[end];
      if (c == '(')
        ++depth;
      else if (c == ')' && depth > 0)
        --depth;
      else if (c == ';' && depth == 0)
        break;
    }
    const std::string_view entry = filter.substr(pos, end - pos);
    pos = end + 1;
    if (entry.empty()) continue;

    DialogFilter f;
    const std::size_t open = entry.find('(');
    const std::size_t close =
        open == std::string_view::npos ? std::string_view::npos : entry.find(')', open);
    if (close == std::string_view::npos) {
      f.description = std::string(entry);  // no pattern list: shows every file
      filters.push_back(std::move(f));
      continue;
    }
    f.description = std::string(entry.substr(0, close + 1));
    std::string pattern;
    for (char c : entry.substr(open + 1, close - open - 1)) {
      if (c == ' ' || c == '\t') continue;
      if (c == ';' || c == ',') {
        if (!pattern.empty()) f.patterns.push_back(std::move(pattern));
        pattern.clear();
        continue;
      }
      pattern += c;
    }
    if (!pattern.empty()) f.patterns.push_back(std::move(pattern));
    filters.push_back(std::move(f));
  }
  return filters;
}

void check_dialog_arguments(std::string_view title, std::string_view initial_name, Where where) {
  if (title.size() > kMaxDialogTitle || initial_name.size() > kMaxDialogPath)
    raise(err::kInvalidCall, Operation::FileDialog, where);
}

std::optional<std::string> choose_file(FileDialogs& dialogs, DialogKind kind,
                                       std::string_view title, std::string_view initial_name,
                                       std::string_view filter, Where where) {
  check_dialog_arguments(title, initial_name, where);
  std::string chosen = kind == DialogKind::Open ? dialogs.open(title, initial_name, filter)
                                                : dialogs.save(title, initial_name, filter);
  if (chosen == kCancelMarker) return std::nullopt;
  return chosen;
}

bool refer(Form& form, FileDialogs& dialogs, DialogKind kind, std::string_view title,
           std::string_view initial_name, std::string_view filter, ControlRef target, Where where) {
  std::optional<std::string> chosen =
      choose_file(dialogs, kind, title, initial_name, filter, where);
  if (!chosen) return false;
  // The whole path, even beyond the field's maximum length: that limits typing only.
  form.set_text(target, std::move(*chosen));
  return true;
}

}  // namespace frame

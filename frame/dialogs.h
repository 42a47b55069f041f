// The file dialogs as an interface, the logic shared by every implementation,
// and the "Refer" pattern of the Refer, LOAD and SAVE handlers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frame/errors.h"
#include "frame/form.h"

namespace frame {

// What a dialog returns when the user cancels: the one-character text whose
// only character has code 27.
inline const std::string kCancelMarker = std::string(1, '\x1b');

inline constexpr std::size_t kMaxDialogTitle = 64;
inline constexpr std::size_t kMaxDialogPath = 260;

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // Lets the user choose an existing file; the full path or kCancelMarker.
  virtual std::string open(std::string_view title, std::string_view initial_name,
                           std::string_view filter) = 0;
  // Lets the user choose a file to write; the full path or kCancelMarker.
  virtual std::string save(std::string_view title, std::string_view initial_name,
                           std::string_view filter) = 0;
};

// The initial name split at its last "\" or ":" (a "/" counts as "\" too):
// the folder part made absolute against the current directory (empty when
// there is none), a trailing separator removed unless it follows a drive
// colon; and the name part that goes into the file-name box.
struct InitialName {
  std::string folder;
  std::string name;
};
InitialName split_initial_name(std::string_view initial_name);

// One filter of a dialog: "Setting Data(*.ini)" gives the description
// "Setting Data(*.ini)" and the patterns {"*.ini"}. Entries are separated by
// ";"; inside the parentheses blanks and tabs are removed and "," becomes ";".
struct DialogFilter {
  std::string description;
  std::vector<std::string> patterns;
};
std::vector<DialogFilter> parse_filter(std::string_view filter);

// Title over 64 or initial name over 260 characters: error 5.
void check_dialog_arguments(std::string_view title, std::string_view initial_name,
                            Where where = Where::current());

enum class DialogKind { Open, Save };

// The Refer pattern: shows the dialog and, unless it was cancelled, sets the
// target field to the chosen full path. Returns whether a path was chosen.
bool refer(Form& form, FileDialogs& dialogs, DialogKind kind, std::string_view title,
           std::string_view initial_name, std::string_view filter, ControlRef target,
           Where where = Where::current());

// Shows the dialog; the chosen path, or an empty optional on cancel.
std::optional<std::string> choose_file(FileDialogs& dialogs, DialogKind kind,
                                       std::string_view title, std::string_view initial_name,
                                       std::string_view filter, Where where = Where::current());

}  // namespace frame

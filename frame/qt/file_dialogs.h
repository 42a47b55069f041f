// The open and save dialogs of the window, on QFileDialog.
#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

#include "frame/dialogs.h"

namespace frame::qt {

// Both dialogs are modal to the main form, open in the folder of the initial
// name (the current directory when it has none) with its name part in the
// file-name box, offer the parsed filters with the first selected, and never
// change the program's current directory. The open dialog takes existing
// files only; the save dialog asks before an existing file is chosen.
class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void set_owner(QWidget* owner) { owner_ = owner; }

  std::string open(std::string_view title, std::string_view initial_name,
                   std::string_view filter) override;
  std::string save(std::string_view title, std::string_view initial_name,
                   std::string_view filter) override;

 private:
  std::string show(bool save, std::string_view title, std::string_view initial_name,
                   std::string_view filter);
  QPointer<QWidget> owner_;
};

// The dialog's name filters from a filter text: "Setting Data(*.ini)" gives
// "Setting Data(*.ini) (*.ini)", the shown description followed by the
// patterns in the form QFileDialog reads. Outside Windows "*.*" is "*": every
// file, with or without an extension.
QStringList name_filters(std::string_view filter);

// Sets a dialog up as the open (save false) or save dialog of a filter text
// and initial name: modes, options, filters (each description shown once, the
// first selected) and the name part of the initial name in the file-name box.
void configure_dialog(QFileDialog& dialog, bool save, std::string_view initial_name,
                      std::string_view filter);

}  // namespace frame::qt

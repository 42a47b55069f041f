#include "frame/qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>

namespace frame::qt {

namespace {
QString from_bytes(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// "*.*" means every file. Qt takes it literally outside Windows (names with
// a dot), so there it becomes "*".
QString file_pattern(std::string_view pattern) {
#ifndef Q_OS_WIN
  if (pattern == "*.*") return QStringLiteral("*");
#endif
  return from_bytes(pattern);
}
}  // namespace

QStringList name_filters(std::string_view filter) {
  QStringList filters;
  for (const DialogFilter& f : parse_filter(filter)) {
    QStringList patterns;
    for (const std::string& p : f.patterns) patterns << file_pattern(p);
    // QFileDialog takes the patterns from the last parenthesised list, and
    // with HideNameFilterDetails shows only the text before it.
    filters << from_bytes(f.description) + QStringLiteral(" (") + patterns.join(u' ') +
                   QStringLiteral(")");
  }
  return filters;
}

void configure_dialog(QFileDialog& dialog, bool save, std::string_view initial_name,
                      std::string_view filter) {
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Open: the file and its folder must exist. Save: any name in an existing
  // folder, with the dialog's own question before an existing file.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  const QStringList filters = name_filters(filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
  }
  // The name part ("*.ini", "tarvex.txt") goes into the file-name box.
  const InitialName initial = split_initial_name(initial_name);
  if (!initial.name.empty()) dialog.selectFile(file_pattern(initial.name));
}

std::string QtFileDialogs::open(std::string_view title, std::string_view initial_name,
                                std::string_view filter) {
  return show(false, title, initial_name, filter);
}

std::string QtFileDialogs::save(std::string_view title, std::string_view initial_name,
                                std::string_view filter) {
  return show(true, title, initial_name, filter);
}

std::string QtFileDialogs::show(bool save, std::string_view title, std::string_view initial_name,
                                std::string_view filter) {
  check_dialog_arguments(title, initial_name);
  const InitialName initial = split_initial_name(initial_name);
  const QString folder = initial.folder.empty() ? QDir::currentPath() : from_bytes(initial.folder);

  QFileDialog dialog(owner_, from_bytes(title), folder);
  dialog.setWindowModality(Qt::ApplicationModal);
  configure_dialog(dialog, save, initial_name, filter);

  // The dialog never moves the program's current directory; keep it safe
  // from platform dialogs that would.
  const QString current = QDir::currentPath();
  // The dialog takes input while the handler waits for it: an arrow over
  // it, not the handler's busy cursor.
  QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = dialog.exec();
  QGuiApplication::restoreOverrideCursor();
  if (QDir::currentPath() != current) QDir::setCurrent(current);
  if (result != QDialog::Accepted) return kCancelMarker;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return kCancelMarker;
  const QByteArray path =
      QDir::toNativeSeparators(QFileInfo(chosen.front()).absoluteFilePath()).toUtf8();
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

}  // namespace frame::qt

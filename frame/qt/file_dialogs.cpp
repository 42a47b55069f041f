#include "frame/qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

namespace frame::qt {

namespace {
QString from_bytes(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

QStringList name_filters(std::string_view filter) {
  QStringList filters;
  for (const DialogFilter& f : parse_filter(filter)) {
    QStringList patterns;
    for (const std::string& p : f.patterns) patterns << from_bytes(p);
    // QFileDialog takes the patterns from the last parenthesised list.
    filters << from_bytes(f.description) + QStringLiteral(" (") + patterns.join(u' ') +
                   QStringLiteral(")");
  }
  return filters;
}

std::string QtFileDialogs::open(std::string_view title, std::string_view initial_name,
                                std::string_view filter) {
  return show(false, title, initial_name, filter);
}

std::string QtFileDialogs::save(std::string_view title, std::string_view initial_name,
                                std::string_view filter) {
  return show(true, title, initial_name, filter);
}

std::string QtFileDialogs::show(bool save, std::string_view title,
                                std::string_view initial_name, std::string_view filter) {
  check_dialog_arguments(title, initial_name);
  const InitialName initial = split_initial_name(initial_name);
  const QString folder =
      initial.folder.empty() ? QDir::currentPath() : from_bytes(initial.folder);

  QFileDialog dialog(owner_, from_bytes(title), folder);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Open: the file and its folder must exist. Save: any name in an existing
  // folder, with the dialog's own question before an existing file.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setOption(QFileDialog::ReadOnly, false);
  const QStringList filters = name_filters(filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
  }
  // The name part ("*.ini", "tarvex.txt") goes into the file-name box.
  if (!initial.name.empty()) dialog.selectFile(from_bytes(initial.name));

  // The dialog never moves the program's current directory; keep it safe
  // from platform dialogs that would.
  const QString current = QDir::currentPath();
  const int result = dialog.exec();
  if (QDir::currentPath() != current) QDir::setCurrent(current);
  if (result != QDialog::Accepted) return kCancelMarker;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return kCancelMarker;
  const QByteArray path = QDir::toNativeSeparators(QFileInfo(chosen.front()).absoluteFilePath())
                              .toUtf8();
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

}  // namespace frame::qt

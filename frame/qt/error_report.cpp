#include "frame/qt/error_report.h"

#include <QMessageBox>
#include <QSettings>
#include <iostream>

#include "frame/platform/files.h"

namespace frame::qt {

namespace {
QString from_bytes(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

void SettingsErrorStore::write(const ErrorRecord& record) {
  // Without a home folder the settings would go to a folder below the root.
  if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") && platform::home_folder().empty()) {
    std::cerr << application_.toStdString()
              << ": no home folder: the last-error record is not kept\n";
    return;
  }
  QSettings settings(QString::fromLatin1(kRecordOrganisation), application_);
  settings.beginGroup(QString::fromLatin1(kRecordGroup));
  settings.setValue(QStringLiteral("MODL"), from_bytes(record.modl));
  settings.setValue(QStringLiteral("LINE"), record.line);
  settings.setValue(QStringLiteral("CODE"), record.code);
  settings.setValue(QStringLiteral("FUNC"), record.func);
  settings.setValue(QStringLiteral("INFO"), record.info);
  settings.setValue(QStringLiteral("TIME"), from_bytes(record.time));
  settings.setValue(QStringLiteral("MODE"), record.mode.empty() ? QString::fromLatin1(kRecordMode)
                                                                : from_bytes(record.mode));
  settings.setValue(QStringLiteral("RTL"),
                    record.rtl.empty() ? QString::fromLatin1(kRecordRtl) : from_bytes(record.rtl));
  settings.setValue(QStringLiteral("APIERR"), record.apierr);
  settings.endGroup();
  settings.sync();  // on disk before the box is shown
}

QFont error_box_font(const QFont& base) {
  QFont font = base;
  QStringList families = base.families();
  if (families.isEmpty()) families << base.family();
  families << kJapaneseFaces;
  font.setFamilies(families);
  return font;
}

QString error_box_title(std::string_view program) {
  return from_bytes(program) + QStringLiteral(".EXE");
}

void show_error_box(QWidget* owner, const QString& title, const QString& message, int code) {
  for (;;) {
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok | QMessageBox::Help,
                    owner);
    box.setFont(error_box_font(box.font()));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    if (box.exec() != QMessageBox::Help) return;
    const std::string_view help = catalogue_text(code);
    QMessageBox::information(
        owner, title,
        help.empty() ? QStringLiteral("No explanation is available.") : from_bytes(help));
  }
}

}  // namespace frame::qt

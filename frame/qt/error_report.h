// The per-user record of the last run-time error (QSettings: the registry on
// Windows, a per-user file elsewhere) and the warning box that reports one.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

#include "frame/errors.h"

class QWidget;

namespace frame::qt {

// The record lives under organisation "cycle_tools", application = program
// name, group "LastError", with the values MODL, LINE, CODE, FUNC, INFO,
// TIME, MODE, RTL and APIERR.
inline constexpr const char* kRecordOrganisation = "cycle_tools";
inline constexpr const char* kRecordGroup = "LastError";

class SettingsErrorStore : public ErrorRecordStore {
 public:
  explicit SettingsErrorStore(QString application) : application_(std::move(application)) {}
  void write(const ErrorRecord& record) override;

 private:
  QString application_;
};

// What the program identifies its runtime with in the record.
inline constexpr const char* kRecordMode = "Qt6 Widgets";
inline constexpr const char* kRecordRtl = "cycle_tools frame";

// The faces the warning box falls back to for its Japanese text ("行",
// "エラー") where its own face has no such characters; the package depends
// on one of them.
inline const QStringList kJapaneseFaces = {
    QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"), QStringLiteral("VL Gothic")};
QFont error_box_font(const QFont& base);

// The title of the warning box: the program name followed by ".EXE".
QString error_box_title(std::string_view program);

// Shows the warning box: the message, OK and Help. Help shows the catalogue's
// line for the code (or says there is none) and returns to the box; the box
// ends with OK or its close box.
void show_error_box(QWidget* owner, const QString& title, const QString& message, int code);

}  // namespace frame::qt

// The start-up of both programs where the build has the Qt window: without
// arguments the window, with arguments the headless driver on an image
// surface (so --save-drawing writes a PNG), always on Qt's offscreen
// platform: a run with arguments never needs a display.
#include <QApplication>
#include <QGuiApplication>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "frame/driver.h"
#include "frame/platform/files.h"
#include "frame/platform/platform.h"
#include "frame/program.h"
#include "frame/qt/error_report.h"
#include "frame/qt/file_dialogs.h"
#include "frame/qt/image_surface.h"
#include "frame/qt/main_window.h"
#include "frame/qt/swing_map_window.h"

namespace frame {

namespace {

// The driver's output is the program's own: Qt's notes about fonts or the
// platform would only mix into it.
void quiet_messages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::cerr << message.toLocal8Bit().constData() << '\n';
  }
}

int run_headless(const FormDesc& desc, const ProgramFactory& factory,
                 const std::vector<std::string>& args, const char* argv0) {
  // Whatever platform the environment names: one without a display would
  // end the process before the driver could run.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quiet_messages);
  int qt_argc = 1;
  char* qt_argv[] = {const_cast<char*>(argv0), nullptr};
  QGuiApplication app(qt_argc, qt_argv);

  const QString name =
      QString::fromUtf8(desc.program.data(), static_cast<qsizetype>(desc.program.size()));
  qt::SettingsErrorStore records(name);
  ScriptedDialogs dialogs;
  const QSize size = qt::client_size(desc);
  qt::ImageSurface surface(size.width(), size.height());
  std::unique_ptr<Program> program;
  try {
    program = factory(dialogs, surface);
  } catch (const RuntimeError& error) {
    // The start-up code failed (a control name the form lacks): reported
    // like any run-time error.
    const ErrorRecord record = make_record(error, desc.program, desc.statement_files);
    records.write(record);
    std::cerr << error_message(desc.program, record.line, error.code()) << '\n';
    return 1;
  }
  DriverContext context{program->form(),      dialogs, surface,
                        program->files(),     records, program->exports(),
                        qt::save_heat_map_png};
  return run_driver(context, args, std::cout, std::cerr);
}

// Whether a window can be opened at all: on X11 and Wayland desktops the
// display is named in the environment; elsewhere the platform always has one.
bool has_display() {
#if defined(__unix__) && !defined(__APPLE__)
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

int run_window(const FormDesc& desc, const ProgramFactory& factory, const char* argv0) {
  if (!has_display()) {
    std::cerr << desc.program << ": no display to open the window on; give actions on the"
              << " command line (see " << desc.program << " --help)\n";
    return 2;
  }
  int qt_argc = 1;
  char* qt_argv[] = {const_cast<char*>(argv0), nullptr};
  QApplication app(qt_argc, qt_argv);
  QFont::insertSubstitution(
      QString::fromUtf8(kControlFont.data(), static_cast<qsizetype>(kControlFont.size())),
      QStringLiteral("Liberation Mono"));

  const QString name =
      QString::fromUtf8(desc.program.data(), static_cast<qsizetype>(desc.program.size()));
  qt::SettingsErrorStore records(name);
  qt::QtFileDialogs dialogs;
  const QSize size = qt::client_size(desc);
  qt::ImageSurface surface(size.width(), size.height());
  std::unique_ptr<Program> program;
  try {
    program = factory(dialogs, surface);
  } catch (const RuntimeError& error) {
    ErrorRecord record = make_record(error, desc.program, desc.statement_files);
    record.mode = qt::kRecordMode;  // the window's runtime, not the driver's
    record.rtl = qt::kRecordRtl;
    records.write(record);
    qt::show_error_box(
        nullptr, qt::error_box_title(desc.program),
        QString::fromStdString(error_message(desc.program, record.line, error.code())),
        error.code());
    return 1;
  }

  qt::MainWindow window(*program, surface, records);
  dialogs.set_owner(&window);
  window.show();
  const int status = app.exec();
  return window.ended() ? window.exit_status() : status;
}

}  // namespace

int program_main(int argc, char** argv, const FormDesc& desc, ProgramFactory factory) {
  platform::prepare_process();
  const char* argv0 = argc > 0 ? argv[0] : desc.program.data();
  if (argc > 1) {
    return run_headless(desc, factory, platform::arguments(argc, argv), argv0);
  }
  return run_window(desc, factory, argv0);
}

}  // namespace frame

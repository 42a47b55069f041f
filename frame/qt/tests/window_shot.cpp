// Takes a picture of a program's window after a run on the example files,
// for the documentation. Run from the repository's top folder:
//   window_shot tarvex docs/tarvex-window.png
//   window_shot mulrin docs/mulrin-window.png
// The fields are typed and the buttons clicked as a user would.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <string>

#include "frame/qt/error_report.h"
#include "frame/qt/file_dialogs.h"
#include "frame/qt/main_window.h"
#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"

namespace {

struct NoRecord : frame::ErrorRecordStore {
  void write(const frame::ErrorRecord&) override {}
};

void type(frame::qt::MainWindow& window, const char* name, const char* text) {
  auto* field = qobject_cast<QLineEdit*>(window.control(name));
  field->setFocus();
  QTest::keyClicks(field, QString::fromUtf8(text));
}

void click(frame::qt::MainWindow& window, const char* name) {
  QTest::mouseClick(qobject_cast<QPushButton*>(window.control(name)), Qt::LeftButton);
  QTest::qWait(50);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_shot tarvex|mulrin OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
  const std::string which = argv[1];
  const bool tarvex = which == "tarvex";
  const frame::FormDesc& desc = tarvex ? tarvex::kForm : mulrin::kForm;
  const QSize size = frame::qt::client_size(desc);
  frame::qt::ImageSurface surface(size.width(), size.height());
  frame::qt::QtFileDialogs dialogs;
  NoRecord records;
  auto program = tarvex ? tarvex::make_app(dialogs, surface) : mulrin::make_app(dialogs, surface);
  frame::qt::MainWindow window(*program, surface, records);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  if (tarvex) {
    type(window, "EDIT1", "#");
    type(window, "EDIT2", "9");
    type(window, "EDIT3", "12");
    type(window, "EDIT4", "examples/drift.txt");
    type(window, "EDIT13", "examples/subtract.txt");
    type(window, "EDIT5", "100");
    type(window, "EDIT6", "0");
    qobject_cast<QLineEdit*>(window.control("EDIT7"))->clear();
    type(window, "EDIT7", "2");
    qobject_cast<QLineEdit*>(window.control("EDIT8"))->clear();
    type(window, "EDIT8", "5");
    qobject_cast<QLineEdit*>(window.control("EDIT9"))->clear();
    type(window, "EDIT9", "/tmp/tarvex-shot-report.txt");
    std::remove("/tmp/tarvex-shot-report.txt");
    click(window, "BUTTON3");  // Check
    click(window, "BUTTON4");  // Draw
    click(window, "BUTTON5");  // Calc.: adds the pole marks
  } else {
    type(window, "EDIT3", "#");
    type(window, "EDIT1", "9");
    type(window, "EDIT2", "12");
    type(window, "EDIT4", "examples/drift.txt");
    type(window, "EDIT11", "examples/subtract.txt");
    qobject_cast<QLineEdit*>(window.control("EDIT5"))->clear();
    type(window, "EDIT5", "10");
    type(window, "EDIT6", "256");
    type(window, "EDIT7", "100");
    type(window, "EDIT10", "0");
    type(window, "EDIT8", "5");
    type(window, "EDIT9", "mulrin-report.txt");
    click(window, "BUTTON4");  // Check Data
  }
  if (window.ended()) return 1;
  QTest::qWait(100);
  return window.grab().save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}

// Takes a picture of a program's window after a run on the example files,
// for the documentation. Run from the repository's top folder:
//   window_shot tarvex docs/tarvex-window.png
//   window_shot mulrin docs/mulrin-window.png
//   window_shot mulrin-map docs/swing-map-window.png
// The fields are typed and the buttons clicked as a user would.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "frame/qt/file_dialogs.h"
#include "frame/qt/main_window.h"
#include "frame/qt/swing_map_window.h"
#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"

namespace {

struct NoRecord : frame::ErrorRecordStore {
  void write(const frame::ErrorRecord&) override {}
};

using Steps = std::vector<std::pair<const char*, const char*>>;  // field and text, or button

const Steps kTarvex = {{"EDIT1", "#"}, {"EDIT2", "9"}, {"EDIT3", "12"},
                       {"EDIT4", "examples/drift.txt"}, {"EDIT13", "examples/subtract.txt"},
                       {"EDIT5", "100"}, {"EDIT6", "0"}, {"EDIT7", "2"}, {"EDIT8", "5"},
                       {"EDIT9", "/tmp/tarvex-shot-report.txt"},
                       {"BUTTON3", nullptr}, {"BUTTON4", nullptr}, {"BUTTON5", nullptr}};
const Steps kMulrin = {{"EDIT3", "#"}, {"EDIT1", "9"}, {"EDIT2", "12"},
                       {"EDIT4", "examples/drift.txt"}, {"EDIT11", "examples/subtract.txt"},
                       {"EDIT5", "10"}, {"EDIT6", "256"}, {"EDIT7", "100"}, {"EDIT10", "0"},
                       {"EDIT8", "5"}, {"EDIT9", "mulrin-report.txt"}, {"BUTTON4", nullptr}};
// The same fields, then Calculate, for the swing map's window.
const Steps kMulrinMap = {{"EDIT3", "#"}, {"EDIT1", "9"}, {"EDIT2", "12"},
                          {"EDIT4", "examples/drift.txt"}, {"EDIT11", "examples/subtract.txt"},
                          {"EDIT5", "8"}, {"EDIT6", "64"}, {"EDIT7", "100"}, {"EDIT10", "0"},
                          {"EDIT8", "5"}, {"EDIT9", "/tmp/mulrin-shot-report.txt"},
                          {"BUTTON6", nullptr}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_shot tarvex|mulrin|mulrin-map OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
  const bool tarvex = std::string(argv[1]) == "tarvex";
  const bool map = std::string(argv[1]) == "mulrin-map";
  const QSize size = frame::qt::client_size(tarvex ? tarvex::kForm : mulrin::kForm);
  frame::qt::ImageSurface surface(size.width(), size.height());
  frame::qt::QtFileDialogs dialogs;
  NoRecord records;
  auto program = tarvex ? tarvex::make_app(dialogs, surface) : mulrin::make_app(dialogs, surface);
  frame::qt::MainWindow window(*program, surface, records);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  std::remove("/tmp/tarvex-shot-report.txt");
  for (const auto& [name, text] : tarvex ? kTarvex : map ? kMulrinMap : kMulrin) {
    QWidget* control = window.control(name);
    if (text == nullptr) {
      QTest::mouseClick(qobject_cast<QPushButton*>(control), Qt::LeftButton);
      QTest::qWait(50);
    } else {
      qobject_cast<QLineEdit*>(control)->clear();
      control->setFocus();
      QTest::keyClicks(control, QString::fromUtf8(text));
    }
  }
  if (window.ended()) return 1;
  QTest::qWait(100);
  if (map) {
    window.show_swing_map();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* shown = qobject_cast<frame::qt::SwingMapWindow*>(w)) {
        shown->resize(900, 560);
        if (!QTest::qWaitForWindowExposed(shown)) return 1;
        QTest::qWait(100);
        return shown->grab().save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
      }
    }
    return 1;
  }
  return window.grab().save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}

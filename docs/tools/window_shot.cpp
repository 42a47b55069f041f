// Takes a picture of a program's window after a run on the example files,
// for the documentation. Run from the repository's top folder:
//   window_shot tarvex docs/tarvex-window.png
//   window_shot mulrin docs/mulrin-window.png
//   window_shot tarvex-error docs/tarvex-error.png   (Calc. with no samples per cycle)
//   window_shot tarvex-refer docs/tarvex-refer.png   (Refer in a folder with noext_data)
//   window_shot mulrin-error docs/mulrin-error.png   (Calculate with empty fields)
//   window_shot mulrin-refer docs/mulrin-refer.png
//   window_shot mulrin-map docs/swing-map-window.png   (Calculate, then the swing map)
// The fields are typed and the buttons clicked as a user would; a box or a
// dialog that the click opens is pictured over the window, then closed.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "frame/qt/error_report.h"
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

const Steps kTarvex = {{"EDIT1", "#"},
                       {"EDIT2", "9"},
                       {"EDIT3", "12"},
                       {"EDIT4", "examples/drift.txt"},
                       {"EDIT13", "examples/subtract.txt"},
                       {"EDIT5", "100"},
                       {"EDIT6", "0"},
                       {"EDIT7", "2"},
                       {"EDIT8", "5"},
                       {"EDIT9", "/tmp/tarvex-shot-report.txt"},
                       {"BUTTON3", nullptr},
                       {"BUTTON4", nullptr},
                       {"BUTTON5", nullptr}};
const Steps kMulrin = {{"EDIT3", "#"},
                       {"EDIT1", "9"},
                       {"EDIT2", "12"},
                       {"EDIT4", "examples/drift.txt"},
                       {"EDIT11", "examples/subtract.txt"},
                       {"EDIT5", "10"},
                       {"EDIT6", "256"},
                       {"EDIT7", "100"},
                       {"EDIT10", "0"},
                       {"EDIT8", "5"},
                       {"EDIT9", "mulrin-report.txt"},
                       {"BUTTON4", nullptr}};

// The same fields, then Calculate, for the swing map's window.
const Steps kMulrinMap = {{"EDIT3", "#"},
                          {"EDIT1", "9"},
                          {"EDIT2", "12"},
                          {"EDIT4", "examples/drift.txt"},
                          {"EDIT11", "examples/subtract.txt"},
                          {"EDIT5", "8"},
                          {"EDIT6", "64"},
                          {"EDIT7", "100"},
                          {"EDIT10", "0"},
                          {"EDIT8", "5"},
                          {"EDIT9", "/tmp/mulrin-shot-report.txt"},
                          {"BUTTON6", nullptr}};

const Steps kTarvexError = {{"EDIT4", "examples/drift.txt"}, {"BUTTON5", nullptr}};
const Steps kTarvexRefer = {{"BUTTON2", nullptr}};
const Steps kMulrinError = {{"EDIT4", "examples/drift.txt"}, {"BUTTON6", nullptr}};
const Steps kMulrinRefer = {{"BUTTON3", nullptr}};

// The window with the modal box or dialog that is open over it.
QImage window_with_modal(QWidget& window, QWidget& modal) {
  const QPixmap under = window.grab(), over = modal.grab();
  const QPoint at = modal.mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0));
  const QRect whole = QRect(QPoint(0, 0), under.size()).united(QRect(at, over.size()));
  QImage shot(whole.size(), QImage::Format_RGB32);
  shot.fill(Qt::darkGray);
  QPainter painter(&shot);
  painter.drawPixmap(-whole.topLeft(), under);
  painter.drawPixmap(at - whole.topLeft(), over);
  return shot;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_shot tarvex|mulrin[-error|-refer|-map] OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
  const std::string shot = argv[1];
  const bool tarvex = shot.rfind("tarvex", 0) == 0;
  const QString out = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  const std::filesystem::path top = std::filesystem::current_path();
  const bool error = shot.ends_with("-error"), refer = shot.ends_with("-refer");
  const bool map = shot == "mulrin-map";
  if (refer) {
    // A folder with a data file that has no extension.
    const auto folder = std::filesystem::temp_directory_path() / "refer-shot";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(top / "examples/drift.txt", folder / "noext_data",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(top / "examples/subtract.txt", folder / "subtract.txt",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::current_path(folder);
  }
  const QSize size = frame::qt::client_size(tarvex ? tarvex::kForm : mulrin::kForm);
  frame::qt::ImageSurface surface(size.width(), size.height());
  frame::qt::QtFileDialogs dialogs;
  NoRecord records;
  auto program = tarvex ? tarvex::make_app(dialogs, surface) : mulrin::make_app(dialogs, surface);
  frame::qt::MainWindow window(*program, surface, records);
  bool pictured = false;
  window.show_error = [&](const QString& title, const QString& message, int code) {
    QTimer::singleShot(300, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        pictured = window_with_modal(window, *box).save(out, "PNG");
        box->button(QMessageBox::Ok)->click();
      }
    });
    frame::qt::show_error_box(&window, title, message, code);
  };
  QTimer dialog_watch;
  QObject::connect(&dialog_watch, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    const auto* view = dialog ? dialog->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
    if (view == nullptr || view->model()->rowCount(view->rootIndex()) < 2) return;
    pictured = window_with_modal(window, *dialog).save(out, "PNG");
    dialog->reject();
  });
  dialog_watch.start(300);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  std::remove("/tmp/tarvex-shot-report.txt");
  const Steps& steps = error   ? (tarvex ? kTarvexError : kMulrinError)
                       : refer ? (tarvex ? kTarvexRefer : kMulrinRefer)
                       : map   ? kMulrinMap
                               : (tarvex ? kTarvex : kMulrin);
  for (const auto& [name, text] : steps) {
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
  if (error || refer) return pictured ? 0 : 1;
  if (window.ended()) return 1;
  QTest::qWait(100);
  if (map) {
    window.show_swing_map();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* shown = qobject_cast<frame::qt::SwingMapWindow*>(w)) {
        shown->resize(900, 560);
        if (!QTest::qWaitForWindowExposed(shown)) return 1;
        QTest::qWait(100);
        return shown->grab().save(out, "PNG") ? 0 : 1;
      }
    }
    return 1;
  }
  return window.grab().save(out, "PNG") ? 0 : 1;
}

// The window on a small test program: the event order, a run-time error,
// the break key and the drawing; and the off-screen drawing itself: exact
// pixels in palette colours, clipping and the drawing position.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <set>

#include "frame/qt/error_report.h"
#include "frame/qt/image_surface.h"
#include "frame/qt/main_window.h"
#include "test_form.h"
#include "tests/support/support.h"

namespace {

using frame::qt::ImageSurface;
using frame::qt::MainWindow;
using Log = std::vector<std::string>;

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  QPushButton* button(const char* name) { return qobject_cast<QPushButton*>(window.control(name)); }
  void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
  // A click that waits in the window system's queue, as one made while a
  // handler runs does.
  void post_click(const char* name) {
    const QPointF at(5, 5), global = button(name)->mapToGlobal(at);
    for (auto [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                 std::pair{QEvent::MouseButtonRelease, Qt::NoButton}})
      QCoreApplication::postEvent(
          button(name), new QMouseEvent(type, at, global, Qt::LeftButton, buttons, Qt::NoModifier));
  }

  qt_test::TestProgram program;
  frame::qt::ImageSurface surface{300, 200};
  test_support::RecordStore store;
  MainWindow window{program, surface, store};
};

// Their places: the programs' windows test.
TEST_F(Window, ControlsAreInTheFormFont) {
  for (const frame::ControlDesc& c : qt_test::kControls) {
    const QWidget* widget = window.control(c.name);
    ASSERT_NE(widget, nullptr) << c.name;
    EXPECT_EQ(widget->font().pointSize(), 12) << c.name;
    const QString family = QFontInfo(widget->font()).family();
    EXPECT_TRUE(family == "Courier New" || family == "Liberation Mono") << family.toStdString();
  }
}

TEST_F(Window, ClicksMadeWhileAHandlerRunsAreHandledAfterItInOrder) {
  program.during_slow = [this] {
    if (program.log.size() > 1) return;  // only in the first run
    for (const char* b : {"BUTTON2", "BUTTON1", "BUTTON2"}) post_click(b);
  };
  click("BUTTON1");
  EXPECT_EQ(program.log, (Log{"BUTTON1 start", "BUTTON1 end", "EDIT1_CHANGE 12345678x"}));
  QCoreApplication::processEvents();
  EXPECT_EQ(program.log,
            (Log{"BUTTON1 start", "BUTTON1 end", "EDIT1_CHANGE 12345678x", "BUTTON2",
                 "BUTTON1 start", "BUTTON1 end", "EDIT1_CHANGE 12345678x", "BUTTON2"}));
  // A handler's text is shown whole, beyond the typed limit and filter.
  EXPECT_EQ(qobject_cast<QLineEdit*>(window.control("EDIT1"))->text(), QStringLiteral("12345678x"));
}

TEST_F(Window, CloseRequestWaitsUntilTheHandlerHasEnded) {
  bool visible_after_close = false;
  program.during_slow = [&] {
    window.close();
    visible_after_close = window.isVisible();
  };
  click("BUTTON1");
  EXPECT_TRUE(visible_after_close);
  EXPECT_EQ(program.log.back(), "EDIT1_CHANGE 12345678x");  // handlers all ran
  EXPECT_FALSE(window.isVisible());
}

TEST_F(Window, RunTimeErrorWritesTheRecordThenShowsTheBoxAndEnds) {
  const auto folder = std::filesystem::temp_directory_path() / "qt_window_test_error";
  std::filesystem::create_directories(folder);
  program.output_path = (folder / "half.txt").string();
  std::filesystem::remove(program.output_path);
  QString shown;
  window.show_error = [&](const QString& title, const QString& message, int code) {
    shown = title + u'|' + message + u'|' + QString::number(code);
    EXPECT_EQ(store.written.size(), 1u);  // written before the box is shown
  };
  QSignalSpy ended(&window, &MainWindow::ended_with);
  click("BUTTON3");
  ASSERT_EQ(store.written.size(), 1u);
  EXPECT_EQ(store.written[0].modl, "testprog");
  EXPECT_EQ(store.written[0].code, 63);
  EXPECT_EQ(store.written[0].line, 1000 + program.fail_line);
  EXPECT_EQ(store.written[0].func, static_cast<int>(frame::Operation::FileOpen));
  EXPECT_EQ(store.written[0].mode, frame::qt::kRecordMode);  // the window's runtime
  EXPECT_EQ(shown.toStdString(), "testprog.EXE|\r\ntestprog [" +
                                     std::to_string(1000 + program.fail_line) +
                                     "行]:エラー[63]\nFile not found|63");
  ASSERT_EQ(ended.count(), 1);
  EXPECT_EQ(ended.front().front().toInt(), 1);
  EXPECT_FALSE(window.isVisible());
  // What the handler wrote stays on disk as written: no closing 0x1A.
  EXPECT_EQ(test_support::read_file(program.output_path), "half\r\n");
  EXPECT_EQ(program.log, Log{});  // the statement after the error never ran
}

// A long handler: the busy cursor while it runs (and only then), the window
// repainted at least every half second.
TEST_F(Window, LongHandlerShowsTheBusyCursorAndIsRepainted) {
  struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      paints += e->type() == QEvent::Paint;
      return false;
    }
  } counter;
  window.installEventFilter(&counter);
  int cursor = -1, paints = 0;
  program.during_slow = [&] {
    if (const QCursor* c = QGuiApplication::overrideCursor()) cursor = c->shape();
    const int before = counter.paints;
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 1100) program.form().poll();
    paints = counter.paints - before;
  };
  click("BUTTON1");
  EXPECT_EQ(cursor, Qt::WaitCursor);
  EXPECT_GE(paints, 2);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// An edit field keeps its selection, visibly, when the focus moves on; no
// control takes dropped files.
TEST_F(Window, EditFieldKeepsItsSelectionOutOfFocusAndNoControlTakesDrops) {
  QApplication::setActiveWindow(&window);
  auto* edit = qobject_cast<QLineEdit*>(window.control("EDIT2"));
  edit->setFocus();
  edit->setSelection(3, -2);  // "bc", the cursor before it
  window.control("EDIT1")->setFocus();
  ASSERT_FALSE(edit->hasFocus());
  EXPECT_EQ(edit->selectedText(), QStringLiteral("bc"));
  EXPECT_EQ(edit->cursorPosition(), 1);
  const QPalette p = edit->palette();
  EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
            p.color(QPalette::Active, QPalette::Highlight));
  EXPECT_FALSE(window.acceptDrops());
  for (const frame::ControlDesc& c : qt_test::kControls)
    EXPECT_FALSE(window.control(c.name)->acceptDrops()) << c.name;
}

TEST_F(Window, BreakKeyStopsTheRunningHandlerAndTheWindowCarriesOn) {
  int polls = 0;
  program.during_slow = [&] {
    for (int i = 0; i < 5000; ++i, ++polls) program.form().poll();
  };
  window.break_watch().query = [] { return true; };
  click("BUTTON1");
  EXPECT_EQ(polls, static_cast<int>(frame::qt::kBreakCheckInterval) - 1);
  EXPECT_EQ(program.log, Log{"BUTTON1 start"});
  EXPECT_FALSE(window.ended());
  window.break_watch().query = [] { return false; };
  click("BUTTON1");
  EXPECT_EQ(program.log.back(), "EDIT1_CHANGE 12345678x");
}

TEST_F(Window, DrawingIsPaintedUnderTheControlsAndCopiedWithoutThem) {
  surface.fill_rect(0, 0, 299, 199, 4);
  surface.pixel(20, 20, 13);  // under EDIT1
  const QImage shot = window.grab().toImage();
  EXPECT_EQ(shot.pixel(280, 190), qRgb(128, 0, 0));
  EXPECT_EQ(shot.pixel(155, 80), qRgb(255, 255, 255));  // TEXT1 keeps its white
  window.copy_drawing();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(300, 200));
  EXPECT_EQ(copied.pixel(20, 20), qRgb(255, 255, 0));
  EXPECT_EQ(copied.pixel(155, 80), qRgb(128, 0, 0));
}

// The box itself: the message, OK and Help; Help shows the catalogue's line
// and returns to the box, which ends with OK.
TEST(ErrorBox, HelpShowsTheCatalogueLineAndReturnsToTheBox) {
  const QString message = QString::fromStdString(frame::error_message("testprog", 12, 63));
  std::vector<QString> seen;  // title | text of each box, in order
  QMessageBox* last = nullptr;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || box == last || !box->isVisible()) return;
    last = box;
    seen.push_back(box->windowTitle() + u'|' + box->text());
    if (seen.size() == 1) {
      EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Help);
      // Its Japanese text falls back to an installed Japanese face.
      const QStringList installed = QFontDatabase::families(QFontDatabase::Japanese);
      bool japanese = false;
      for (const QString& face : box->font().families()) japanese |= installed.contains(face);
      EXPECT_TRUE(japanese) << box->font().families().join(u',').toStdString();
    }
    box->button(seen.size() == 1 ? QMessageBox::Help : QMessageBox::Ok)->click();
  });
  timer.start(5);
  frame::qt::show_error_box(nullptr, QStringLiteral("testprog.EXE"), message, 63);
  EXPECT_EQ(seen, (std::vector<QString>{"testprog.EXE|" + message, "testprog.EXE|File not found",
                                        "testprog.EXE|" + message}));
}

constexpr QRgb kWhite = 0xffffffff;

const auto colour = frame::qt::palette_rgb;

std::set<QRgb> colours_in(const QImage& image) {
  std::set<QRgb> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
  return seen;
}

TEST(ImageSurface, RectanglesIncludeBothCornersAreClippedAndClearReturnsToWhite) {
  ImageSurface s(20, 20);
  EXPECT_EQ(colours_in(s.image()), std::set<QRgb>{kWhite});
  s.fill_rect(15, 12, 5, 2, 4);  // corners in any order
  EXPECT_EQ(s.image().pixel(5, 2), colour(4));
  EXPECT_EQ(s.image().pixel(15, 12), colour(4));
  EXPECT_EQ(s.image().pixel(16, 12), kWhite);
  EXPECT_EQ(s.image().pixel(15, 13), kWhite);
  s.fill_rect(-100, 18, 1e9f, 1e9f, 9);
  EXPECT_EQ(s.image().pixel(0, 19), colour(9));
  EXPECT_EQ(s.image().pixel(19, 18), colour(9));
  s.pixel(3.4f, 5.6f, 3);  // to the nearest pixel
  EXPECT_EQ(s.image().pixel(3, 6), colour(3));
  s.pixel(4.5f, 0.5f, 3);  // halves to even
  EXPECT_EQ(s.image().pixel(4, 0), colour(3));
  s.clear();
  EXPECT_EQ(colours_in(s.image()), std::set<QRgb>{kWhite});
  EXPECT_EQ(s.pos_x(), 0.0f);
  EXPECT_EQ(s.pos_y(), 0.0f);
}

TEST(ImageSurface, LinesAreOnePixelWideWithBothEndsAndNoSmoothing) {
  ImageSurface s(50, 50);
  s.line(2, 3, 12, 3, 5);
  for (int x = 2; x <= 12; ++x) EXPECT_EQ(s.image().pixel(x, 3), colour(5)) << x;
  EXPECT_EQ(s.image().pixel(13, 3), kWhite);
  s.line(10, 10, 40, 40, 3);
  for (int i = 10; i <= 40; ++i) EXPECT_EQ(s.image().pixel(i, i), colour(3)) << i;
  EXPECT_EQ(s.image().pixel(11, 10), kWhite);
  EXPECT_EQ(colours_in(s.image()), (std::set<QRgb>{kWhite, colour(5), colour(3)}));
  // Path pieces start where the previous ended and keep its pixel.
  s.pixel(2, 40, 15);
  s.line_to(20, 40, 13);
  s.line_to(20, 45, 5);
  EXPECT_EQ(s.image().pixel(2, 40), colour(15));
  EXPECT_EQ(s.image().pixel(20, 40), colour(13));
  EXPECT_EQ(s.image().pixel(20, 41), colour(5));
  EXPECT_EQ(s.pos_y(), 45.0f);
}

TEST(ImageSurface, FarLinesDrawTheirVisiblePartInTheirDirection) {
  ImageSurface s(100, 60);
  s.line(-1e9f, 30, 1e9f, 30, 2);
  for (int x = 0; x < 100; ++x) EXPECT_EQ(s.image().pixel(x, 30), colour(2)) << x;
  s.line(5, 5, 3e10f, 3e10f, 13);
  for (int i = 5; i < 60; ++i) EXPECT_EQ(s.image().pixel(i, i), colour(13)) << i;
  ImageSurface t(10, 10);  // entirely outside: nothing
  t.line(-50, -5, 60, -5, 0);
  t.pixel(10, 3, 0);
  EXPECT_EQ(colours_in(t.image()), std::set<QRgb>{kWhite});
}

TEST(ImageSurface, CircleHasItsRadiusInEveryDirection) {
  ImageSurface s(640, 440);
  s.circle(430, 220, 100, 4);
  for (auto [x, y] : {std::pair{530, 220}, {330, 220}, {430, 120}, {430, 320}, {525, 189}})
    EXPECT_EQ(s.image().pixel(x, y), colour(4)) << x << "," << y;
  for (auto [x, y] : {std::pair{430, 220}, {531, 220}, {529, 220}})
    EXPECT_EQ(s.image().pixel(x, y), kWhite) << x << "," << y;
}

TEST(ImageSurface, TextIsInThePaletteColourOnATransparentBackground) {
  ImageSurface s(60, 30);
  s.fill_rect(0, 0, 59, 29, 0);
  s.text(2, 2, "+100", 15);
  EXPECT_EQ(colours_in(s.image()), (std::set<QRgb>{colour(0), colour(15)}));
  EXPECT_EQ(colours_in(s.image().copy(0, 0, 60, 1)), std::set<QRgb>{colour(0)});
}

}  // namespace

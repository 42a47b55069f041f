// The window on a small test program: the form table on screen, the typed
// limits, the event order, a run-time error, the break key and the drawing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "frame/qt/error_report.h"
#include "frame/qt/main_window.h"
#include "test_form.h"

namespace {

using frame::qt::MainWindow;

struct MemoryStore : frame::ErrorRecordStore {
  std::vector<frame::ErrorRecord> records;
  void write(const frame::ErrorRecord& record) override { records.push_back(record); }
};

std::string read_all(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>(program, surface, store);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  QLineEdit* edit(const char* name) { return qobject_cast<QLineEdit*>(window->control(name)); }
  QLabel* label(const char* name) { return qobject_cast<QLabel*>(window->control(name)); }
  QPushButton* button(const char* name) {
    return qobject_cast<QPushButton*>(window->control(name));
  }
  void type(const char* name, const char* keys) {
    QLineEdit* field = edit(name);
    field->setFocus();
    field->end(false);
    QTest::keyClicks(field, QString::fromLatin1(keys));
  }
  void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
  // A click that waits in the window system's queue, as one made while a
  // handler runs does.
  void post_click(const char* name) {
    QPushButton* b = button(name);
    const QPointF at(b->width() / 2.0, b->height() / 2.0);
    const QPointF global = b->mapToGlobal(at);
    QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                   Qt::LeftButton, Qt::LeftButton,
                                                   Qt::NoModifier));
    QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                   Qt::LeftButton, Qt::NoButton,
                                                   Qt::NoModifier));
  }

  qt_test::TestProgram program;
  frame::qt::ImageSurface surface{300, 200};
  MemoryStore store;
  std::unique_ptr<MainWindow> window;
};

TEST_F(Window, ShowsEveryControlOfTheFormTableAtItsPlace) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("testprog"));
  EXPECT_EQ(window->size(), QSize(300, 200));  // 308 x 226 less the frame
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  for (const frame::ControlDesc& c : qt_test::kControls) {
    QWidget* widget = window->control(c.name);
    ASSERT_NE(widget, nullptr) << c.name;
    EXPECT_EQ(widget->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.name;
    EXPECT_EQ(widget->font().pointSize(), 12) << c.name;
    const QString family = QFontInfo(widget->font()).family();
    EXPECT_TRUE(family == QStringLiteral("Courier New") ||
                family == QStringLiteral("Liberation Mono"))
        << family.toStdString();
  }
  EXPECT_EQ(edit("EDIT1")->text(), QString());
  EXPECT_EQ(edit("EDIT2")->text(), QStringLiteral("abc"));
  EXPECT_EQ(label("TEXT1")->text(), QStringLiteral("Count:0"));
  EXPECT_EQ(label("TEXT1")->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(label("TEXT1")->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(button("BUTTON1")->text(), QStringLiteral("Slow"));
  EXPECT_EQ(window->control("count"), label("TEXT1"));  // by alias
}

TEST_F(Window, DigitsOnlyFieldRefusesLettersAndAFifthDigit) {
  type("EDIT1", "1a2");
  EXPECT_EQ(edit("EDIT1")->text(), QStringLiteral("12"));
  type("EDIT1", "345");
  EXPECT_EQ(edit("EDIT1")->text(), QStringLiteral("1234"));
  EXPECT_EQ(program.form().text(program.form().bind("EDIT1")), "1234");
  // one CHANGE per accepted key, none for a refused one
  EXPECT_EQ(program.log, (std::vector<std::string>{"EDIT1_CHANGE 1", "EDIT1_CHANGE 12",
                                                   "EDIT1_CHANGE 123", "EDIT1_CHANGE 1234"}));
}

TEST_F(Window, FreeFieldTakesAnyCharacterUpToItsMaximum) {
  type("EDIT2", "d-f ghijk");
  EXPECT_EQ(edit("EDIT2")->text(), QStringLiteral("abcd-f g"));
}

TEST_F(Window, HandlerTextIsShownWholeAndItsChangeRunsAfterTheHandler) {
  click("BUTTON1");
  EXPECT_EQ(edit("EDIT1")->text(), QStringLiteral("12345678x"));
  EXPECT_EQ(label("TEXT1")->text(), QStringLiteral("Count:1"));
  EXPECT_EQ(program.log, (std::vector<std::string>{"BUTTON1 start", "BUTTON1 end",
                                                   "EDIT1_CHANGE 12345678x"}));
  // The long text can still be shortened, but not lengthened by typing.
  edit("EDIT1")->setFocus();
  edit("EDIT1")->end(false);
  QTest::keyClick(edit("EDIT1"), Qt::Key_Backspace);
  EXPECT_EQ(edit("EDIT1")->text(), QStringLiteral("12345678"));
  QTest::keyClick(edit("EDIT1"), Qt::Key_9);
  EXPECT_EQ(edit("EDIT1")->text(), QStringLiteral("12345678"));
  EXPECT_EQ(program.log.back(), "EDIT1_CHANGE 12345678");
}

TEST_F(Window, ClicksMadeWhileAHandlerRunsAreHandledAfterItInOrder) {
  program.during_slow = [this] {
    post_click("BUTTON3");
    post_click("BUTTON2");
    post_click("BUTTON3");
  };
  click("BUTTON1");
  EXPECT_EQ(program.log, (std::vector<std::string>{"BUTTON1 start", "BUTTON1 end",
                                                   "EDIT1_CHANGE 12345678x"}));
  QCoreApplication::processEvents();
  EXPECT_EQ(program.log,
            (std::vector<std::string>{"BUTTON1 start", "BUTTON1 end", "EDIT1_CHANGE 12345678x",
                                      "BUTTON3", "BUTTON2", "BUTTON3"}));
}

TEST_F(Window, CloseRequestWaitsUntilTheHandlerHasEnded) {
  bool visible_after_close = false;
  program.during_slow = [&] {
    window->close();
    visible_after_close = window->isVisible();
  };
  click("BUTTON1");
  EXPECT_TRUE(visible_after_close);
  EXPECT_EQ(program.log.back(), "EDIT1_CHANGE 12345678x");  // handlers all ran
  EXPECT_FALSE(window->isVisible());
}

TEST_F(Window, RunTimeErrorWritesTheRecordThenShowsTheBoxAndEnds) {
  const auto folder = std::filesystem::temp_directory_path() / "qt_window_test_error";
  std::filesystem::create_directories(folder);
  program.output_path = (folder / "half.txt").string();
  std::filesystem::remove(program.output_path);
  QString title, message;
  int code = 0;
  std::size_t records_at_box = 0;
  window->show_error = [&](const QString& t, const QString& m, int c) {
    title = t;
    message = m;
    code = c;
    records_at_box = store.records.size();
  };
  QSignalSpy ended(window.get(), &MainWindow::ended_with);

  click("BUTTON4");

  ASSERT_EQ(store.records.size(), 1u);
  EXPECT_EQ(records_at_box, 1u);  // written before the box was shown
  const frame::ErrorRecord& record = store.records.front();
  EXPECT_EQ(record.modl, "testprog");
  EXPECT_EQ(record.code, 63);
  EXPECT_EQ(record.line, program.fail_line);
  EXPECT_EQ(title, QStringLiteral("testprog.EXE"));
  std::string expected = "\r\ntestprog [" + std::to_string(program.fail_line) + "行]:エラー[63]";
  if (const std::string_view help = frame::catalogue_text(63); !help.empty()) {
    expected += '\n';
    expected += help;
  }
  EXPECT_EQ(message.toStdString(), expected);
  EXPECT_EQ(code, 63);
  ASSERT_EQ(ended.count(), 1);
  EXPECT_EQ(ended.front().front().toInt(), 1);
  EXPECT_TRUE(window->ended());
  EXPECT_FALSE(window->isVisible());
  // What the handler wrote stays on disk as written: no closing 0x1A.
  EXPECT_EQ(read_all(program.output_path), "half\r\n");
  EXPECT_EQ(std::find(program.log.begin(), program.log.end(), "BUTTON4 after the error"),
            program.log.end());
}

TEST_F(Window, BreakKeyStopsTheRunningHandlerAndTheWindowCarriesOn) {
  window->break_watch().query = [] { return true; };
  click("BUTTON5");
  EXPECT_EQ(program.polls, static_cast<int>(frame::qt::kBreakCheckInterval) - 1);
  EXPECT_FALSE(window->ended());
  window->break_watch().query = [] { return false; };
  click("BUTTON5");
  EXPECT_EQ(program.polls, static_cast<int>(frame::qt::kBreakCheckInterval) - 1 + 5000);
  click("BUTTON2");
  EXPECT_EQ(program.log.back(), "BUTTON2");
}

TEST_F(Window, DrawingIsPaintedUnderTheControls) {
  surface.fill_rect(0, 0, 299, 199, 4);
  const QImage shot = window->grab().toImage();
  EXPECT_EQ(shot.pixel(280, 190), qRgb(128, 0, 0));
  EXPECT_EQ(shot.pixel(155, 80), qRgb(255, 255, 255));  // TEXT1 keeps its white
}

TEST_F(Window, CopyPutsTheDrawingWithoutControlsOnTheClipboard) {
  surface.fill_rect(0, 0, 299, 199, 2);
  surface.pixel(20, 20, 13);  // under EDIT1
  window->copy_drawing();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(300, 200));
  EXPECT_EQ(copied.pixel(20, 20), qRgb(255, 255, 0));
  EXPECT_EQ(copied.pixel(150, 80), qRgb(0, 0, 128));
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
      EXPECT_EQ(box->icon(), QMessageBox::Warning);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Help);
      box->button(QMessageBox::Help)->click();
    } else {
      box->button(QMessageBox::Ok)->click();
    }
  });
  timer.start(5);
  frame::qt::show_error_box(nullptr, QStringLiteral("testprog.EXE"), message, 63);
  timer.stop();
  const std::string_view help = frame::catalogue_text(63);
  const QString explained = help.empty() ? QStringLiteral("No explanation is available.")
                                         : QString::fromUtf8(help.data(), help.size());
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], QStringLiteral("testprog.EXE|") + message);
  EXPECT_EQ(seen[1], QStringLiteral("testprog.EXE|") + explained);
  EXPECT_EQ(seen[2], seen[0]);
}

}  // namespace

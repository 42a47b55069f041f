// The windows of tarvex and mulrin as their form tables give them, and their
// handlers driven through the window as a user would.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "dialog_helper.h"
#include "frame/qt/file_dialogs.h"
#include "frame/qt/main_window.h"
#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"

namespace {

using frame::qt::ImageSurface;
using frame::qt::MainWindow;
namespace fs = std::filesystem;

struct MemoryStore : frame::ErrorRecordStore {
  void write(const frame::ErrorRecord&) override {}
};

// Draws on the window's image and keeps the path pieces for the test.
struct TeeSurface : frame::Surface {
  explicit TeeSurface(ImageSurface& image) : image(image) {}
  struct Piece {
    float x1, y1, x2, y2;
    int colour;
  };
  ImageSurface& image;
  std::vector<Piece> pieces;
  void clear() override { image.clear(); }
  void fill_rect(float a, float b, float c, float d, int colour) override {
    image.fill_rect(a, b, c, d, colour);
  }
  void line(float a, float b, float c, float d, int colour) override {
    image.line(a, b, c, d, colour);
  }
  void line_to(float x, float y, int colour) override {
    pieces.push_back({image.pos_x(), image.pos_y(), x, y, colour});
    image.line_to(x, y, colour);
  }
  void circle(float x, float y, float r, int colour) override { image.circle(x, y, r, colour); }
  void pixel(float x, float y, int colour) override { image.pixel(x, y, colour); }
  void text(float x, float y, std::string_view t, int colour) override {
    image.text(x, y, t, colour);
  }
  bool save_png(const std::string& path) override { return image.save_png(path); }
};

fs::path scratch(const char* name) {
  const fs::path folder = fs::temp_directory_path() / "qt_programs_window_test";
  fs::create_directories(folder);
  return folder / name;
}

// count data lines "HH:MM:SS" + "%12.3f" + CR LF of a swing-60 cosine at
// phase 40 degrees, 100 samples per cycle, after one "#" comment line.
std::string write_cosine(const char* name, int count) {
  const fs::path path = scratch(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("# cosine\r\n", f);
  for (int k = 0; k < count; ++k) {
    const double v = 60.0 * std::cos((3.6 * k + 40.0) * 3.14159265358979 / 180.0);
    std::fprintf(f, "%02d:%02d:%02d%12.3f\r\n", k / 3600, k / 60 % 60, k % 60, v);
  }
  std::fclose(f);
  return path.string();
}

class ProgramWindow : public ::testing::Test {
 protected:
  void open(const frame::FormDesc& desc, const frame::ProgramFactory& factory) {
    const QSize size = frame::qt::client_size(desc);
    image = std::make_unique<ImageSurface>(size.width(), size.height());
    tee = std::make_unique<TeeSurface>(*image);
    program = factory(dialogs, *tee);
    window = std::make_unique<MainWindow>(*program, *image, store);
    dialogs.set_owner(window.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    window.reset();
    program.reset();
  }

  QString shown(const char* name) {
    QWidget* w = window->control(name);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return qobject_cast<QPushButton*>(w)->text();
  }
  void type(const char* name, const QString& keys) {
    auto* field = qobject_cast<QLineEdit*>(window->control(name));
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, keys);
  }
  void click(const char* name) {
    QTest::mouseClick(qobject_cast<QPushButton*>(window->control(name)), Qt::LeftButton);
  }
  QRgb at(int x, int y) { return window->grab().toImage().pixel(x, y); }

  void expect_table_on_screen(const frame::FormDesc& desc) {
    EXPECT_EQ(window->windowTitle().toStdString(), std::string(desc.program));
    EXPECT_EQ(window->size(), QSize(desc.outer_width - 8, desc.outer_height - 26));
    for (const frame::ControlDesc& c : desc.controls) {
      QWidget* w = window->control(c.name);
      ASSERT_NE(w, nullptr) << c.name;
      EXPECT_EQ(w->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.name;
      EXPECT_EQ(shown(std::string(c.name).c_str()).toStdString(), std::string(c.caption))
          << c.name;
    }
  }

  frame::qt::QtFileDialogs dialogs;
  std::unique_ptr<ImageSurface> image;
  std::unique_ptr<TeeSurface> tee;
  MemoryStore store;
  std::unique_ptr<frame::Program> program;
  std::unique_ptr<MainWindow> window;
};

TEST_F(ProgramWindow, TarvexFreshWindowShowsItsFormTable) {
  open(tarvex::kForm, tarvex::make_app);
  EXPECT_EQ(window->size(), QSize(640, 440));
  expect_table_on_screen(tarvex::kForm);
  EXPECT_EQ(shown("EDIT7"), QStringLiteral("10"));
  EXPECT_EQ(shown("EDIT8"), QStringLiteral("100"));
  EXPECT_EQ(shown("EDIT9"), QStringLiteral("tarvex.txt"));
  EXPECT_EQ(shown("EDIT10"), QStringLiteral("360"));
  EXPECT_EQ(shown("EDIT11"), QStringLiteral("1"));
  EXPECT_EQ(shown("EDIT12"), QString());
  EXPECT_EQ(shown("TEXT5"), QStringLiteral("Number of data:0"));
}

TEST_F(ProgramWindow, TarvexColumnFieldsRefuseLettersAndAFifthDigit) {
  open(tarvex::kForm, tarvex::make_app);
  type("EDIT2", QStringLiteral("9x"));
  EXPECT_EQ(shown("EDIT2"), QStringLiteral("9"));
  type("EDIT3", QStringLiteral("12345"));
  EXPECT_EQ(shown("EDIT3"), QStringLiteral("1234"));
  type("EDIT1", QStringLiteral("#;"));  // the mark takes any character
  EXPECT_EQ(shown("EDIT1"), QStringLiteral("#;"));
}

TEST_F(ProgramWindow, TarvexCheckCountsTheDataLinesIntoText5) {
  open(tarvex::kForm, tarvex::make_app);
  const std::string data = write_cosine("check.txt", 1000);
  type("EDIT1", QStringLiteral("#"));
  type("EDIT4", QString::fromStdString(data));
  click("BUTTON3");
  EXPECT_EQ(shown("TEXT5"), QStringLiteral("Number of Data: 1000"));
}

TEST_F(ProgramWindow, TarvexDrawPaintsTheDiagramAndThePathInPaletteColours) {
  open(tarvex::kForm, tarvex::make_app);
  const std::string data = write_cosine("draw.txt", 1000);
  type("EDIT1", QStringLiteral("#"));
  type("EDIT2", QStringLiteral("9"));
  type("EDIT3", QStringLiteral("12"));
  type("EDIT4", QString::fromStdString(data));
  type("EDIT5", QStringLiteral("100"));
  type("EDIT6", QStringLiteral("0"));
  click("BUTTON4");
  EXPECT_FALSE(window->ended());
  EXPECT_FALSE(shown("EDIT12").isEmpty());

  EXPECT_EQ(at(430, 220), qRgb(255, 255, 255));  // centre point
  EXPECT_EQ(at(525, 189), qRgb(128, 0, 0));      // ring of radius 100
  EXPECT_EQ(at(335, 251), qRgb(128, 0, 0));
  EXPECT_EQ(at(233, 5), qRgb(0, 0, 0));          // background
  // One display interval of ten cycles: one blue piece from the centre to the
  // component's vector, of swing 60.
  ASSERT_EQ(tee->pieces.size(), 1u);
  const TeeSurface::Piece& first = tee->pieces.front();
  EXPECT_EQ(first.colour, 3);
  EXPECT_NEAR(std::hypot(first.x2 - 430, first.y2 - 220), 60.0, 0.5);
  const int mid_x = static_cast<int>(std::lround((first.x1 + first.x2) / 2));
  const int mid_y = static_cast<int>(std::lround((first.y1 + first.y2) / 2));
  const QImage shot = window->grab().toImage();
  int blue = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) blue += shot.pixel(mid_x + dx, mid_y + dy) == qRgb(0, 0, 255);
  EXPECT_GE(blue, 1) << "no blue pixel near " << mid_x << "," << mid_y;
  EXPECT_EQ(shot.pixel(static_cast<int>(std::lround(first.x2)),
                       static_cast<int>(std::lround(first.y2))),
            qRgb(0, 0, 255));
}

TEST_F(ProgramWindow, MulrinFreshWindowShowsItsFormTable) {
  open(mulrin::kForm, mulrin::make_app);
  EXPECT_EQ(window->size(), QSize(511, 424));
  expect_table_on_screen(mulrin::kForm);
  EXPECT_EQ(shown("EDIT5"), QStringLiteral("00"));
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=1"));
  EXPECT_EQ(shown("TEXT14"), QString());
}

TEST_F(ProgramWindow, MulrinExponentTypedKeyByKeyUpdatesTheLabels) {
  open(mulrin::kForm, mulrin::make_app);
  type("EDIT7", QStringLiteral("32"));
  type("EDIT5", QStringLiteral("1"));
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=2"));
  QTest::keyClicks(window->control("EDIT5"), QStringLiteral("2"));
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=4096"));
  EXPECT_EQ(shown("TEXT14"), QStringLiteral("Resol=2.8125deg"));
  QTest::keyClicks(window->control("EDIT5"), QStringLiteral("3"));  // max 2
  EXPECT_EQ(shown("EDIT5"), QStringLiteral("12"));
}

TEST_F(ProgramWindow, MulrinLoadSetsTheFieldsAndTheLabelsFollowAfterIt) {
  open(mulrin::kForm, mulrin::make_app);
  const fs::path settings = scratch("setting.ini");
  {
    std::ofstream f(settings, std::ios::binary);
    f << "9\r\n12\r\n#\r\ndata.txt\r\n10\r\n256\r\n360\r\n5\r\nout.txt\r\n0\r\n\x1a";
  }
  // Every text change the window is told of, in order.
  std::vector<std::string> changes;
  auto shown_by_window = program->form().on_text_changed;
  program->form().on_text_changed = [&](int index, const std::string& text) {
    changes.push_back(std::string(program->form().control(index).name) + "=" + text);
    shown_by_window(index, text);
  };
  const QString before = QDir::currentPath();
  qt_test::answer_next_dialog([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Load Setting Data"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("Setting Data(*.ini) (*.ini)"));
    dialog->selectFile(QString::fromStdString(settings.string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  click("BUTTON1");
  EXPECT_EQ(QDir::currentPath(), before);
  EXPECT_EQ(changes, (std::vector<std::string>{
                         "EDIT1=9", "EDIT2=12", "EDIT3=#", "EDIT4=data.txt", "EDIT5=10",
                         "EDIT6=256", "EDIT7=360", "EDIT8=5", "EDIT9=out.txt", "EDIT10=0",
                         // EDIT5_CHANGE, then EDIT7_CHANGE, after LOAD has ended
                         "TEXT8==1024", "TEXT14=Resol=126.5625deg",
                         "TEXT14=Resol=126.5625deg"}));
  EXPECT_EQ(shown("EDIT4"), QStringLiteral("data.txt"));
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=1024"));
}

TEST_F(ProgramWindow, MulrinCancelledReferLeavesEveryFieldAsItWas) {
  open(mulrin::kForm, mulrin::make_app);
  type("EDIT4", QStringLiteral("kept.txt"));
  qt_test::answer_next_dialog([](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Data for FFT"));
    dialog->reject();
  });
  click("BUTTON3");
  EXPECT_EQ(shown("EDIT4"), QStringLiteral("kept.txt"));
}

TEST_F(ProgramWindow, MulrinReportReferWritesTheFullPathWhateverItsLength) {
  open(mulrin::kForm, mulrin::make_app);
  const fs::path folder = scratch("a folder with blanks and a rather long name to pass the limit");
  fs::create_directories(folder);
  const fs::path chosen = folder / "report file.txt";
  qt_test::answer_next_dialog([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    dialog->selectFile(QString::fromStdString(chosen.string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  click("BUTTON5");
  EXPECT_EQ(shown("EDIT9").toStdString(), chosen.string());
}

}  // namespace

// The windows of tarvex and mulrin as their form tables give them, and their
// handlers driven through the window as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "frame/qt/file_dialogs.h"
#include "frame/qt/main_window.h"
#include "frame/qt/swing_map_window.h"
#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"
#include "tests/support/support.h"

namespace {

namespace fs = std::filesystem;

// A file name in this test process's own folder: the tests of this file
// run as separate processes at the same time and must not share one.
fs::path scratch(const char* name) {
  static const test_support::Scratch folder;
  return folder.dir() / name;
}

// "# cosine", then count lines "HH:MM:SS" + "%12.3f" of a swing-60 cosine at
// phase 40 degrees, 100 samples per cycle.
QString write_cosine(const char* name, int count) {
  const fs::path path = scratch(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("# cosine\r\n", f);
  for (int k = 0; k < count; ++k)
    std::fprintf(f, "%02d:%02d:%02d%12.3f\r\n", k / 3600, k / 60 % 60, k % 60,
                 60.0 * std::cos((3.6 * k + 40.0) * 3.14159265358979 / 180.0));
  std::fclose(f);
  return QString::fromStdString(path.string());
}

// Calls answer with the next modal file dialog, from inside its own loop.
void answer_next_dialog(std::function<void(QFileDialog*)> answer, int tries = 200) {
  QTimer::singleShot(10, [answer, tries] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog != nullptr) return answer(dialog);
    if (tries > 0) answer_next_dialog(answer, tries - 1);
  });
}

// Answers a dialog with a path as a user types it into the file name box and
// accepts. (selectFile leaves the box alone while it has the focus, so the
// answer would depend on where the focus happens to be.)
void accept_path(QFileDialog* dialog, const fs::path& path) {
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name != nullptr) {
    name->setText(QString::fromStdString(path.string()));
  } else {
    dialog->selectFile(QString::fromStdString(path.string()));
  }
  static_cast<QDialog*>(dialog)->accept();
}

class ProgramWindow : public ::testing::Test {
 protected:
  void open(const frame::FormDesc& desc, const frame::ProgramFactory& factory) {
    window.reset();
    const QSize size = frame::qt::client_size(desc);
    image = std::make_unique<frame::qt::ImageSurface>(size.width(), size.height());
    program = factory(dialogs, *image);
    window = std::make_unique<frame::qt::MainWindow>(*program, *image, store);
    dialogs.set_owner(window.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // A fresh window shows its form table.
    EXPECT_EQ(window->windowTitle().toStdString(), std::string(desc.program));
    EXPECT_EQ(window->size(), QSize(desc.outer_width - 8, desc.outer_height - 26));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    for (const frame::ControlDesc& c : desc.controls) {
      const QWidget* w = window->control(c.name);
      ASSERT_NE(w, nullptr) << c.name;
      EXPECT_EQ(w->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.name;
      EXPECT_EQ(shown(std::string(c.name).c_str()).toStdString(), c.caption) << c.name;
    }
  }
  void TearDown() override { window.reset(); }

  QString shown(const char* name) {
    QWidget* w = window->control(name);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return qobject_cast<QPushButton*>(w)->text();
  }
  void type(const char* name, const QString& keys, bool replace = true) {
    auto* field = qobject_cast<QLineEdit*>(window->control(name));
    field->setFocus();
    if (replace) {
      field->selectAll();
      QTest::keyClick(field, Qt::Key_Delete);
    }
    QTest::keyClicks(field, keys);
  }
  void click(const char* name) {
    QTest::mouseClick(qobject_cast<QPushButton*>(window->control(name)), Qt::LeftButton);
  }

  frame::qt::QtFileDialogs dialogs;
  std::unique_ptr<frame::qt::ImageSurface> image;
  test_support::RecordStore store;
  std::unique_ptr<frame::Program> program;
  std::unique_ptr<frame::qt::MainWindow> window;
};

TEST_F(ProgramWindow, TarvexColumnFieldsRefuseLettersAndAFifthDigit) {
  open(tarvex::kForm, tarvex::make_app);
  type("EDIT2", QStringLiteral("9x"));
  EXPECT_EQ(shown("EDIT2"), QStringLiteral("9"));
  type("EDIT3", QStringLiteral("12345"));
  EXPECT_EQ(shown("EDIT3"), QStringLiteral("1234"));
  type("EDIT1", QStringLiteral("#;"));  // the mark takes any character
  EXPECT_EQ(shown("EDIT1"), QStringLiteral("#;"));
}

TEST_F(ProgramWindow, MulrinExponentTypedKeyByKeyUpdatesTheLabels) {
  open(mulrin::kForm, mulrin::make_app);
  type("EDIT7", QStringLiteral("32"));
  type("EDIT5", QStringLiteral("1"));
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=2"));
  type("EDIT5", QStringLiteral("2"), false);
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=4096"));
  EXPECT_EQ(shown("TEXT14"), QStringLiteral("Resol=2.8125deg"));
  type("EDIT5", QStringLiteral("3"), false);  // max 2
  EXPECT_EQ(shown("EDIT5"), QStringLiteral("12"));
}

TEST_F(ProgramWindow, MulrinLoadSetsTheFieldsAndTheLabelsFollowAfterIt) {
  open(mulrin::kForm, mulrin::make_app);
  const fs::path settings = scratch("setting.ini");
  std::ofstream(settings, std::ios::binary)
      << "9\r\n12\r\n#\r\ndata.txt\r\n10\r\n256\r\n360\r\n5\r\nout.txt\r\n0\r\n\x1a";
  const QString before = QDir::currentPath();
  answer_next_dialog([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Load Setting Data"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("Setting Data(*.ini)"));  // shown once
    accept_path(dialog, settings);
  });
  click("BUTTON1");
  EXPECT_EQ(QDir::currentPath(), before);
  EXPECT_EQ(shown("EDIT4"), QStringLiteral("data.txt"));
  EXPECT_EQ(shown("TEXT8"), QStringLiteral("=1024"));
}

TEST_F(ProgramWindow, MulrinReferCancelKeepsTheFieldAndSaveTakesTheFullPath) {
  open(mulrin::kForm, mulrin::make_app);
  type("EDIT4", QStringLiteral("kept.txt"));
  answer_next_dialog([](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Data for FFT"));
    dialog->reject();
  });
  click("BUTTON3");
  EXPECT_EQ(shown("EDIT4"), QStringLiteral("kept.txt"));
  // A report path longer than the field's typed limit, with blanks.
  const fs::path folder = scratch("a folder with blanks and a rather long name to pass the limit");
  fs::create_directories(folder);
  const fs::path chosen = folder / "report file.txt";
  answer_next_dialog([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    accept_path(dialog, chosen);
  });
  click("BUTTON5");
  EXPECT_EQ(shown("EDIT9").toStdString(), chosen.string());
}

// After a completed Calculate: "Export CSV…" writes through its dialog, and
// "Show swing map" opens a resizable window whose picture is saved at its size.
TEST_F(ProgramWindow, MulrinExportsAndShowsTheSwingMapOnlyAfterACalculate) {
  open(mulrin::kForm, mulrin::make_app);
  auto map_windows = [] {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      n += qobject_cast<frame::qt::SwingMapWindow*>(w) != nullptr && w->isVisible();
    return n;
  };
  window->show_swing_map();
  EXPECT_EQ(map_windows(), 0);
  for (auto [field, text] : {std::pair{"EDIT3", "#"},
                             {"EDIT1", "9"},
                             {"EDIT2", "12"},
                             {"EDIT5", "8"},
                             {"EDIT6", "100"},
                             {"EDIT7", "100"},
                             {"EDIT8", "1"}})
    type(field, QString::fromLatin1(text));
  type("EDIT4", write_cosine("map.txt", 3000));
  type("EDIT9", QString::fromStdString(scratch("map-report.txt").string()));
  click("BUTTON6");
  ASSERT_FALSE(window->ended());
  const fs::path csv = scratch("map.csv");
  fs::remove(csv);
  answer_next_dialog([&](QFileDialog* dialog) { accept_path(dialog, csv); });
  window->export_run(false);
  std::ifstream in(csv);
  std::string head;
  std::getline(in, head);
  EXPECT_EQ(head, "bin,rate_deg,block,block_start,position,swing,phase_deg,d_swing,d_phase_deg");

  window->show_swing_map();
  ASSERT_EQ(map_windows(), 1);
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* map = qobject_cast<frame::qt::SwingMapWindow*>(w);
    if (map == nullptr) continue;
    map->resize(700, 500);
    const QString png = QString::fromStdString(scratch("map.png").string());
    ASSERT_TRUE(map->save(png));
    EXPECT_EQ(QImage(png).size(), QSize(700, 456));
    map->close();
  }
}

}  // namespace

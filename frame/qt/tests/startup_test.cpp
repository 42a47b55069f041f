// The Qt start-up with arguments: the headless driver on the image surface,
// the last-error record through QSettings, a start-up error. Each case runs
// program_main in a child process, as the program itself would.
#include <gtest/gtest.h>

#include <QImage>
#include <QSettings>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "frame/qt/file_dialogs.h"
#include "test_form.h"

namespace {

namespace fs = std::filesystem;

// The test form's BUTTON2 draws a maroon line and a label.
class DrawingProgram : public qt_test::TestProgram {
 public:
  explicit DrawingProgram(frame::Surface& surface) {
    form().bind_handlers({{"BUTTON2_ON", [&surface] {
                             surface.fill_rect(100, 0, 299, 199, 0);
                             surface.line(100, 50, 299, 50, 4);
                             surface.text(110, 60, "+100", 15);
                           }}});
  }
};

std::unique_ptr<frame::Program> drawing_factory(frame::FileDialogs&, frame::Surface& surface) {
  return std::make_unique<DrawingProgram>(surface);
}

std::unique_ptr<frame::Program> failing_factory(frame::FileDialogs&, frame::Surface&) {
  auto program = std::make_unique<qt_test::TestProgram>();
  program->form().bind("EDIT9");  // the form has no EDIT9: 1013
  return program;
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string read_all(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("qt_startup_test_" + std::string(
                  ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }

  Outcome run(const frame::ProgramFactory& factory, std::vector<std::string> args) {
    const fs::path out = folder / "out.txt", err = folder / "err.txt";
    const pid_t child = fork();
    if (child == 0) {
      setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(99);
      args.insert(args.begin(), "testprog");
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      const int status = frame::program_main(static_cast<int>(args.size()), argv.data(),
                                             qt_test::kForm, factory);
      std::fflush(stdout);
      std::fflush(stderr);
      _exit(status);
    }
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    Outcome r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.out = read_all(out);
    r.err = read_all(err);
    return r;
  }

  fs::path record_file() const { return folder / "config" / "cycle_tools" / "testprog.conf"; }

  fs::path folder;
};

TEST_F(Startup, SaveDrawingWritesThePngOfTheClientArea) {
  const fs::path png = folder / "drawing.png";
  const Outcome r = run(drawing_factory, {"--click", "BUTTON2", "--save-drawing", png.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");  // no notes of the platform mixed in
  const QImage image(QString::fromStdString(png.string()));
  ASSERT_EQ(image.size(), QSize(300, 200));  // 308 x 226 less the frame
  EXPECT_EQ(image.pixel(150, 50), qRgb(128, 0, 0));
  EXPECT_EQ(image.pixel(150, 49), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(50, 50), qRgb(255, 255, 255));  // the form's white
}

TEST_F(Startup, ArgumentsGoToTheDriverUnchanged) {
  const Outcome r = run(drawing_factory, {"--set", "name=-platform", "--print", "EDIT2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "-platform\n");
}

TEST_F(Startup, RunTimeErrorInTheDriverWritesTheRecordThroughQSettings) {
  const Outcome r = run([](frame::FileDialogs&, frame::Surface&) {
    auto p = std::make_unique<qt_test::TestProgram>();
    p->output_path = (fs::temp_directory_path() / "qt_startup_test_half.txt").string();
    return std::unique_ptr<frame::Program>(std::move(p));
  }, {"--click", "BUTTON4"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("testprog ["), std::string::npos) << r.err;
  ASSERT_TRUE(fs::exists(record_file()));
  QSettings record(QString::fromStdString(record_file().string()), QSettings::IniFormat);
  record.beginGroup(QStringLiteral("LastError"));
  EXPECT_EQ(record.value(QStringLiteral("MODL")).toString(), QStringLiteral("testprog"));
  EXPECT_EQ(record.value(QStringLiteral("CODE")).toInt(), 63);
  EXPECT_GT(record.value(QStringLiteral("LINE")).toInt(), 0);
  EXPECT_EQ(record.value(QStringLiteral("APIERR")).toInt(), ENOENT);
  EXPECT_TRUE(record.value(QStringLiteral("TIME")).toString().contains(u'/'));
  EXPECT_FALSE(record.value(QStringLiteral("MODE")).toString().isEmpty());
  EXPECT_FALSE(record.value(QStringLiteral("RTL")).toString().isEmpty());
}

TEST_F(Startup, StartUpErrorIsReportedLikeAnyRunTimeError) {
  const Outcome r = run(failing_factory, {"--print", "EDIT1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("\r\ntestprog [", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("]:エラー[1013]"), std::string::npos) << r.err;
  QSettings record(QString::fromStdString(record_file().string()), QSettings::IniFormat);
  EXPECT_EQ(record.value(QStringLiteral("LastError/CODE")).toInt(), 1013);
}

TEST(NameFilters, EachEntryBecomesOneFilterWithItsPatterns) {
  EXPECT_EQ(frame::qt::name_filters("Setting Data(*.ini)"),
            QStringList{QStringLiteral("Setting Data(*.ini) (*.ini)")});
  EXPECT_EQ(frame::qt::name_filters("Text(*.txt, *.dat);All(*.*)"),
            (QStringList{QStringLiteral("Text(*.txt, *.dat) (*.txt *.dat)"),
                         QStringLiteral("All(*.*) (*.*)")}));
}

}  // namespace

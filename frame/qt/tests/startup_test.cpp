// The Qt start-up with arguments: the headless driver on the image surface,
// the last-error record through QSettings, a start-up error. Each case runs
// program_main in a child process, as the program itself would.
#include <gtest/gtest.h>

#include <QImage>
#include <QSettings>
#include <filesystem>

#include "frame/platform/process.h"
#include "frame/qt/file_dialogs.h"
#include "test_form.h"
#include "tests/support/support.h"

namespace {

namespace fs = std::filesystem;

// The test form's BUTTON2 draws a maroon line and a label.
std::unique_ptr<frame::Program> drawing(frame::FileDialogs&, frame::Surface& surface) {
  auto program = std::make_unique<qt_test::TestProgram>();
  program->form().bind_handlers({{"BUTTON2_ON", [&surface] {
                                    surface.fill_rect(100, 0, 299, 199, 0);
                                    surface.line(100, 50, 299, 50, 4);
                                    surface.text(110, 60, "+100", 15);
                                  }}});
  program->output_path = (fs::temp_directory_path() / "qt_startup_test_half.txt").string();
  return program;
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  // `env`: variables set (or, with a null value, unset) after the usual ones.
  Outcome run(const frame::ProgramFactory& factory, std::vector<std::string> args,
              const std::vector<std::pair<const char*, const char*>>& env = {}) {
    namespace platform = frame::platform;
    const long id = platform::run_in_copy([&] {
      platform::set_environment("XDG_CONFIG_HOME", (folder / "config").string());
      platform::set_environment("QT_QPA_PLATFORM", "offscreen");
      for (const auto& [name, value] : env)
        platform::set_environment(name, value ? std::optional<std::string>(value) : std::nullopt);
      if (!freopen((folder / "out").c_str(), "w", stdout) ||
          !freopen((folder / "err").c_str(), "w", stderr))
        return 99;
      args.insert(args.begin(), "testprog");
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      return frame::program_main(static_cast<int>(args.size()), argv.data(), qt_test::kForm,
                                 factory);
    });
    const platform::ProcessEnd end = platform::wait_process(id);
    return {end.ended ? end.status : -1, test_support::read_file(folder / "out"),
            test_support::read_file(folder / "err")};
  }
  QVariant record(const char* key) {
    return QSettings(QString::fromStdString((folder / "config/cycle_tools/testprog.conf").string()),
                     QSettings::IniFormat)
        .value(QStringLiteral("LastError/") + key);
  }

  const fs::path folder =
      fs::temp_directory_path() /
      ("qt_startup_test_" + std::to_string(frame::platform::current_process_id()));
};

// The arguments go to the driver unchanged, also those the platform knows.
TEST_F(Startup, SaveDrawingWritesThePngOfTheClientArea) {
  const fs::path png = folder / "drawing.png";
  const Outcome r = run(drawing, {"--set", "name=-platform", "--print", "EDIT2", "--click",
                                  "BUTTON2", "--save-drawing", png.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "-platform\n");  // no notes of the platform mixed in
  const QImage image(QString::fromStdString(png.string()));
  ASSERT_EQ(image.size(), QSize(300, 200));  // 308 x 226 less the frame
  EXPECT_EQ(image.pixel(150, 50), qRgb(128, 0, 0));
  EXPECT_EQ(image.pixel(150, 49), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(50, 50), qRgb(255, 255, 255));  // the form's white
}

TEST_F(Startup, RunTimeErrorInTheDriverOrAtStartUpWritesTheRecordThroughQSettings) {
  Outcome r = run(drawing, {"--click", "BUTTON3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("testprog ["), std::string::npos) << r.err;
  EXPECT_EQ(record("MODL").toString(), QStringLiteral("testprog"));
  EXPECT_EQ(record("CODE").toInt(), 63);
  EXPECT_GT(record("LINE").toInt(), 0);
  EXPECT_EQ(record("APIERR").toInt(), ENOENT);
  EXPECT_TRUE(record("TIME").toString().contains(u'/'));
  EXPECT_FALSE(record("MODE").toString().isEmpty());
  EXPECT_FALSE(record("RTL").toString().isEmpty());
  // An error while the program starts up is reported the same way.
  r = run(
      [](frame::FileDialogs&, frame::Surface&) -> std::unique_ptr<frame::Program> {
        auto program = std::make_unique<qt_test::TestProgram>();
        program->form().bind("EDIT9");  // the form has no EDIT9: 1013
        return program;
      },
      {"--print", "EDIT1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("\r\ntestprog [", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("]:エラー[1013]"), std::string::npos) << r.err;
  EXPECT_EQ(record("CODE").toInt(), 1013);
}

// A run with arguments needs no display, whatever platform the environment
// names, and stderr holds only the program's own lines; without a home folder
// the record is skipped with one line.
TEST_F(Startup, HeadlessRunNeedsNoDisplayAndNoHome) {
  const std::vector<std::pair<const char*, const char*>> no_display = {
      {"QT_QPA_PLATFORM", "xcb"},
      {"DISPLAY", nullptr},
      {"WAYLAND_DISPLAY", nullptr},
      {"XDG_RUNTIME_DIR", nullptr}};
  Outcome r = run(drawing, {"--help"}, no_display);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  auto no_home = no_display;
  no_home.insert(no_home.end(), {{"HOME", nullptr}, {"XDG_CONFIG_HOME", nullptr}});
  r = run(drawing, {"--click", "BUTTON3"}, no_home);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\r')),
            "testprog: no home folder: the last-error record is not kept\n");
}

TEST(NameFilters, EachEntryBecomesOneFilterWithItsPatterns) {
  EXPECT_EQ(frame::qt::name_filters("Setting Data(*.ini)"),
            QStringList{QStringLiteral("Setting Data(*.ini) (*.ini)")});
  EXPECT_EQ(frame::qt::name_filters("Text(*.txt, *.dat);All(*.*)"),
            (QStringList{QStringLiteral("Text(*.txt, *.dat) (*.txt *.dat)"),
                         QStringLiteral("All(*.*) (*)")}));
}

}  // namespace

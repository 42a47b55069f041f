#include "frame/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/sample_form.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using test_support::code_of;
using test_support::read_file;
using test_support::temp_file;

// Line 1 to EDIT2, 2 to EDIT3, 3 to EDIT1, 5 to EDIT4; lines 4 and 6..10 are dropped.
struct SettingsFile : ::testing::Test {
  Form form{test_support::kSampleForm};
  FileTable files;
  SettingsMap map{form.bind("EDIT2"), form.bind("EDIT3"), form.bind("EDIT1"), std::nullopt,
                  form.bind("EDIT4")};
  std::string text(const char* name) const { return form.text(form.bind(name)); }
};

TEST_F(SettingsFile, SaveOverALongerFileWritesExactlyTenLinesAndOneEndMark) {
  form.set_text(form.bind("EDIT1"), "");
  form.set_text(form.bind("EDIT2"), "5");
  form.set_text(form.bind("EDIT3"), "C:\\data\\run, 1.txt");
  const auto path = temp_file("setting.ini", std::string(15, 'x') +
                                                 "\r\n1\r\n2\r\n3\r\n4\r\n5\r\n"
                                                 "6\r\n7\r\n8\r\n9\r\n10\r\n");
  save_settings(form, files, path.string(), map);
  EXPECT_EQ(read_file(path),
            "5\r\nC:\\data\\run, 1.txt\r\n\r\n\r\nout.txt\r\n\r\n\r\n\r\n\r\n\r\n\x1a");
  EXPECT_NO_THROW(files.open("I", 1, path.string()));  // the file was closed
}

TEST_F(SettingsFile, LoadSetsFieldsInFileOrderReadsDroppedLinesAndIgnoresAnEleventh) {
  std::string log;
  form.bind_handlers({{"EDIT1_CHANGE", [&] { log += "1"; }},
                      {"EDIT2_CHANGE", [&] { log += "2"; }},
                      {"EDIT3_CHANGE", [&] { log += "3"; }},
                      {"EDIT4_CHANGE", [&] { log += "4"; }}});
  const auto path = temp_file("load.ini",
                              "5\r\nC:\\data\\run, 1.txt\r\n\r\ndropped\r\nnew.txt\r\n"
                              "6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n");
  load_settings(form, files, path.string(), map);
  EXPECT_EQ(form.pending(), 4u);  // one CHANGE per field set
  form.run_pending();
  EXPECT_EQ(log, "2314");
  const std::pair<const char*, const char*> expected[] = {
      {"EDIT1", ""}, {"EDIT2", "5"}, {"EDIT3", "C:\\data\\run, 1.txt"}, {"EDIT4", "new.txt"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(text(name), value) << name;
  EXPECT_NO_THROW(files.open("I", 1, path.string()));  // the file was closed
}

TEST_F(SettingsFile, ShortFileIs54AtTheMissingLineWithEarlierFieldsSet) {
  const auto path = temp_file("short.ini", "5\r\n8\r\n#x\r\n\x1a");
  EXPECT_EQ(code_of([&] { load_settings(form, files, path.string(), map); }), err::kInputPastEnd);
  EXPECT_EQ(text("EDIT1"), "#x");
  EXPECT_EQ(text("EDIT4"), "out.txt");
}

}  // namespace
}  // namespace frame

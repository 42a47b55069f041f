#include "frame/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/support/support.h"

namespace frame {
namespace {

using test_support::read_file;
using test_support::temp_file;

constexpr std::array<ControlDesc, 10> kTenFields = {{
    {"EDIT1", ControlKind::Edit, "", 0, 0, 10, 10, 4, true, ""},
    {"EDIT2", ControlKind::Edit, "", 0, 0, 10, 10, 4, true, ""},
    {"EDIT3", ControlKind::Edit, "", 0, 0, 10, 10, 4, false, ""},
    {"EDIT4", ControlKind::Edit, "", 0, 0, 10, 10, 255, false, ""},
    {"EDIT5", ControlKind::Edit, "00", 0, 0, 10, 10, 2, true, ""},
    {"EDIT6", ControlKind::Edit, "", 0, 0, 10, 10, 8, true, ""},
    {"EDIT7", ControlKind::Edit, "", 0, 0, 10, 10, 16, false, ""},
    {"EDIT8", ControlKind::Edit, "", 0, 0, 10, 10, 8, false, ""},
    {"EDIT9", ControlKind::Edit, "", 0, 0, 10, 10, 255, false, ""},
    {"EDIT10", ControlKind::Edit, "", 0, 0, 10, 10, 16, false, ""},
}};
constexpr FormDesc kTenFieldForm = {"settings", 100, 100, "FixedSys", 16, kTenFields};

const char* const kValues[10] = {"5", "8",       "#", "C:\\data\\run, 1.txt", "", "128", "360.5",
                                 "",  "out.txt", "2"};
const char* const kSaved =
    "5\r\n8\r\n#\r\nC:\\data\\run, 1.txt\r\n\r\n128\r\n360.5\r\n\r\nout.txt\r\n2\r\n\x1a";

struct SettingsFile : ::testing::Test {
  Form form{kTenFieldForm};
  FileTable files;
  // Lines 1..10 to EDIT1..EDIT10, as the program that writes the file has it.
  SettingsMap all_ten() const {
    SettingsMap map;
    for (int i = 0; i < kSettingsLines; ++i)
      map[static_cast<std::size_t>(i)] = form.bind("EDIT" + std::to_string(i + 1));
    return map;
  }
  std::string text(const char* name) const { return form.text(form.bind(name)); }
};

TEST_F(SettingsFile, SaveOverALongerFileWritesExactlyTenLinesAndOneEndMarkThenLoadRestoresThem) {
  const SettingsMap map = all_ten();
  for (std::size_t i = 0; i < 10; ++i) form.set_text(*map[i], kValues[i]);
  const auto path =
      temp_file("setting.ini", std::string(15, 'x') +
                                   "\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n");
  save_settings(form, files, path.string(), map);
  EXPECT_EQ(read_file(path), kSaved);
  Form loaded(kTenFieldForm);
  loaded.set_text(*map[4], "was here");  // an empty line empties the field
  loaded.run_pending();
  load_settings(loaded, files, path.string(), map);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(loaded.text(*map[i]), kValues[i]) << i;
  EXPECT_EQ(loaded.pending(), 10u);                    // one CHANGE per field set
  EXPECT_NO_THROW(files.open("I", 1, path.string()));  // the file was closed
}

TEST_F(SettingsFile, SixOfTenMappingSetsFieldsInFileOrderAndIgnoresLinesAfterTheTenth) {
  SettingsMap map;
  const char* names[10] = {"EDIT2", "EDIT3", "EDIT1", "EDIT4", nullptr,
                           nullptr, "EDIT5", nullptr, nullptr, "EDIT6"};
  for (std::size_t i = 0; i < 10; ++i)
    if (names[i]) map[i] = form.bind(names[i]);
  std::string log;
  form.bind_handlers({{"EDIT1_CHANGE", [&] { log += "1"; }},
                      {"EDIT2_CHANGE", [&] { log += "2"; }},
                      {"EDIT5_CHANGE", [&] { log += "5"; }},
                      {"EDIT6_CHANGE", [&] { log += "6"; }}});
  form.set_text(form.bind("EDIT7"), "untouched");
  form.run_pending();
  load_settings(form, files, temp_file("shared.ini", std::string(kSaved) + "11\r\n").string(), map);
  form.run_pending();
  EXPECT_EQ(log, "2156");
  const std::pair<const char*, const char*> expected[] = {
      {"EDIT1", "#"},     {"EDIT2", "5"}, {"EDIT3", "8"},         {"EDIT4", "C:\\data\\run, 1.txt"},
      {"EDIT5", "360.5"}, {"EDIT6", "2"}, {"EDIT7", "untouched"}, {"EDIT9", ""}};
  for (const auto& [name, value] : expected) EXPECT_EQ(text(name), value) << name;
}

TEST_F(SettingsFile, ShortFileIs54AtTheMissingLineWithEarlierFieldsSet) {
  try {
    load_settings(form, files, temp_file("short.ini", "5\r\n8\r\n#\r\n\x1a").string(), all_ten());
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::kInputPastEnd);
  }
  files.abandon();
  EXPECT_EQ(text("EDIT3"), "#");
  EXPECT_EQ(text("EDIT4"), "");
  EXPECT_EQ(text("EDIT5"), "00");
}

}  // namespace
}  // namespace frame

#include "frame/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "sample_form.h"

namespace frame {
namespace {

using testing::file_bytes;
using testing::temp_file;

constexpr std::array<ControlDesc, 11> kTenFields = {{
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
    {"TEXT1", ControlKind::Static, "label", 0, 0, 10, 10, 0, false, ""},
}};
constexpr FormDesc kTenFieldForm = {"settings", 100, 100, "FixedSys", 16, kTenFields};

// Lines 1..10 to EDIT1..EDIT10, as the program that writes the file has it.
SettingsMap all_ten(const Form& form) {
  SettingsMap map;
  for (int i = 0; i < kSettingsLines; ++i) map[i] = form.bind("EDIT" + std::to_string(i + 1));
  return map;
}

// The reading program keeps six of the ten lines, in its own fields.
SettingsMap six_of_ten(const Form& form) {
  SettingsMap map;
  map[0] = form.bind("EDIT2");
  map[1] = form.bind("EDIT3");
  map[2] = form.bind("EDIT1");
  map[3] = form.bind("EDIT4");
  map[6] = form.bind("EDIT5");
  map[9] = form.bind("EDIT6");
  return map;
}

std::string text_of(const Form& form, const char* name) { return form.text(form.bind(name)); }

const char* const kValues[10] = {"5", "8", "#", "C:\\data\\run, 1.txt", "", "128",
                                 "360.5", "", "out.txt", "2"};

TEST(SettingsFile, SaveWritesTenCrLfLinesAndOneEndMark) {
  Form form(kTenFieldForm);
  const SettingsMap map = all_ten(form);
  for (int i = 0; i < 10; ++i) form.set_text(*map[i], kValues[i]);
  FileTable files;
  const auto path = temp_file("setting.ini", "");
  save_settings(form, files, path.string(), map);
  EXPECT_EQ(file_bytes(path),
            "5\r\n8\r\n#\r\nC:\\data\\run, 1.txt\r\n\r\n128\r\n360.5\r\n\r\nout.txt\r\n2\r\n\x1a");
}

TEST(SettingsFile, SaveThenLoadRestoresAllTenFieldsIncludingEmpty) {
  Form saved(kTenFieldForm);
  const SettingsMap saved_map = all_ten(saved);
  for (int i = 0; i < 10; ++i) saved.set_text(*saved_map[i], kValues[i]);
  FileTable files;
  const auto path = temp_file("roundtrip.ini", "");
  save_settings(saved, files, path.string(), saved_map);

  Form loaded(kTenFieldForm);
  const SettingsMap map = all_ten(loaded);
  loaded.set_text(*map[4], "was here");  // an empty line empties the field
  loaded.run_pending();
  load_settings(loaded, files, path.string(), map);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(loaded.text(*map[i]), kValues[i]) << i;
  EXPECT_EQ(loaded.pending(), 10u);  // one CHANGE per field set
  EXPECT_NO_THROW(files.open("I", 1, path.string()));  // the file was closed
}

TEST(SettingsFile, EachFieldRaisesItsChangeInFileOrder) {
  Form form(kTenFieldForm);
  const SettingsMap map = six_of_ten(form);
  std::string log;
  form.bind_handlers({
      {"EDIT1_CHANGE", [&] { log += "1"; }},
      {"EDIT2_CHANGE", [&] { log += "2"; }},
      {"EDIT5_CHANGE", [&] { log += "5"; }},
      {"EDIT6_CHANGE", [&] { log += "6"; }},
  });
  FileTable files;
  const auto path = temp_file("order.ini", "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\n\x1a");
  load_settings(form, files, path.string(), map);
  form.run_pending();
  EXPECT_EQ(log, "2156");
}

TEST(SettingsFile, ShortFileIs54AtTheMissingLineWithEarlierFieldsSet) {
  Form form(kTenFieldForm);
  const SettingsMap map = all_ten(form);
  FileTable files;
  const auto path = temp_file("short.ini", "5\r\n8\r\n#\r\n\x1a");
  try {
    load_settings(form, files, path.string(), map);
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::kInputPastEnd);
  }
  files.abandon();
  EXPECT_EQ(text_of(form, "EDIT1"), "5");
  EXPECT_EQ(text_of(form, "EDIT2"), "8");
  EXPECT_EQ(text_of(form, "EDIT3"), "#");
  EXPECT_EQ(text_of(form, "EDIT4"), "");
  EXPECT_EQ(text_of(form, "EDIT5"), "00");
}

TEST(SettingsFile, LinesAfterTheTenthAreNotRead) {
  Form form(kTenFieldForm);
  FileTable files;
  const auto path = temp_file("long.ini", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n");
  load_settings(form, files, path.string(), all_ten(form));
  EXPECT_EQ(text_of(form, "EDIT10"), "10");
}

TEST(SettingsFile, SaveOverALongerFileLeavesExactlyTenLines) {
  Form form(kTenFieldForm);
  FileTable files;
  const auto path = temp_file("over.ini", std::string(15, 'x') + "\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n");
  save_settings(form, files, path.string(), all_ten(form));
  EXPECT_EQ(file_bytes(path), "\r\n\r\n\r\n\r\n00\r\n\r\n\r\n\r\n\r\n\r\n\x1a");
}

TEST(SettingsFile, SixOfTenMappingDropsLinesFiveSixEightNine) {
  Form writer(kTenFieldForm);
  const SettingsMap writer_map = all_ten(writer);
  for (int i = 0; i < 10; ++i) writer.set_text(*writer_map[i], kValues[i]);
  FileTable files;
  const auto path = temp_file("shared.ini", "");
  save_settings(writer, files, path.string(), writer_map);

  Form reader(kTenFieldForm);
  const ControlRef edit7 = reader.bind("EDIT7");
  reader.set_text(edit7, "untouched");
  load_settings(reader, files, path.string(), six_of_ten(reader));
  EXPECT_EQ(text_of(reader, "EDIT1"), "#");     // line 3
  EXPECT_EQ(text_of(reader, "EDIT2"), "5");     // line 1
  EXPECT_EQ(text_of(reader, "EDIT3"), "8");     // line 2
  EXPECT_EQ(text_of(reader, "EDIT4"), "C:\\data\\run, 1.txt");
  EXPECT_EQ(text_of(reader, "EDIT5"), "360.5");  // line 7
  EXPECT_EQ(text_of(reader, "EDIT6"), "2");      // line 10
  EXPECT_EQ(reader.text(edit7), "untouched");
  EXPECT_EQ(text_of(reader, "EDIT9"), "");
}

}  // namespace
}  // namespace frame

// The data file, subtract file and settings file readers.
#include <gtest/gtest.h>

#include <string>

#include "frame/datafile.h"
#include "frame/settings.h"
#include "frame/subtract.h"
#include "tests/support/sample_form.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using test_support::code_of;
using test_support::read_file;
using test_support::temp_file;

// The marks' everyday lines: tarvex's Check test.
TEST(CommentMark, LinesStartingWithTheWholeMarkAreCommentsEmptyMarkTakesEmptyLines) {
  const struct {
    const char* mark;
    const char* line;
    bool comment;
  } rows[] = {
      {"#", "#", true},     {"#", "12.5 # later", false},
      {"##", "#x#", false}, {"c", "C", false},
      {"", " ", false},     {"", "#", false},
  };
  for (const auto& r : rows)
    EXPECT_EQ(CommentMark(r.mark).is_comment(r.line), r.comment) << r.mark << "|" << r.line;
  EXPECT_EQ(CommentMark("").length(), 1u);
  EXPECT_EQ(CommentMark("##").length(), 2u);
}

TEST(DataColumn, FromAndLettersRoundedCutTheColumnWithItsPrecision) {
  const struct {
    float from, letters;
    const char* line;
    double value;
  } rows[] = {
      {5, 3, "abcd12345", 123},
      {5, 3, "abc", 0},
      {4.5f, 2.5f, "abcd12345", 123},  // From 5, letters 3
      {1, 0, "12", 0},
      {0.5f, 1, "7", 7},
      {1, -0.4f, "7", 0},
      {1, 20, "0.1", double{0.1f}},
      {1, 20, "0.10000000", 0.1},
  };
  for (const auto& r : rows)
    EXPECT_EQ(DataColumn(r.from, r.letters).value(r.line), r.value)
        << r.from << " " << r.letters << " " << r.line;
}

struct SubtractFile : ::testing::Test {
  FileTable files;
  SubtractTable table;

  // Reads a table from these bytes, then checks the reader let its file go.
  bool read(std::string_view bytes) {
    const bool read = read_subtract_table(
        files, 1, test_support::temp_file("subtract.txt", bytes).string(), table);
    EXPECT_NO_THROW(files.open("I", 1, test_support::temp_file("other.txt", "x").string()));
    files.close({1});
    return read;
  }
  int error_reading(std::string_view bytes) {
    const int code = code_of([&] { read(bytes); });
    files.abandon();
    return code;
  }
  const SubtractEntry& entry(int i) const { return table.entries[static_cast<std::size_t>(i)]; }
};

TEST_F(SubtractFile, HashOnlyEmptyFileOrEmptyPathGiveAnEmptyTableThatChangesNothing) {
  EXPECT_TRUE(read("#\r\n"));
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(table.degree, 6.0);
  EXPECT_EQ(subtract_model(table, 12.5, 3, 0, 0), 12.5);  // S = 0 does not matter
  EXPECT_TRUE(read(""));
  EXPECT_TRUE(table.empty());
  table.count = 3;
  EXPECT_TRUE(read_subtract_table(files, 1, "", table));
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(
      code_of([&] { read_subtract_table(files, 1, "/nonexistent/frame-subtract.txt", table); }),
      err::kFileNotFound);
}

TEST_F(SubtractFile, DegreeZeroEntryOfRate90RateAndPhaseAsTextCoefficientsAsDoubles) {
  ASSERT_TRUE(read("\r\n,,deg=0,\r\n\r\n90,0.1,1.5,,\r\n"));  // empty fields skipped
  ASSERT_EQ(table.count, 1);
  EXPECT_EQ(table.degree, 0.0);
  EXPECT_EQ(entry(0).rate, 90.0);
  EXPECT_EQ(entry(0).phase, double{0.1f});
  EXPECT_EQ(entry(0).coef[0], 1.5);
  EXPECT_EQ(entry(0).coef[1], 0.0);
  table.entries[0].phase = 0;
  EXPECT_EQ(subtract_model(table, 10, 0, 0, 1), 8.5);                 // t = 0: all of 1.5
  EXPECT_NEAR(subtract_model(table, 10, 1, 0, 1), 10, 1e-12);         // t = 1: 1.5 cos 90deg
  EXPECT_NEAR(subtract_model(table, 10, 200, 100, 50), 11.5, 1e-12);  // t = 2: cos 180deg
  ASSERT_TRUE(read("deg=0\r\n0.1,0.1,0.1\r\n"));
  EXPECT_EQ(entry(0).rate, double{0.1f});
  EXPECT_EQ(entry(0).coef[0], 0.1);
}

TEST_F(SubtractFile, WithoutDegreeFieldEveryEntryTakesNineFields) {
  ASSERT_TRUE(read("1,2,3,4,5,6,7,8,9\r\n10:20:30 : 40,50,60,70,80,90\r\n"));
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(entry(0).coef[6], 9.0);
  EXPECT_EQ(entry(1).rate, 10.0);
  EXPECT_EQ(entry(1).phase, 20.0);
  EXPECT_EQ(entry(1).coef[0], 30.0);
  EXPECT_EQ(entry(1).coef[6], 90.0);
  EXPECT_EQ(error_reading("1,2,3,4,5,6,7,8\r\n"), err::kInputPastEnd);  // one short
}

TEST_F(SubtractFile, DegreesTwoThenOneFinalDegreeAppliesToEveryEntry) {
  ASSERT_TRUE(read("deg=2\r\n0,0,1,2,3\r\ndeg=1\r\n0,0,4,5\r\n"));
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(table.degree, 1.0);
  EXPECT_EQ(entry(0).coef[2], 3.0);                             // read, but ignored below
  EXPECT_DOUBLE_EQ(subtract_model(table, 100, 2, 0, 1), 81.0);  // (1 + 2t) + (4 + 5t) at t = 2
  ASSERT_TRUE(read("deg=2.5,0,0,1,1,1\r\n"));  // a fractional degree uses its whole part
  EXPECT_EQ(table.degree, 2.5);
  EXPECT_DOUBLE_EQ(subtract_model(table, 0, 3, 0, 1), -13.0);  // 1 + 3 + 9
}

TEST_F(SubtractFile, NegativeDegreeReadsOneCoefficient) {
  ASSERT_TRUE(read("deg=-1\r\n0,0,2.5\r\n0,60,4\r\n"));
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(entry(0).coef[0], 2.5);
  EXPECT_EQ(entry(1).phase, 60.0);
  EXPECT_EQ(entry(1).coef[0], 4.0);
  EXPECT_NEAR(subtract_model(table, 10, 5, 0, 1), 10 - 2.5 - 2, 1e-12);  // 2.5 cos 0 + 4 cos 60deg
}

TEST_F(SubtractFile, HashFieldEndsFortyFirstEntryIs9DegreeAboveSixStops) {
  ASSERT_TRUE(read("deg=0\r\n1,0,1\r\n#end, deg=9\r\n2,0,2\r\n"));
  EXPECT_EQ(table.count, 1);
  EXPECT_EQ(table.degree, 0.0);
  std::string forty = "deg=0\r\n";
  for (int i = 0; i < 40; ++i) forty += "1,2,3\r\n";
  ASSERT_TRUE(read(forty));
  EXPECT_EQ(table.count, 40);
  EXPECT_EQ(error_reading(forty + "1,2,3\r\n"), err::kSubscript);
  EXPECT_FALSE(read("deg=7\r\n1,2,3\r\n"));
  EXPECT_FALSE(read("deg=0\r\n1,2,3\r\ndeg=6.5\r\n"));
  EXPECT_TRUE(read("deg=6\r\n1,2,3,4,5,6,7,8,9\r\n"));
}

// Every entry's terms A0..Am in t, times the cosine of rate t + phase (degrees),
// subtracted in turn; a zero samples-per-cycle is 11 even at k = origin.
TEST(SubtractModel, EntriesSubtractTheirTermsTimesTheCosineOfRateTPlusPhase) {
  SubtractTable table;
  table.degree = 3;
  table.count = 2;
  table.entries[0] = {.rate = 45, .phase = 90, .coef = {1, 0, 0, 0.5}};  // A4 unused
  table.entries[1] = {.rate = 0, .phase = 0, .coef = {1, 1, 1, 1, 99}};
  // t = 2: 100 - (1 + 4) cos 180deg - (1 + 2 + 4 + 8) cos 0
  EXPECT_NEAR(subtract_model(table, 100, 25, 5, 10), 90.0, 1e-9);
  EXPECT_EQ(code_of([&] { subtract_model(table, 1, 5, 5, 0); }), err::kDivisionByZero);
}

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

}  // namespace
}  // namespace frame

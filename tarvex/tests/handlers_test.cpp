// The form, LOAD, the Refer buttons and "Check".
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tarvex/form_table.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::crlf_lines;
using testing::error_code_of;
using testing::Harness;
using testing::ScratchDir;
using testing::write_bytes;

TEST(TarvexForm, FortyControlsWithUniqueAliases) {
  ASSERT_EQ(kForm.controls.size(), 40u);
  std::set<std::string_view> seen;
  for (const auto& c : kForm.controls) {
    EXPECT_FALSE(c.alias.empty()) << c.name;
    EXPECT_TRUE(seen.insert(c.alias).second) << c.alias;
    EXPECT_TRUE(seen.insert(c.name).second) << c.name;
  }
}

TEST(TarvexForm, InputLimitsOfTheColumnFields) {
  for (const auto& c : kForm.controls) {
    const bool digits = c.name == "EDIT2" || c.name == "EDIT3";
    EXPECT_EQ(c.digits_only, digits) << c.name;
    if (digits) {
      EXPECT_EQ(c.max_length, 4);
    }
  }
  EXPECT_EQ(kForm.controls[0].max_length, 8);  // comment mark
}

TEST(TarvexForm, FreshFormShowsTheInitialTexts) {
  Harness h;
  EXPECT_EQ(h.text("EDIT7"), "10");
  EXPECT_EQ(h.text("EDIT8"), "100");
  EXPECT_EQ(h.text("EDIT9"), "tarvex.txt");
  EXPECT_EQ(h.text("EDIT10"), "360");
  EXPECT_EQ(h.text("EDIT11"), "1");
  EXPECT_EQ(h.text("TEXT5"), "Number of data:0");
  for (const char* name : {"EDIT1", "EDIT2", "EDIT3", "EDIT4", "EDIT5", "EDIT6", "EDIT12",
                           "EDIT13"})
    EXPECT_EQ(h.text(name), "") << name;
}

// ---- Check ------------------------------------------------------------------

struct TarvexCheck : ::testing::Test {
  ScratchDir dir;
  Harness h;
  std::string data = dir.file("data.txt");
  void SetUp() override { h.set("EDIT4", data); }
};

TEST_F(TarvexCheck, CountsLinesThatAreNotCommentLines) {
  write_bytes(data, crlf_lines({"#x", "", "  #x", "12.5"}));
  h.set("EDIT1", "#");
  h.app.BUTTON3_ON();
  EXPECT_EQ(h.text("TEXT5"), "Number of Data: 3");
}

TEST_F(TarvexCheck, EmptyMarkSkipsExactlyTheEmptyLines) {
  write_bytes(data, crlf_lines({"1", "", "2", "3", "", "4", "5", "6", "7", "8"}));
  h.app.BUTTON3_ON();
  EXPECT_EQ(h.text("TEXT5"), "Number of Data: 8");
}

TEST_F(TarvexCheck, LongerMarkComparesItsWholeLength) {
  write_bytes(data, crlf_lines({"#", "##", "## x", "#x"}));
  h.set("EDIT1", "##");
  h.app.BUTTON3_ON();
  EXPECT_EQ(h.text("TEXT5"), "Number of Data: 2");
}

TEST_F(TarvexCheck, LineFeedOnlyFileIsOneLine) {
  write_bytes(data, "1\n2\n3\n");
  h.app.BUTTON3_ON();
  EXPECT_EQ(h.text("TEXT5"), "Number of Data: 1");
}

TEST_F(TarvexCheck, ColumnFieldsAreNotUsed) {
  write_bytes(data, crlf_lines({"1", "2"}));
  h.set("EDIT2", "");  // From 0 would stop a run that cuts the column
  h.app.BUTTON3_ON();
  EXPECT_EQ(h.text("TEXT5"), "Number of Data: 2");
}

TEST_F(TarvexCheck, MillionsAreShownInSinglePrecisionForm) {
  std::string text;
  text.reserve(1234567 * 2);
  for (int i = 0; i < 1234567; ++i) text += "1\r";
  write_bytes(data, text);
  h.app.BUTTON3_ON();
  EXPECT_EQ(h.text("TEXT5"), "Number of Data: 1.23457E+06");
}

TEST_F(TarvexCheck, MissingFileKeepsTheCountText) {
  h.set("EDIT4", dir.file("missing.txt"));
  EXPECT_EQ(error_code_of([&] { h.app.BUTTON3_ON(); }), frame::err::kFileNotFound);
  EXPECT_EQ(h.text("TEXT5"), "Number of data:0");
}

// ---- LOAD -------------------------------------------------------------------

TEST(TarvexLoad, TakesTheSharedLinesAndDropsTheOthers) {
  ScratchDir dir;
  Harness h;
  const std::string settings = dir.file("setting.ini");
  write_bytes(settings, crlf_lines({"9", "12", "#", "C:\\data\\a.txt", "10", "512", "100",
                                    "24", "C:\\out\\mulrin.txt", "0.5"}) +
                            "\x1a");
  h.dialogs.answers.push_back(settings);
  h.app.BUTTON1_ON();
  EXPECT_EQ(h.text("EDIT2"), "9");
  EXPECT_EQ(h.text("EDIT3"), "12");
  EXPECT_EQ(h.text("EDIT1"), "#");
  EXPECT_EQ(h.text("EDIT4"), "C:\\data\\a.txt");
  EXPECT_EQ(h.text("EDIT5"), "100");
  EXPECT_EQ(h.text("EDIT6"), "0.5");
  // Lines 5, 6, 8 and 9 belong to the block analyser's fields only.
  EXPECT_EQ(h.text("EDIT7"), "10");
  EXPECT_EQ(h.text("EDIT8"), "100");
  EXPECT_EQ(h.text("EDIT9"), "tarvex.txt");
  EXPECT_EQ(h.text("EDIT10"), "360");
}

TEST(TarvexLoad, ShortFileStopsWithTheFieldsReadSoFar) {
  ScratchDir dir;
  Harness h;
  const std::string settings = dir.file("setting.ini");
  write_bytes(settings, crlf_lines({"3", "4", "%"}));
  h.dialogs.answers.push_back(settings);
  EXPECT_EQ(error_code_of([&] { h.app.BUTTON1_ON(); }), frame::err::kInputPastEnd);
  EXPECT_EQ(h.text("EDIT2"), "3");
  EXPECT_EQ(h.text("EDIT1"), "%");
}

TEST(TarvexLoad, CancelChangesNothing) {
  Harness h;
  h.app.BUTTON1_ON();  // no answer: the dialog is cancelled
  EXPECT_EQ(h.text("EDIT2"), "");
  EXPECT_EQ(h.text("EDIT5"), "");
}

// ---- Refer ------------------------------------------------------------------

// Answers every dialog with one path and remembers what it was asked.
class RecordingDialogs : public frame::FileDialogs {
 public:
  struct Request {
    bool save;
    std::string title, initial_name, filter;
  };
  std::vector<Request> requests;
  std::string answer;
  std::string open(std::string_view title, std::string_view initial_name,
                   std::string_view filter) override {
    requests.push_back({false, std::string(title), std::string(initial_name),
                        std::string(filter)});
    return answer;
  }
  std::string save(std::string_view title, std::string_view initial_name,
                   std::string_view filter) override {
    requests.push_back({true, std::string(title), std::string(initial_name),
                        std::string(filter)});
    return answer;
  }
};

struct ReferCase {
  void (App::*handler)();
  const char* field;
  bool save;
  const char* title;
  const char* initial_name;
  const char* filter;
};

TEST(TarvexRefer, EachButtonAsksItsDialogAndFillsItsField) {
  const ReferCase cases[] = {
      {&App::BUTTON2_ON, "EDIT4", false, "Data for FFT", "*.*", "Data File(*.*)"},
      {&App::BUTTON7_ON, "EDIT13", false, "Data for Subtract", "*.*", "Subtract File(*.*)"},
      {&App::BUTTON6_ON, "EDIT9", true, "Output File", "tarvex.txt", "Output File(*.*)"},
      {&App::BUTTON1_ON, nullptr, false, "Load Setting Data", "*.ini",
       "Setting Data(*.ini)"},
  };
  for (const ReferCase& c : cases) {
    RecordingDialogs dialogs;
    frame::RecordingSurface surface;
    App app(dialogs, surface);
    dialogs.answer = c.field ? "C:\\my files\\chosen one.txt" : frame::kCancelMarker;
    (app.*c.handler)();
    ASSERT_EQ(dialogs.requests.size(), 1u) << c.title;
    EXPECT_EQ(dialogs.requests[0].save, c.save) << c.title;
    EXPECT_EQ(dialogs.requests[0].title, c.title);
    EXPECT_EQ(dialogs.requests[0].initial_name, c.initial_name);
    EXPECT_EQ(dialogs.requests[0].filter, c.filter);
    if (c.field) {
      EXPECT_EQ(app.form().text(app.form().bind(c.field)), "C:\\my files\\chosen one.txt");
    }
  }
}

TEST(TarvexRefer, CancelLeavesTheFieldAndSecondChoiceReplacesTheFirst) {
  RecordingDialogs dialogs;
  frame::RecordingSurface surface;
  App app(dialogs, surface);
  const frame::ControlRef edit4 = app.form().bind("EDIT4");
  dialogs.answer = frame::kCancelMarker;
  app.BUTTON2_ON();
  EXPECT_EQ(app.form().text(edit4), "");
  dialogs.answer = "/data/first.txt";
  app.BUTTON2_ON();
  dialogs.answer = "/data/second.txt";
  app.BUTTON2_ON();
  EXPECT_EQ(app.form().text(edit4), "/data/second.txt");
  // The dialog always opens with the table's initial name.
  EXPECT_EQ(dialogs.requests[2].initial_name, "*.*");
}

TEST(TarvexRefer, ChosenPathThroughTheCommandLine) {
  ScratchDir dir;
  Harness h;
  const std::string data = dir.file("data file.txt");
  write_bytes(data, "1\r\n");
  EXPECT_EQ(h.run({"--choose", data, "--click", "refer-data", "--print", "data-file"}), 0);
  EXPECT_EQ(h.out, data + "\n");
}

}  // namespace
}  // namespace tarvex

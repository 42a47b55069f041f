// The form, LOAD, the Refer buttons and "Check".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::code_of;
using testing::crlf_lines;
using testing::Harness;
using testing::write_file;

TEST(TarvexCheck, CountsLinesThatAreNotCommentLines) {
  std::string millions;
  for (int i = 0; i < 1234567; ++i) millions += "1\r";
  const struct {
    const char* mark;
    std::string data;
    const char* count;
  } cases[] = {
      {"#", crlf_lines({"#x", "", "  #x", "12.5"}), "3"},
      {"", crlf_lines({"1", "", "2", "3", "", "4", "5", "6", "7", "8"}), "8"},  // empty lines only
      {"##", crlf_lines({"#", "##", "## x", "#x"}), "2"},  // the whole mark compared
      {"", "1\n2\n3\n", "1"},                              // LF is no line end
      {"", millions, "1.23457E+06"},                       // a single's text
  };
  testing::Scratch dir;
  for (const auto& c : cases) {
    Harness h;
    write_file(dir.path("data.txt"), c.data);
    h.set("EDIT4", dir.path("data.txt"));
    h.set("EDIT1", c.mark);
    h.set("EDIT2", "");  // the column fields are not used
    h.app.BUTTON3_ON();
    EXPECT_EQ(h.text("TEXT5"), std::string("Number of Data: ") + c.count);
  }
  Harness h;
  h.set("EDIT4", dir.path("missing.txt"));
  EXPECT_EQ(code_of([&] { h.app.BUTTON3_ON(); }), frame::err::kFileNotFound);
  EXPECT_EQ(h.text("TEXT5"), "Number of data:0");
}

TEST(TarvexLoad, TakesTheSharedLinesDropsTheOthersAndStopsAtAShortFile) {
  testing::Scratch dir;
  Harness h;
  const std::string settings = dir.path("setting.ini");
  write_file(settings, crlf_lines({"9", "12", "#", "C:\\data\\a.txt", "10", "512", "100", "24",
                                   "C:\\out\\mulrin.txt", "0.5"}) +
                           "\x1a");
  h.dialogs.answers.push_back(settings);
  h.app.BUTTON1_ON();
  // Lines 5, 6, 8 and 9 belong to the block analyser's fields only.
  EXPECT_EQ(h.texts("EDIT2 EDIT3 EDIT1 EDIT4 EDIT5 EDIT6 EDIT7 EDIT8 EDIT9 EDIT10 EDIT11 EDIT13"),
            "9|12|#|C:\\data\\a.txt|100|0.5|10|100|tarvex.txt|360|1||");
  write_file(settings, crlf_lines({"3", "4", "%"}));
  h.dialogs.answers.push_back(settings);
  EXPECT_EQ(code_of([&] { h.app.BUTTON1_ON(); }), frame::err::kInputPastEnd);
  EXPECT_EQ(h.text("EDIT2"), "3");
  EXPECT_EQ(h.text("EDIT1"), "%");
}

// Answers every dialog with one path and remembers what it was asked.
struct RecordingDialogs : frame::FileDialogs {
  using SV = std::string_view;
  std::vector<std::string> requests;  // "kind|title|name|filter"
  std::string answer;
  std::string ask(SV kind, SV title, SV name, SV filter) {
    requests.push_back(
        std::string(kind).append(title).append("|").append(name).append("|").append(filter));
    return answer;
  }
  std::string open(SV t, SV n, SV f) override { return ask("open|", t, n, f); }
  std::string save(SV t, SV n, SV f) override { return ask("save|", t, n, f); }
};

TEST(TarvexRefer, EachButtonAsksItsDialogAndFillsItsFieldUnlessCancelled) {
  const struct {
    void (App::*handler)();
    const char* field;
    const char* request;
  } cases[] = {
      {&App::BUTTON2_ON, "EDIT4", "open|Data for FFT|*.*|Data File(*.*)"},
      {&App::BUTTON7_ON, "EDIT13", "open|Data for Subtract|*.*|Subtract File(*.*)"},
      {&App::BUTTON6_ON, "EDIT9", "save|Output File|tarvex.txt|Output File(*.*)"},
      {&App::BUTTON1_ON, "EDIT2", "open|Load Setting Data|*.ini|Setting Data(*.ini)"},
  };
  for (const auto& c : cases) {
    RecordingDialogs dialogs;
    frame::RecordingSurface surface;
    App app(dialogs, surface);
    const frame::ControlRef field = app.form().bind(c.field);
    app.form().set_text(field, "before");
    dialogs.answer = frame::kCancelMarker;
    (app.*c.handler)();
    EXPECT_EQ(app.form().text(field), "before");
    if (c.handler != &App::BUTTON1_ON) {
      dialogs.answer = "C:\\my files\\chosen one.txt";
      (app.*c.handler)();
      EXPECT_EQ(app.form().text(field), "C:\\my files\\chosen one.txt");
    }
    for (const std::string& r : dialogs.requests)
      EXPECT_EQ(r, c.request);  // always the table's initial name
  }
}

}  // namespace
}  // namespace tarvex

#include "frame/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sample_form.h"

namespace frame {
namespace {

using testing::kSampleForm;

// Catches the code of the run-time error a statement raises (0 for none).
template <typename F>
int error_code_of(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

TEST(Form, TextsStartAtTheCaptions) {
  Form form(kSampleForm);
  EXPECT_EQ(form.text(form.bind("EDIT1")), "#");
  EXPECT_EQ(form.text(form.bind("EDIT2")), "");
  EXPECT_EQ(form.text(form.bind("TEXT2")), "Number of data:0");
  EXPECT_EQ(form.text(form.bind("BUTTON3")), "Calc.");
  EXPECT_EQ(form.pending(), 0u);
}

TEST(Form, BindByExactNameAndUnknownNameIs1013) {
  Form form(kSampleForm);
  EXPECT_EQ(form.bind("BUTTON2").index, 7);
  EXPECT_EQ(error_code_of([&] { form.bind("EDIT9"); }), err::kNoSuchControl);
  EXPECT_EQ(error_code_of([&] { form.bind("edit1"); }), err::kNoSuchControl);
  EXPECT_EQ(error_code_of([&] { form.bind("mark"); }), err::kNoSuchControl);  // aliases are not names
  EXPECT_EQ(error_code_of([&] { form.bind(""); }), err::kInvalidCall);
  EXPECT_EQ(error_code_of([&] { form.bind(std::string(22, 'A')); }), err::kInvalidCall);
  const unsigned line = __LINE__ + 1;
  try { form.bind("EDIT99"); } catch (const RuntimeError& e) { EXPECT_EQ(e.line(), line); }
}

TEST(Form, FindByNameOrAlias) {
  Form form(kSampleForm);
  EXPECT_EQ(form.find("EDIT2"), 1);
  EXPECT_EQ(form.find("from"), 1);
  EXPECT_EQ(form.find("count"), 5);
  EXPECT_EQ(form.find("button1"), 6);
  EXPECT_EQ(form.find("nothing"), std::nullopt);
  EXPECT_EQ(form.find(""), std::nullopt);
}

// A form whose handlers log what runs, with begin and end of each handler.
struct LoggingForm {
  Form form{kSampleForm};
  std::string log;
  ControlRef edit1 = form.bind("EDIT1");
  ControlRef edit2 = form.bind("EDIT2");
  ControlRef text1 = form.bind("TEXT1");

  LoggingForm() {
    form.bind_handlers({
        {"BUTTON1_ON",
         [this] {
           log += "[B1";
           form.set_text(edit1, "a");
           form.set_text(text1, "label");  // a static text raises nothing
           form.set_text(edit2, "12");
           form.run_pending();  // from inside a handler: returns at once
           log += " running=" + std::to_string(form.running()) + "]";
         }},
        {"BUTTON2_ON", [this] { log += "[B2]"; }},
        {"EDIT1_CHANGE", [this] { log += "[E1 " + form.text(edit1) + "]"; }},
        {"EDIT2_CHANGE", [this] { log += "[E2 " + form.text(edit2) + "]"; }},
        {"TEXT1_CLICK", [this] { log += "[T1]"; }},
        {"TEXT1_ON", [this] { log += "[never: not declared for a static]"; }},
    });
  }
};

TEST(FormEvents, HandlerRaisedChangesRunAfterTheHandlerInOrder) {
  LoggingForm f;
  f.form.raise_event(6, "ON");
  f.form.run_pending();
  EXPECT_EQ(f.log, "[B1 running=1][E1 a][E2 12]");
  EXPECT_FALSE(f.form.running());
  EXPECT_EQ(f.form.text(f.text1), "label");
}

TEST(FormEvents, ClicksQueuedDuringAHandlerRunInClickOrderBeforeItsChanges) {
  LoggingForm f;
  f.form.raise_event(6, "ON");
  f.form.raise_event(7, "ON");
  f.form.raise_event(6, "ON");
  f.form.run_pending();
  EXPECT_EQ(f.log, "[B1 running=1][B2][B1 running=1][E1 a][E2 12][E1 a][E2 12]");
}

TEST(FormEvents, EventsWithoutHandlerOrUndeclaredDoNothing) {
  LoggingForm f;
  EXPECT_TRUE(f.form.raise_event(8, "ON"));         // BUTTON3 has no handler
  EXPECT_TRUE(f.form.raise_event(4, "DBLCLICK"));   // declared, no handler
  EXPECT_TRUE(f.form.raise_event(4, "ON"));         // not declared for a static
  EXPECT_TRUE(f.form.raise_event(0, "DROPFILES"));
  EXPECT_EQ(f.form.pending(), 3u);
  f.form.run_pending();
  EXPECT_EQ(f.log, "");
  f.form.raise_event(4, "CLICK");
  f.form.run_pending();
  EXPECT_EQ(f.log, "[T1]");
}

TEST(FormEvents, The65thPendingEventIsDropped) {
  LoggingForm f;
  for (int i = 0; i < 64; ++i) EXPECT_TRUE(f.form.raise_event(7, "ON")) << i;
  EXPECT_FALSE(f.form.raise_event(7, "ON"));
  // A field set while the queue is full still takes its text; its CHANGE is lost.
  f.form.set_text(f.edit2, "7");
  EXPECT_EQ(f.form.text(f.edit2), "7");
  EXPECT_EQ(f.form.pending(), 64u);
  f.form.run_pending();
  std::string expected;
  for (int i = 0; i < 64; ++i) expected += "[B2]";
  EXPECT_EQ(f.log, expected);
}

TEST(FormEvents, SetTextOnAnEditRaisesChangeAndNotifies) {
  LoggingForm f;
  std::vector<std::string> seen;
  f.form.on_text_changed = [&](int index, const std::string& text) {
    seen.push_back(std::to_string(index) + "=" + text);
  };
  f.form.set_text(f.edit1, "x");
  f.form.set_text(f.edit1, "x");  // the same text still raises CHANGE
  f.form.set_text(f.text1, "t");
  EXPECT_EQ(f.form.pending(), 2u);
  f.form.run_pending();
  EXPECT_EQ(f.log, "[E1 x][E1 x]");
  EXPECT_EQ(seen, (std::vector<std::string>{"0=x", "0=x", "4=t"}));
}

TEST(FormEvents, RunTimeErrorAbandonsTheQueueAndLeavesTexts) {
  Form form(kSampleForm);
  const ControlRef edit3 = form.bind("EDIT3");
  std::string log;
  form.bind_handlers({
      {"BUTTON1_ON",
       [&] {
         form.set_text(edit3, "set before the error");
         raise(err::kDivisionByZero);
       }},
      {"BUTTON2_ON", [&] { log += "[B2]"; }},
      {"EDIT3_CHANGE", [&] { log += "[E3]"; }},
  });
  form.raise_event(6, "ON");
  form.raise_event(7, "ON");
  EXPECT_EQ(error_code_of([&] { form.run_pending(); }), err::kDivisionByZero);
  EXPECT_FALSE(form.running());
  EXPECT_EQ(form.pending(), 0u);
  EXPECT_EQ(log, "");
  EXPECT_EQ(form.text(edit3), "set before the error");
  form.raise_event(7, "ON");
  form.run_pending();
  EXPECT_EQ(log, "[B2]");
}

}  // namespace
}  // namespace frame

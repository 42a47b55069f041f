#include "frame/form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame/dialogs.h"
#include "tests/support/sample_form.h"
#include "tests/support/support.h"

namespace frame {
using test_support::code_of;
namespace {

using test_support::kSampleForm;

TEST(Form, TextsStartAtCaptionsBindByExactNameFindByNameOrAlias) {
  Form form(kSampleForm);
  EXPECT_EQ(form.text(form.bind("EDIT1")), "#");
  EXPECT_EQ(form.text(form.bind("TEXT2")), "Number of data:0");
  EXPECT_EQ(form.bind("BUTTON2").index, 7);
  for (const std::string name : {"EDIT9", "edit1", "mark"})  // aliases are not names
    EXPECT_EQ(code_of([&] { form.bind(name); }), err::kNoSuchControl) << name;
  EXPECT_EQ(code_of([&] { form.bind(""); }), err::kInvalidCall);
  EXPECT_EQ(code_of([&] { form.bind(std::string(22, 'A')); }), err::kInvalidCall);
  unsigned line = 0;
  try {
    line = __LINE__, form.bind("EDIT99");  // the statement the error names
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.line(), line);
  }
  EXPECT_EQ(form.find("from"), 1);
  EXPECT_EQ(form.find("count"), 5);
  EXPECT_EQ(form.find("button1"), 6);
  EXPECT_EQ(form.find("nothing"), std::nullopt);
  EXPECT_EQ(form.find(""), std::nullopt);
}

// A form whose handlers log what runs, with begin and end of each handler.
struct LoggingForm : ::testing::Test {
  Form form{kSampleForm};
  std::string log;
  ControlRef edit1 = form.bind("EDIT1"), edit2 = form.bind("EDIT2"), text1 = form.bind("TEXT1");

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

TEST_F(LoggingForm, HandlerRaisedChangesRunAfterTheHandlerAndAfterQueuedClicks) {
  form.raise_event(6, "ON");
  form.raise_event(7, "ON");
  form.raise_event(6, "ON");
  form.run_pending();
  EXPECT_EQ(log, "[B1 running=1][B2][B1 running=1][E1 a][E2 12][E1 a][E2 12]");
  EXPECT_FALSE(form.running());
  EXPECT_EQ(form.text(text1), "label");
}

TEST_F(LoggingForm, EventsWithoutHandlerOrUndeclaredDoNothing) {
  EXPECT_TRUE(form.raise_event(8, "ON"));        // BUTTON3 has no handler
  EXPECT_TRUE(form.raise_event(4, "DBLCLICK"));  // declared, no handler
  EXPECT_TRUE(form.raise_event(4, "ON"));        // not declared for a static
  EXPECT_TRUE(form.raise_event(0, "DROPFILES"));
  EXPECT_EQ(form.pending(), 3u);
  form.run_pending();
  EXPECT_EQ(log, "");
  form.raise_event(4, "CLICK");
  form.run_pending();
  EXPECT_EQ(log, "[T1]");
}

TEST_F(LoggingForm, The65thPendingEventIsDroppedAndAFieldSetThenLosesItsChange) {
  for (int i = 0; i < 64; ++i) EXPECT_TRUE(form.raise_event(7, "ON")) << i;
  EXPECT_FALSE(form.raise_event(7, "ON"));
  form.set_text(edit2, "7");
  EXPECT_EQ(form.text(edit2), "7");
  EXPECT_EQ(form.pending(), 64u);
  form.run_pending();
  EXPECT_EQ(log.size(), 64 * std::string("[B2]").size());
}

TEST_F(LoggingForm, SetTextOnAnEditRaisesChangeEvenForTheSameTextAndNotifies) {
  std::vector<std::string> seen;
  form.on_text_changed = [&](int index, const std::string& text) {
    seen.push_back(std::to_string(index) + "=" + text);
  };
  form.set_text(edit1, "x");
  form.set_text(edit1, "x");
  form.set_text(text1, "t");
  EXPECT_EQ(form.pending(), 2u);
  form.run_pending();
  EXPECT_EQ(log, "[E1 x][E1 x]");
  EXPECT_EQ(seen, (std::vector<std::string>{"0=x", "0=x", "4=t"}));
}

TEST(FormEvents, RunTimeErrorAbandonsTheQueueAndLeavesTexts) {
  Form form(kSampleForm);
  const ControlRef edit3 = form.bind("EDIT3");
  std::string log;
  form.bind_handlers({
      {"BUTTON1_ON",
       [&] { form.set_text(edit3, "set before the error"), raise(err::kDivisionByZero); }},
      {"BUTTON2_ON", [&] { log += "[B2]"; }},
      {"EDIT3_CHANGE", [&] { log += "[E3]"; }},
  });
  form.raise_event(6, "ON");
  form.raise_event(7, "ON");
  EXPECT_EQ(code_of([&] { form.run_pending(); }), err::kDivisionByZero);
  EXPECT_FALSE(form.running());
  EXPECT_EQ(form.pending(), 0u);
  EXPECT_EQ(form.text(edit3), "set before the error");
  form.raise_event(7, "ON");
  form.run_pending();
  EXPECT_EQ(log, "[B2]");
}

using Texts = std::vector<std::string>;

TEST(InitialName, SplitsAtTheLastSeparatorRootAndDriveColonKeepTheirs) {
  const std::string cwd = std::filesystem::current_path().string();
  // On Windows the folder is the full native path: a leading separator is
  // the root of the current drive, and a drive letter names a drive.
  const std::string drive = std::filesystem::current_path().root_name().string();
  const struct {
    std::string initial, folder, windows_folder, name;
  } rows[] = {
      {"*.ini", "", "", "*.ini"},
      {"", "", "", ""},
      {"/tmp/sub/setting.ini", "/tmp/sub", drive + "\\tmp\\sub", "setting.ini"},
      {"sub\\data\\*.*", cwd + "/sub\\data", cwd + "\\sub\\data", "*.*"},
      {"sub/", cwd + "/sub", cwd + "\\sub", ""},
      {"/x.txt", "/", drive + "\\", "x.txt"},
      {"C:\\x.txt", cwd + "/C:\\", "C:\\", "x.txt"},
      {"C:x.txt", cwd + "/C:", "C:\\", "x.txt"},
  };
  for (const auto& r : rows) {
    const InitialName n = split_initial_name(r.initial);
    EXPECT_EQ(n.folder + "|" + n.name,
              (test_support::kPosix ? r.folder : r.windows_folder) + "|" + r.name)
        << r.initial;
  }
}

TEST(DialogFilterText, BlanksRemovedCommasSplitPatternsSemicolonsSplitEntries) {
  std::vector<DialogFilter> f = parse_filter("Data( *.txt ,\t*.dat ) files;All(*.*)");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].description, "Data( *.txt ,\t*.dat )");
  EXPECT_EQ(f[0].patterns, (Texts{"*.txt", "*.dat"}));
  EXPECT_EQ(f[1].description, "All(*.*)");
  EXPECT_EQ(f[1].patterns, Texts{"*.*"});
  f = parse_filter("Plain");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_TRUE(f[0].patterns.empty());
}

TEST(DialogArguments, TitleOver64OrPathOver260IsError5) {
  EXPECT_EQ(code_of([] { check_dialog_arguments(std::string(64, 't'), std::string(260, 'p')); }),
            0);
  EXPECT_EQ(code_of([] { check_dialog_arguments(std::string(65, 't'), "*.*"); }),
            err::kInvalidCall);
  EXPECT_EQ(code_of([] { check_dialog_arguments("Output File", std::string(261, 'p')); }),
            err::kInvalidCall);
}

}  // namespace
}  // namespace frame

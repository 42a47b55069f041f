#include "frame/dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sample_form.h"

namespace frame {
namespace {

using testing::kSampleForm;

std::string cwd() { return std::filesystem::current_path().string(); }

TEST(InitialName, NameAloneOpensInTheCurrentDirectory) {
  InitialName n = split_initial_name("*.ini");
  EXPECT_EQ(n.folder, "");
  EXPECT_EQ(n.name, "*.ini");
  EXPECT_EQ(split_initial_name("").name, "");
}

TEST(InitialName, SplitsAtTheLastSeparatorAndDropsTheTrailingOne) {
  InitialName n = split_initial_name("/tmp/sub/setting.ini");
  EXPECT_EQ(n.folder, "/tmp/sub");
  EXPECT_EQ(n.name, "setting.ini");
  n = split_initial_name("sub\\data\\*.*");
  EXPECT_EQ(n.folder, cwd() + "/sub\\data");
  EXPECT_EQ(n.name, "*.*");
  n = split_initial_name("sub/");
  EXPECT_EQ(n.folder, cwd() + "/sub");
  EXPECT_EQ(n.name, "");
}

TEST(InitialName, RootAndDriveColonKeepTheirSeparator) {
  InitialName n = split_initial_name("/x.txt");
  EXPECT_EQ(n.folder, "/");
  EXPECT_EQ(n.name, "x.txt");
  n = split_initial_name("C:\\x.txt");
  EXPECT_EQ(n.folder, cwd() + "/C:\\");
  n = split_initial_name("C:x.txt");  // split at the colon itself
  EXPECT_EQ(n.folder, cwd() + "/C:");
  EXPECT_EQ(n.name, "x.txt");
}

TEST(DialogFilterText, OneEntryKeepsItsDescriptionAndPattern) {
  std::vector<DialogFilter> f = parse_filter("Setting Data(*.ini)");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].description, "Setting Data(*.ini)");
  EXPECT_EQ(f[0].patterns, std::vector<std::string>{"*.ini"});
}

TEST(DialogFilterText, BlanksRemovedCommasSplitEntriesAtSemicolons) {
  std::vector<DialogFilter> f = parse_filter("Data( *.txt ,\t*.dat ) files;All(*.*)");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].description, "Data( *.txt ,\t*.dat )");
  EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.txt", "*.dat"}));
  EXPECT_EQ(f[1].description, "All(*.*)");
  EXPECT_EQ(f[1].patterns, std::vector<std::string>{"*.*"});
  f = parse_filter("Plain");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_TRUE(f[0].patterns.empty());
}

TEST(DialogArguments, TitleOver64OrPathOver260IsError5) {
  EXPECT_NO_THROW(check_dialog_arguments(std::string(64, 't'), std::string(260, 'p')));
  try {
    check_dialog_arguments(std::string(65, 't'), "*.*");
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::kInvalidCall);
  }
  try {
    check_dialog_arguments("Output File", std::string(261, 'p'));
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::kInvalidCall);
  }
}

// Answers dialogs from a list and remembers how each was opened.
class FakeDialogs : public FileDialogs {
 public:
  std::vector<std::string> answers;
  std::vector<std::string> shown;
  std::string open(std::string_view title, std::string_view initial,
                   std::string_view filter) override {
    return answer("open", title, initial, filter);
  }
  std::string save(std::string_view title, std::string_view initial,
                   std::string_view filter) override {
    return answer("save", title, initial, filter);
  }

 private:
  std::string answer(std::string_view kind, std::string_view title,
                     std::string_view initial, std::string_view filter) {
    shown.push_back(std::string(kind) + "|" + std::string(title) + "|" +
                    std::string(initial) + "|" + std::string(filter));
    std::string a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
};

struct ReferFixture : ::testing::Test {
  Form form{kSampleForm};
  FakeDialogs dialogs;
  ControlRef data = form.bind("EDIT3");
  bool refer_data() {
    return refer(form, dialogs, DialogKind::Open, "Data for FFT", "*.*", "Data File(*.*)", data);
  }
};

TEST_F(ReferFixture, CancelLeavesEveryTextUnchanged) {
  std::vector<std::string> before;
  for (int i = 0; i < form.control_count(); ++i) before.push_back(form.text(ControlRef{i}));
  dialogs.answers = {kCancelMarker};
  EXPECT_FALSE(refer_data());
  for (int i = 0; i < form.control_count(); ++i) EXPECT_EQ(form.text(ControlRef{i}), before[i]);
  EXPECT_EQ(form.pending(), 0u);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"open|Data for FFT|*.*|Data File(*.*)"});
}

TEST_F(ReferFixture, PathLongerThanTheFieldMaximumIsWrittenWhole) {
  const std::string path = "/data/" + std::string(40, 'x') + ".txt";  // field max is 16
  dialogs.answers = {path};
  EXPECT_TRUE(refer_data());
  EXPECT_EQ(form.text(data), path);
  EXPECT_EQ(form.pending(), 1u);  // its CHANGE
}

TEST_F(ReferFixture, SecondReferOverridesTheFirstAndOpensWithTheSameInitialName) {
  dialogs.answers = {"/a.txt", "/b.txt"};
  refer_data();
  refer(form, dialogs, DialogKind::Save, "Output File", "tarvex.txt", "Output File(*.*)", data);
  EXPECT_EQ(form.text(data), "/b.txt");
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{
                               "open|Data for FFT|*.*|Data File(*.*)",
                               "save|Output File|tarvex.txt|Output File(*.*)"}));
}

}  // namespace
}  // namespace frame

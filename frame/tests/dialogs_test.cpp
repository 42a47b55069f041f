#include "frame/dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/sample_form.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using Texts = std::vector<std::string>;

TEST(InitialName, SplitsAtTheLastSeparatorRootAndDriveColonKeepTheirs) {
  const std::string cwd = std::filesystem::current_path().string();
  const struct { std::string initial, folder, name; } rows[] = {
      {"*.ini", "", "*.ini"},
      {"", "", ""},
      {"/tmp/sub/setting.ini", "/tmp/sub", "setting.ini"},
      {"sub\\data\\*.*", cwd + "/sub\\data", "*.*"},
      {"sub/", cwd + "/sub", ""},
      {"/x.txt", "/", "x.txt"},
      {"C:\\x.txt", cwd + "/C:\\", "x.txt"},
      {"C:x.txt", cwd + "/C:", "x.txt"},
  };
  for (const auto& r : rows) {
    const InitialName n = split_initial_name(r.initial);
    EXPECT_EQ(n.folder + "|" + n.name, r.folder + "|" + r.name) << r.initial;
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
  EXPECT_NO_THROW(check_dialog_arguments(std::string(64, 't'), std::string(260, 'p')));
  for (const auto& [title, path] : {std::pair{std::string(65, 't'), std::string("*.*")},
                                    std::pair{std::string("Output File"), std::string(261, 'p')}}) {
    try {
      check_dialog_arguments(title, path);
      ADD_FAILURE() << title.size() << " " << path.size();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.code(), err::kInvalidCall);
    }
  }
}

// Answers dialogs from a list and remembers how each was opened.
struct FakeDialogs : FileDialogs {
  Texts answers, shown;
  std::string open(std::string_view title, std::string_view initial, std::string_view filter) override {
    return answer("open", title, initial, filter);
  }
  std::string save(std::string_view title, std::string_view initial, std::string_view filter) override {
    return answer("save", title, initial, filter);
  }
  std::string answer(std::string_view kind, std::string_view title, std::string_view initial,
                     std::string_view filter) {
    shown.push_back(std::string(kind).append("|").append(title).append("|").append(initial).append("|").append(filter));
    const std::string a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
};

struct Refer : ::testing::Test {
  Form form{test_support::kSampleForm};
  FakeDialogs dialogs;
  ControlRef data = form.bind("EDIT3");
  bool refer_data() { return refer(form, dialogs, DialogKind::Open, "Data for FFT", "*.*", "Data File(*.*)", data); }
};

TEST_F(Refer, CancelLeavesEveryTextUnchanged) {
  Texts before;
  for (int i = 0; i < form.control_count(); ++i) before.push_back(form.text(ControlRef{i}));
  dialogs.answers = {kCancelMarker};
  EXPECT_FALSE(refer_data());
  for (int i = 0; i < form.control_count(); ++i) EXPECT_EQ(form.text(ControlRef{i}), before[i]);
  EXPECT_EQ(form.pending(), 0u);
}

TEST_F(Refer, PathLongerThanTheFieldMaximumIsWrittenWholeAndTheLastChoiceWins) {
  const std::string path = "/data/" + std::string(40, 'x') + ".txt";  // field max is 16
  dialogs.answers = {path, "/b.txt"};
  EXPECT_TRUE(refer_data());
  EXPECT_EQ(form.text(data), path);
  EXPECT_EQ(form.pending(), 1u);  // its CHANGE
  refer(form, dialogs, DialogKind::Save, "Output File", "tarvex.txt", "Output File(*.*)", data);
  EXPECT_EQ(form.text(data), "/b.txt");
  EXPECT_EQ(dialogs.shown, (Texts{"open|Data for FFT|*.*|Data File(*.*)", "save|Output File|tarvex.txt|Output File(*.*)"}));
}

}  // namespace
}  // namespace frame

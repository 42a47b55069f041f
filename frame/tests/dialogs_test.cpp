#include "frame/dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frame/driver.h"
#include "tests/support/sample_form.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using Texts = std::vector<std::string>;

TEST(InitialName, SplitsAtTheLastSeparatorRootAndDriveColonKeepTheirs) {
  const std::string cwd = std::filesystem::current_path().string();
  const struct {
    std::string initial, folder, name;
  } rows[] = {
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
  using test_support::code_of;
  EXPECT_EQ(code_of([] { check_dialog_arguments(std::string(64, 't'), std::string(260, 'p')); }),
            0);
  EXPECT_EQ(code_of([] { check_dialog_arguments(std::string(65, 't'), "*.*"); }),
            err::kInvalidCall);
  EXPECT_EQ(code_of([] { check_dialog_arguments("Output File", std::string(261, 'p')); }),
            err::kInvalidCall);
}

// A cancelled dialog sets no text, so it raises no CHANGE either.
TEST(Refer, CancelLeavesTheFieldAndRaisesNothing) {
  Form form{test_support::kSampleForm};
  const ControlRef data = form.bind("EDIT3");
  form.set_text(data, "kept");
  form.run_pending();
  ScriptedDialogs dialogs;  // no answer: the dialog is cancelled
  EXPECT_FALSE(
      refer(form, dialogs, DialogKind::Open, "Data for FFT", "*.*", "Data File(*.*)", data));
  EXPECT_EQ(form.text(data), "kept");
  EXPECT_EQ(form.pending(), 0u);
}

}  // namespace
}  // namespace frame

// Exports of a "Calc." run: the CSV and JSON of the example run read back,
// every value rounded as the report rounds it gives the report's text.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "frame/numtext.h"
#include "frame/tests/csv_reader.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using frame::Kind;
using test_support::read_file;

// A value of the CSV (a cell), of the JSON or computed, in a report pattern.
template <class Value>
std::string pat(const Value& v, std::string_view pattern) {
  double value;
  if constexpr (std::is_same_v<Value, std::string>)
    value = std::stod(v);
  else
    value = static_cast<double>(v);
  return frame::pattern_form(value, Kind::Double, pattern);
}

class TarvexExport : public ::testing::Test {
 protected:
  test_support::Scratch dir;
  testing::Harness h;
  std::string csv = dir.path("run.csv"), json = dir.path("run.json");
  std::string report = dir.path("report.txt");

  std::vector<std::string> example_run() {
    return {"--choose", TOOLS_SOURCE_DIR "/examples/setting.ini",
            "--click",  "BUTTON1",
            "--set",    "EDIT4=" TOOLS_SOURCE_DIR "/examples/drift.txt",
            "--set",    "EDIT13=" TOOLS_SOURCE_DIR "/examples/subtract.txt",
            "--set",    "EDIT8=5",
            "--set",    "EDIT9=" + report,
            "--click",  "BUTTON5"};
  }
};

TEST_F(TarvexExport, ExampleRunReadsBackAsTheReportPrintsIt) {
  std::vector<std::string> args = example_run();
  args.insert(args.end(), {"--export-csv", csv, "--export-json", json});
  ASSERT_EQ(h.run(args), 0) << h.err;
  const std::vector<std::string> lines = test_support::split_crlf(read_file(report));
  const frame::testing::CsvRows rows = frame::testing::read_csv(read_file(csv));
  const nlohmann::json doc = nlohmann::json::parse(read_file(json));

  ASSERT_EQ(rows.front(),
            (std::vector<std::string>{"interval", "cycle", "samples", "x", "y", "swing", "phase",
                                      "d_swing", "d_phase", "d_vec_length", "d_vec_angle"}));
  const std::size_t intervals = rows.size() - 1;
  ASSERT_GE(intervals, 3u);
  ASSERT_EQ(lines.size(), 4 + intervals + 4);  // source, with, speed, header; tail with pole
  ASSERT_EQ(doc["intervals"].size(), intervals);
  for (std::size_t i = 0; i < intervals; ++i) {
    const std::vector<std::string>& r = rows[i + 1];
    std::string row =
        pat(r[1], "#####.####)") + pat(r[5], "#####.#####") + "," + pat(r[6], "####.####deg:");
    if (i == 0) {
      EXPECT_EQ(r[7] + r[8] + r[9] + r[10], "");
      row += "-----.-----,----.----deg:-----.-----,----.----deg";
    } else {
      row += pat(r[7], "#####.#####") + "," + pat(r[8], "####.####deg:") +
             pat(r[9], "#####.#####") + "," + pat(r[10], "####.####deg");
    }
    EXPECT_EQ(row, lines[4 + i]);
    // The JSON holds the same values, and the swing is that of X and Y.
    const nlohmann::json& v = doc["intervals"][i];
    EXPECT_EQ(v["samples"].get<std::int64_t>(), 500);
    EXPECT_EQ(v["swing"].get<double>(), std::stod(r[5]));
    EXPECT_EQ(pat(std::hypot(v["x"].get<double>(), v["y"].get<double>()), "#####.#####"),
              pat(r[5], "#####.#####"));
  }
  const nlohmann::json& avg = doc["average"];
  const nlohmann::json& dev = doc["deviation"];
  auto four = [](const nlohmann::json& s) {
    return pat(s["d_swing"], "#####.#####") + "," + pat(s["d_phase"], "####.####deg:") +
           pat(s["d_vec_length"], "#####.#####") + "," + pat(s["d_vec_angle"], "####.####deg");
  };
  EXPECT_EQ("Average---)" + pat(doc["whole_file"]["swing"], "#####.#####") + "," +
                pat(doc["whole_file"]["phase"], "####.####deg:") + four(avg),
            lines[4 + intervals + 1]);
  EXPECT_EQ("          )---Standard Deviation---:" + four(dev), lines[4 + intervals + 2]);
  EXPECT_EQ("Pole data-)" + pat(doc["pole"]["swing"], "#####.#####") + "," +
                pat(doc["pole"]["phase"], "####.####deg"),
            lines[4 + intervals + 3]);
  EXPECT_EQ(doc["program"], "tarvex");
  EXPECT_EQ(doc["samples"].get<std::int64_t>(), 6000);
  EXPECT_EQ(doc["settings"]["file-interval"]["text"], "5");
  EXPECT_EQ(doc["settings"]["from"]["value"].get<double>(), 9.0);
}

// No completed run before the option: a usage error, whatever came before;
// a file that cannot be written: the run-time error of the write.
TEST_F(TarvexExport, ExportNeedsACompletedRunAndAWritablePath) {
  for (const char* option : {"--export-csv", "--export-json"}) {
    EXPECT_EQ(h.run({option, csv}), 2) << option;
    EXPECT_NE(h.err.find("no completed Calc. run"), std::string::npos) << h.err;
    // A Calc. that stopped with a run-time error is no completed run.
    EXPECT_EQ(
        h.run({"--set", "EDIT4=" + dir.path("missing.txt"), "--click", "BUTTON5", option, csv}), 1);
    EXPECT_EQ(h.run({option, csv}), 2);
  }
  std::vector<std::string> args = example_run();
  args.insert(args.end(), {"--export-csv", dir.path("no/such/folder.csv")});
  EXPECT_EQ(h.run(args), 1);
  EXPECT_NE(h.err.find("エラー[63]"), std::string::npos) << h.err;
  EXPECT_FALSE(std::filesystem::exists(csv));
}

}  // namespace
}  // namespace tarvex

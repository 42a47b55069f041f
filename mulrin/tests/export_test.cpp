// Exports and the swing map of a Calculate run: the example run's CSV and
// JSON read back as the report prints them; synthetic signals draw the map
// they must.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <numbers>

#include "frame/numtext.h"
#include "frame/tests/csv_reader.h"
#include "mulrin/swing_map.h"
#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using frame::Kind;
using testing::Scratch;
using testing::Session;
using Json = nlohmann::json;

std::string pat(double v, std::string_view pattern) {
  return frame::pattern_form(v, Kind::Double, pattern);
}

// One bin's swing/phase or change line from the exported values; a null
// change (block 0) is the report's 0.
std::string bin_line(const Json& bin, const char* value, const char* angle, int q_value,
                     int q_angle) {
  const char* names[] = {"swing", "phase_deg", "d_swing", "d_phase_deg"};
  std::string line = pat(bin["mean"][names[q_value]], "####.####") +
                     pat(bin["deviation"][names[q_value]], "(####.####)") + "," +
                     pat(bin["mean"][names[q_angle]], "####.####deg") +
                     pat(bin["deviation"][names[q_angle]], "(####.####deg)");
  for (std::size_t b = 0; b < bin[value].size(); ++b) {
    auto at = [&](const char* key) {
      return bin[key][b].is_null() ? 0.0 : bin[key][b].get<double>();
    };
    line += pat(at(value), ":####.####") + "," + pat(at(angle), "####.####dg");
  }
  return line;
}

TEST(MulrinExport, ExampleRunReadsBackAsTheReportPrintsIt) {
  Scratch dir;
  Session s;
  const std::string report = dir.path("report.txt"), csv = dir.path("run.csv"),
                    json = dir.path("run.json");
  const auto r =
      s.run({"--choose", TOOLS_SOURCE_DIR "/examples/setting.ini", "--click", "BUTTON1", "--set",
             "EDIT4=" TOOLS_SOURCE_DIR "/examples/drift.txt", "--set", "EDIT9=" + report, "--click",
             "BUTTON6", "--export-csv", csv, "--export-json", json});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = test_support::split_crlf(dir.read("report.txt"));
  const Json doc = Json::parse(dir.read("run.json"));
  const frame::testing::CsvRows rows = frame::testing::read_csv(dir.read("run.csv"));

  const std::size_t blocks = doc["blocks"].size();
  ASSERT_EQ(blocks, 20u);  // 6000 samples, N = 1024, step 256
  ASSERT_FALSE(doc["bins"].empty());
  // Lines 1 to 5 (no subtract file), the heading, three per bin and the
  // separators.
  std::size_t line = 5;
  std::string heading = "Avg-Swing(St-D)/D-Swing,Avg-Phase(St-D)/D-Phase";
  for (const Json& b : doc["blocks"]) heading += pat(b["position"], ":#######.####") + "cycle----";
  EXPECT_EQ(heading, lines[line++]);
  std::size_t row = 1, previous = 0;
  for (const Json& bin : doc["bins"]) {
    const std::size_t k = bin["bin"];
    if (line > 6 && k != previous + 1) {
      EXPECT_EQ(lines[line++], std::string(24, '-'));
    }
    previous = k;
    EXPECT_EQ(">>>>" + frame::pattern_form(static_cast<double>(k), Kind::Single, "######(") +
                  pat(bin["rate_deg"], "######.####deg)") + "->" +
                  frame::item_form(bin["refined_rate_deg"], Kind::Double) + "deg",
              lines[line++]);
    EXPECT_EQ(bin_line(bin, "swing", "phase_deg", kSwing, kPhase), lines[line++]);
    EXPECT_EQ(bin_line(bin, "d_swing", "d_phase_deg", kDSwing, kDPhase), lines[line++]);
    // The long-form CSV holds the same values, row by row.
    for (std::size_t b = 0; b < blocks; ++b, ++row) {
      const std::vector<std::string>& c = rows.at(row);
      EXPECT_EQ(std::stoul(c[0]), k);
      EXPECT_EQ(std::stod(c[1]), bin["rate_deg"].get<double>());
      EXPECT_EQ(std::stoul(c[2]), b);
      EXPECT_EQ(std::stol(c[3]), 256 * static_cast<long>(b));
      EXPECT_EQ(std::stod(c[4]), doc["blocks"][b]["position"].get<double>());
      EXPECT_EQ(std::stod(c[5]), bin["swing"][b].get<double>());
      EXPECT_EQ(std::stod(c[6]), bin["phase_deg"][b].get<double>());
      EXPECT_EQ(c[7] + c[8] == "", b == 0);
      if (b > 0) {
        EXPECT_EQ(std::stod(c[8]), bin["d_phase_deg"][b].get<double>());
      }
    }
  }
  EXPECT_EQ(line, lines.size() - (previous + 1 < 512 ? 1 : 0));
  EXPECT_EQ(rows.size(), 1 + doc["bins"].size() * blocks);
  EXPECT_EQ(rows[0][0], "bin");
  EXPECT_EQ(doc["settings"]["exponent"]["value"], 10.0);
}

TEST(MulrinExport, ExportAndMapNeedACompletedRunAndAnImageSurface) {
  Scratch dir;
  Session s;
  for (const char* option : {"--export-csv", "--export-json", "--save-map"}) {
    const auto r = s.run({option, dir.path("out")});
    EXPECT_EQ(r.status, 2) << option;
    EXPECT_NE(r.err.find("no completed Calculate run"), std::string::npos) << r.err;
  }
  const std::string data = dir.write("data.txt", testing::lines(std::vector<std::string>(80, "1")));
  auto args = testing::calculate_args(data, dir.path("r.txt"), "4", "8", "16");
  args.insert(args.end(), {"--save-map", dir.path("map.png")});
  const auto r = s.run(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot write map"), std::string::npos) << r.err;
  EXPECT_TRUE(dir.exists("r.txt"));
}

// A run over `samples` values of signal(n), N = 64, threshold 0.5.
frame::HeatMap map_of(int samples, const std::string& step, double (*signal)(int),
                      int columns = kMapColumns, int rows = kMapRows) {
  Scratch dir;
  Session s;
  std::string text;
  char line[32];
  for (int n = 0; n < samples; ++n) {
    std::snprintf(line, sizeof line, "%12.6f\r\n", signal(n));
    text += line;
  }
  const auto r =
      s.run(testing::calculate_args(dir.write("d.txt", text), dir.path("r.txt"), "6", step, "64"));
  EXPECT_EQ(r.status, 0) << r.err;
  return swing_map(*s.app.last_run(), 60, columns, rows);
}

double two_tone(int n) {
  const double w = 2 * std::numbers::pi * n / 64;
  return 2 * std::cos(3 * w) + std::cos(7 * w + 1);
}

// Bins 3 and 7 are the brightest rows of every column, at 0 and -6 dB.
TEST(SwingMap, TwoToneGivesItsTwoBinsAsTheBrightestRows) {
  const frame::HeatMap map = map_of(64 + 19 * 32, "32", two_tone);
  ASSERT_EQ(map.columns, 20);
  ASSERT_EQ(map.rows, 32);
  EXPECT_DOUBLE_EQ(map.y_last, 31.0);
  EXPECT_EQ(map.marks, (std::vector<double>{3.0, 7.0}));
  for (int c = 0; c < map.columns; ++c) {
    for (int k = 0; k < map.rows; ++k) {
      const float level = map.at(c, k);
      if (k == 3) {
        EXPECT_NEAR(level, 0, 0.01);
      } else if (k == 7) {
        EXPECT_NEAR(level, -6.02, 0.01);
      } else {
        EXPECT_LT(level, -40) << "column " << c << " bin " << k;
      }
    }
  }
  // Reduced to 4 x 8 cells: bins 0-3 and 4-7 keep their peaks.
  const frame::HeatMap small = map_of(64 + 19 * 32, "32", two_tone, 4, 8);
  ASSERT_EQ(small.columns * small.rows, 32);
  for (int c = 0; c < 4; ++c) {
    EXPECT_NEAR(small.at(c, 0), 0, 0.01);
    EXPECT_NEAR(small.at(c, 1), -6.02, 0.01);
    EXPECT_LT(small.at(c, 2), -40);
  }
}

// A rate sweeping from bin 2 to bin 26 over 40 blocks: the brightest row
// rises from block to block.
double chirp(int n) {
  const double total = 64 * 40;
  return std::cos(2 * std::numbers::pi / 64 * (2.0 * n + 24.0 * n * n / (2 * total)));
}

TEST(SwingMap, ChirpGivesARisingRidge) {
  const frame::HeatMap map = map_of(64 * 40, "64", chirp);
  ASSERT_EQ(map.columns, 40);
  int previous = 0;
  std::vector<int> ridge;
  for (int c = 0; c < map.columns; ++c) {
    int top = 0;
    for (int k = 1; k < map.rows; ++k)
      if (map.at(c, k) > map.at(c, top)) top = k;
    EXPECT_GE(top, previous) << "column " << c;
    previous = top;
    ridge.push_back(top);
  }
  EXPECT_LE(ridge.front(), 3);
  EXPECT_GE(ridge.back(), 24);
}

}  // namespace
}  // namespace mulrin

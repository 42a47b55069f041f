// Statement numbers: every source file of a program (and of the frame) has
// its place in a table, is shorter than 1000 lines so that numbers cannot
// collide, and is listed with its range in docs/statements.md; a failing
// statement's number leads back to its file, and the record names the
// failing operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"
#include "tests/support/programs.h"
#include "tests/support/support.h"

namespace reliability {
namespace {

using namespace test_support;

const fs::path kRoot = TOOLS_SOURCE_DIR;

TEST(StatementTables, NameEverySourceFileBelow1000LinesAndTheDocsListTheirRanges) {
  const std::string docs = read_file(kRoot / "docs" / "statements.md");
  const struct {
    std::string folder;
    frame::StatementFiles files;
    unsigned first_place;
  } tables[] = {{"tarvex", tarvex::kForm.statement_files, 0},
                {"mulrin", mulrin::kForm.statement_files, 0},
                {"frame", frame::kFrameStatementFiles, frame::kFrameFirstPlace}};
  for (const auto& table : tables) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(kRoot / table.folder))
      if (entry.path().extension() == ".cpp")
        found.insert(table.folder + "/" + entry.path().filename().string());
    const std::set<std::string> listed(table.files.begin(), table.files.end());
    EXPECT_EQ(listed, found) << table.folder;
    EXPECT_EQ(listed.size(), table.files.size()) << table.folder << ": a file listed twice";
    for (std::size_t place = 0; place < table.files.size(); ++place) {
      const std::string file(table.files[place]);
      const std::string text = read_file(kRoot / file);
      EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 1000) << file;
      const unsigned first = 1000 * (table.first_place + static_cast<unsigned>(place));
      const std::string row =
          "| " + std::to_string(first) + "-" + std::to_string(first + 999) + " | `" + file + "` |";
      EXPECT_NE(docs.find(row), std::string::npos) << row;
    }
  }
}

// Before, an empty samples-per-cycle in Calc. and a display factor 0 in Draw
// both failed at "[51行]".
TEST(StatementNumbers, LeadToTheFailingFileAndTheRecordNamesTheOperation) {
  Scratch folder;
  const std::string data = folder.write("data.txt", sine_data(400));
  const std::string subtract = folder.write("subtract.txt", "deg=0\r\n0.5,10,x\r\n#\r\n");
  const struct {
    std::vector<std::pair<std::string, std::string>> fields;
    std::string button, file;
    int code, func, info;
  } rows[] = {
      {{{"samples-per-cycle", ""}}, "calc", "tarvex/app.cpp", 11, 13, 0},
      {{{"display-factor", "0"}}, "draw", "tarvex/draw.cpp", 11, 13, 0},
      {{{"subtract-file", subtract}}, "calc", "tarvex/calc.cpp", 58, 5, 3},
      {{{"data-file", folder.path("missing.txt")}}, "calc", "tarvex/calc.cpp", 63, 1, 0},
  };
  std::set<unsigned> numbers;
  for (const auto& row : rows) {
    Session run(tarvex::make_app);
    EXPECT_EQ(
        run.run(click(with(tarvex_fields(data, folder.path("report.txt")), row.fields), row.button))
            .status,
        1);
    ASSERT_EQ(run.records.written.size(), 1u) << row.file;
    const frame::ErrorRecord& r = run.records.written[0];
    const auto& files = tarvex::kForm.statement_files;
    ASSERT_LT(r.line / 1000, files.size()) << r.line;
    EXPECT_EQ(files[r.line / 1000], row.file) << r.line;
    EXPECT_EQ(run.err.substr(0, run.err.find(']') + 1),
              "\r\ntarvex [" + std::to_string(r.line) + "行]");
    EXPECT_EQ((std::tuple{r.code, r.func, r.info}), (std::tuple{row.code, row.func, row.info}))
        << row.file;
    numbers.insert(r.line);
  }
  EXPECT_EQ(numbers.size(), std::size(rows));
}

}  // namespace
}  // namespace reliability

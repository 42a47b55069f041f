// "Draw": the diagram, the path and its colours; the pole estimate and its marks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tarvex/pole.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using Op = frame::RecordingSurface::Op;
using testing::crlf_lines;

// Whole cycles at 4 samples per cycle, each with the interval vector (x, y),
// then `extra` samples of 0.
std::string cycles(int count, double x, double y, int extra = 0) {
  std::string text;
  for (int c = 0; c < count; ++c)
    for (double v : {x, -y, -x, y}) text += std::to_string(v) + "\r\n";
  for (int e = 0; e < extra; ++e) text += "0\r\n";
  return text;
}

struct TarvexDraw : ::testing::Test {
  testing::Scratch dir;
  testing::Harness h;
  // Draws `data` with the given fields over columns 1-20 at 4 samples per
  // cycle and returns the code of the error raised, or 0.
  int draw(const std::string& data, std::vector<std::pair<const char*, const char*>> fields) {
    testing::write_file(dir.path("data.txt"), data);
    fields.insert(fields.begin(), {{"EDIT2", "1"}, {"EDIT3", "20"}, {"EDIT4", ""}, {"EDIT5", "4"}});
    for (auto [name, text] : fields)
      h.set(name, name == std::string("EDIT4") ? dir.path("data.txt") : text);
    h.surface.calls.clear();
    const int code = testing::code_of([&] { h.app.BUTTON4_ON(); });
    h.app.files().abandon();  // as the driver does after a run-time error
    return code;
  }
  std::vector<frame::RecordingSurface::Call> calls(Op op) const {
    std::vector<frame::RecordingSurface::Call> found;
    for (const auto& call : h.surface.calls)
      if (call.op == op) found.push_back(call);
    return found;
  }
  std::vector<int> path_colours() const {
    std::vector<int> colours;
    for (const auto& call : calls(Op::LineTo)) colours.push_back(call.colour);
    return colours;
  }
};

// The diagram by what it holds: four rings, the labels, the path from the centre.
TEST_F(TarvexDraw, DiagramHasFourRingsItsLabelsAndThePathFromTheCentre) {
  ASSERT_EQ(draw(cycles(1, 1, 0), {{"EDIT7", "1"}}), 0);
  std::vector<float> rings;
  for (const auto& call : calls(Op::Circle)) rings.push_back(call.colour == 4 ? call.x2 : -1);
  EXPECT_EQ(rings, (std::vector<float>{50, 100, 150, 200}));
  const auto texts = calls(Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_TRUE(texts[0].text == "0" && texts[1].text == "+100");
  const auto path = calls(Op::LineTo);
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(path[0].x1 == 430 && path[0].y1 == 220);
}

TEST_F(TarvexDraw, ScaledVectorsWithYUpAndTheScaleLabelAndResultLine) {
  ASSERT_EQ(draw(cycles(1, 3, 1), {{"EDIT7", "1"}, {"EDIT11", "10"}}), 0);
  const auto lines = calls(Op::LineTo);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(lines[0].x2, 460, 1e-4);
  EXPECT_NEAR(lines[0].y2, 210, 1e-4);
  ASSERT_EQ(draw(cycles(3, 1, 1), {{"EDIT7", "10"}, {"EDIT11", "50"}}), 0);
  EXPECT_EQ(calls(Op::Text)[1].text, "+2");  // the length of 100 pixels
  EXPECT_EQ(h.text("EDIT12"), "+45deg,+1.4142136");
}

TEST_F(TarvexDraw, PathColoursBlueRedGreenByFileIntervalAndCyanClosingPiece) {
  std::vector<int> forty;
  for (int colour : {3, 5, 9, 3}) forty.insert(forty.end(), 10, colour);
  ASSERT_EQ(draw(cycles(40, 1, 0), {{"EDIT7", "1"}, {"EDIT8", "10"}}), 0);
  EXPECT_EQ(path_colours(), forty);
  // Green before the origin.
  ASSERT_EQ(draw(cycles(6, 1, 0), {{"EDIT6", "2"}, {"EDIT7", "1"}, {"EDIT8", "2"}}), 0);
  EXPECT_EQ(path_colours(), (std::vector<int>{9, 9, 3, 3, 5, 5}));
  // The colour is that of the middle of each display interval of 1.5 cycles.
  ASSERT_EQ(draw(cycles(3, 1, 0), {{"EDIT6", "0"}, {"EDIT7", "1.5"}, {"EDIT8", "1"}}), 0);
  EXPECT_EQ(path_colours(), (std::vector<int>{3, 9}));
  // 1.5 cycles of (3, 0) left open at the last line, a comment line: a cyan
  // piece to the open sums over six samples, doubled.
  ASSERT_EQ(
      draw(cycles(2, 1, 0) + crlf_lines({"3", "0", "-3", "0", "3", "0", "# end"}),
           {{"EDIT1", "#"}, {"EDIT6", ""}, {"EDIT7", "2"}, {"EDIT8", "100"}, {"EDIT11", "1"}}),
      0);
  EXPECT_EQ(path_colours(), (std::vector<int>{3, 11}));
  EXPECT_NEAR(calls(Op::LineTo)[1].x2, 433, 1e-4);
  EXPECT_NEAR(calls(Op::LineTo)[1].y2, 220, 1e-4);
  for (int left : {2, 4}) {  // half a cycle, one whole cycle left open: not drawn
    ASSERT_EQ(draw(cycles(2, 1, 0, left), {{"EDIT1", ""}, {"EDIT7", "2"}}), 0);
    EXPECT_EQ(path_colours(), (std::vector<int>{3}));
  }
  ASSERT_EQ(draw(cycles(2, 1, 0), {{"EDIT7", "0"}}), 0);  // one piece per sample
  EXPECT_EQ(calls(Op::LineTo).size(), 8u);
}

TEST_F(TarvexDraw, ErrorsStopAtTheirPointInTheDrawing) {
  EXPECT_EQ(draw(cycles(1, 1, 0), {{"EDIT11", "0"}}), frame::err::kDivisionByZero);
  EXPECT_EQ(h.surface.calls.back().text, "0");  // after the zero label
  EXPECT_EQ(draw(cycles(2, 1, 0), {{"EDIT7", "1"}, {"EDIT8", "0"}, {"EDIT11", "1"}}),
            frame::err::kDivisionByZero);
  EXPECT_TRUE(calls(Op::LineTo).empty());
  EXPECT_EQ(draw("# only a comment\r\n", {{"EDIT1", "#"}, {"EDIT8", "100"}}),
            frame::err::kInvalidCall);
  EXPECT_EQ(h.surface.calls.back().op, Op::Pixel);  // after the diagram
  EXPECT_EQ(draw(cycles(1, 1, 0), {{"EDIT1", ""}, {"EDIT5", ""}}), frame::err::kDivisionByZero);
  EXPECT_TRUE(h.surface.calls.empty());
  const std::string sub = dir.path("sub.txt");
  testing::write_file(sub, crlf_lines({"deg=7", "0,0,1"}));
  EXPECT_EQ(draw(cycles(1, 1, 0), {{"EDIT13", sub.c_str()}, {"EDIT12", "before"}}),
            0);  // ends silently
  EXPECT_TRUE(h.surface.calls.empty());
  EXPECT_EQ(h.text("EDIT12"), "before");
}

TEST(PoleEstimate, RotatingVectorsSkipPairsParallelInExactArithmetic) {
  // Such chords have a determinant of rounding size; counted, at 6 degrees
  // per interval they put the pole near (1, 270000000).
  std::vector<Vec> points;
  for (int k = 0; k < 64; ++k)
    points.push_back({1 + std::cos(6.0 * k / frame::kDegreesPerRadian),
                      1 + std::sin(6.0 * k / frame::kDegreesPerRadian)});
  const auto centre = estimate_pole(points, [](const Vec&) {}).pole();
  ASSERT_TRUE(centre);
  EXPECT_TRUE(std::abs(centre->x - 1) < 1e-3 && std::abs(centre->y - 1) < 1e-3) << centre->y;
}

}  // namespace
}  // namespace tarvex

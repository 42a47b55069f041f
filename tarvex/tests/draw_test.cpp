// "Draw": the diagram, the path and its colours on a recording surface.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using Op = frame::RecordingSurface::Op;
using testing::crlf_lines;
using testing::error_code_of;
using testing::Harness;
using testing::ScratchDir;
using testing::write_bytes;

// A data file of whole cycles at 4 samples per cycle, each cycle with the
// interval vector (x, y), then `extra` samples of 0.
std::string cycles(int count, double x, double y, int extra = 0) {
  std::string text;
  for (int c = 0; c < count; ++c)
    for (double v : {x, -y, -x, y}) text += std::to_string(v) + "\r\n";
  for (int e = 0; e < extra; ++e) text += "0\r\n";
  return text;
}

struct TarvexDraw : ::testing::Test {
  ScratchDir dir;
  Harness h;
  std::string data = dir.file("data.txt");

  void SetUp() override {
    h.set("EDIT2", "1");
    h.set("EDIT3", "20");
    h.set("EDIT4", data);
    h.set("EDIT5", "4");
  }
  std::vector<const frame::RecordingSurface::Call*> calls(Op op) const {
    std::vector<const frame::RecordingSurface::Call*> found;
    for (const auto& call : h.surface.calls)
      if (call.op == op) found.push_back(&call);
    return found;
  }
  std::vector<int> path_colours() const {
    std::vector<int> colours;
    for (const auto* call : calls(Op::LineTo)) colours.push_back(call->colour);
    return colours;
  }
};

TEST_F(TarvexDraw, DiagramIsDrawnInOrderBeforeThePath) {
  write_bytes(data, cycles(1, 1, 0));
  h.set("EDIT7", "1");
  h.app.BUTTON4_ON();
  const auto& c = h.surface.calls;
  ASSERT_GE(c.size(), 2u + 4 + 4 + 86 + 2 + 2 + 1);
  EXPECT_EQ(c[0].op, Op::Clear);
  EXPECT_EQ(c[1].op, Op::FillRect);
  EXPECT_EQ(c[1].colour, 0);
  EXPECT_FLOAT_EQ(c[1].x2, 639);
  EXPECT_FLOAT_EQ(c[1].y2, 440);
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(c[2 + r].op, Op::Circle);
    EXPECT_FLOAT_EQ(c[2 + r].x2, 50.0f * (r + 1));
    EXPECT_EQ(c[2 + r].colour, 4);
  }
  const double t = std::tan(3.14159265358979 / 6);
  EXPECT_EQ(c[6].op, Op::Line);
  EXPECT_EQ(c[6].y1, static_cast<float>(220 - 210 * t));
  EXPECT_EQ(c[9].x1, static_cast<float>(430 + 220 * t));
  EXPECT_EQ(c[9].colour, 4);
  // Grid: i = -21..21, a horizontal then a vertical line each; every tenth
  // silver, the rest navy.
  for (int i = -21; i <= 21; ++i) {
    const auto& horizontal = c[10 + 2 * (i + 21)];
    const auto& vertical = c[11 + 2 * (i + 21)];
    EXPECT_FLOAT_EQ(horizontal.y1, 220.0f - 10 * i);
    EXPECT_FLOAT_EQ(vertical.x1, 430.0f + 10 * i);
    const int colour = i % 10 == 0 ? 14 : 2;
    EXPECT_EQ(horizontal.colour, colour);
    EXPECT_EQ(vertical.colour, colour);
  }
  EXPECT_EQ(c[96].colour, 15);
  EXPECT_EQ(c[97].colour, 15);
  EXPECT_EQ(c[98].op, Op::Text);
  EXPECT_EQ(c[98].text, "0");
  EXPECT_FLOAT_EQ(c[98].y1, 210);
  EXPECT_EQ(c[99].text, "+100");
  EXPECT_FLOAT_EQ(c[99].y1, 110);
  EXPECT_EQ(c[100].op, Op::Pixel);
  EXPECT_FLOAT_EQ(c[100].x1, 430);
  EXPECT_FLOAT_EQ(c[100].y1, 220);
  // The path starts at the centre.
  EXPECT_EQ(c[101].op, Op::LineTo);
  EXPECT_FLOAT_EQ(c[101].x1, 430);
  EXPECT_FLOAT_EQ(c[101].y1, 220);
}

TEST_F(TarvexDraw, ScaleLabelShowsTheLengthOfHundredPixels) {
  write_bytes(data, cycles(1, 1, 0));
  h.set("EDIT11", "50");
  h.app.BUTTON4_ON();
  EXPECT_EQ(calls(Op::Text)[1]->text, "+2");
}

TEST_F(TarvexDraw, VectorsArePlottedScaledWithYUp) {
  write_bytes(data, cycles(1, 3, 1));
  h.set("EDIT7", "1");
  h.set("EDIT11", "10");
  h.app.BUTTON4_ON();
  const auto lines = calls(Op::LineTo);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(lines[0]->x2, 460, 1e-4);
  EXPECT_NEAR(lines[0]->y2, 210, 1e-4);
}

TEST_F(TarvexDraw, TenDisplayIntervalsPerFileInterval) {
  write_bytes(data, cycles(40, 1, 0));
  h.set("EDIT7", "1");
  h.set("EDIT8", "10");
  h.app.BUTTON4_ON();
  std::vector<int> expected;
  for (int colour : {3, 5, 9, 3})
    for (int k = 0; k < 10; ++k) expected.push_back(colour);
  EXPECT_EQ(path_colours(), expected);
}

TEST_F(TarvexDraw, FileIntervalBeforeTheOriginIsGreen) {
  write_bytes(data, cycles(6, 1, 0));
  h.set("EDIT6", "2");
  h.set("EDIT7", "1");
  h.set("EDIT8", "2");
  h.app.BUTTON4_ON();
  EXPECT_EQ(path_colours(), (std::vector<int>{9, 9, 3, 3, 5, 5}));
}

TEST_F(TarvexDraw, LastIntervalOfMoreThanOneCycleGetsACyanClosingPiece) {
  // Two cycles close one display interval; then 1.5 cycles of the vector
  // (3, 0) are left open when the last line, a comment line, is read.
  write_bytes(data, cycles(2, 1, 0) + crlf_lines({"3", "0", "-3", "0", "3", "0", "# end"}));
  h.set("EDIT1", "#");
  h.set("EDIT7", "2");
  h.app.BUTTON4_ON();
  EXPECT_EQ(path_colours(), (std::vector<int>{3, 11}));
  // Its point: the open sums divided by the six samples, doubled.
  const auto lines = calls(Op::LineTo);
  EXPECT_NEAR(lines[1]->x2, 433, 1e-4);
  EXPECT_NEAR(lines[1]->y2, 220, 1e-4);
}

TEST_F(TarvexDraw, LastIntervalOfHalfACycleIsNotDrawn) {
  write_bytes(data, cycles(2, 1, 0, 2));
  h.set("EDIT7", "2");
  h.app.BUTTON4_ON();
  EXPECT_EQ(path_colours(), (std::vector<int>{3}));
}

TEST_F(TarvexDraw, ZeroDisplayIntervalDrawsOnePiecePerSample) {
  write_bytes(data, cycles(2, 1, 0));
  h.set("EDIT7", "0");
  h.app.BUTTON4_ON();
  EXPECT_EQ(calls(Op::LineTo).size(), 8u);
}

TEST_F(TarvexDraw, SetsTheResultLine) {
  write_bytes(data, cycles(3, 1, 1));
  h.app.BUTTON4_ON();
  EXPECT_EQ(h.text("EDIT12"), "+45deg,+1.4142136");
}

TEST_F(TarvexDraw, ZeroDisplayFactorStopsAfterTheZeroLabel) {
  write_bytes(data, cycles(1, 1, 0));
  h.set("EDIT11", "0");
  EXPECT_EQ(error_code_of([&] { h.app.BUTTON4_ON(); }), frame::err::kDivisionByZero);
  EXPECT_EQ(h.surface.calls.back().text, "0");
}

TEST_F(TarvexDraw, ZeroFileIntervalStopsAtTheFirstDisplayInterval) {
  write_bytes(data, cycles(2, 1, 0));
  h.set("EDIT7", "1");
  h.set("EDIT8", "0");
  EXPECT_EQ(error_code_of([&] { h.app.BUTTON4_ON(); }), frame::err::kDivisionByZero);
  EXPECT_TRUE(calls(Op::LineTo).empty());
}

TEST_F(TarvexDraw, EmptySamplesPerCycleStopsBeforeDrawing) {
  write_bytes(data, cycles(1, 1, 0));
  h.set("EDIT5", "");
  EXPECT_EQ(error_code_of([&] { h.app.BUTTON4_ON(); }), frame::err::kDivisionByZero);
  EXPECT_TRUE(h.surface.calls.empty());
}

TEST_F(TarvexDraw, NoDataLineStopsAfterTheDiagram) {
  write_bytes(data, "# only a comment\r\n");
  h.set("EDIT1", "#");
  EXPECT_EQ(error_code_of([&] { h.app.BUTTON4_ON(); }), frame::err::kInvalidCall);
  EXPECT_EQ(h.surface.calls.back().op, Op::Pixel);
}

TEST_F(TarvexDraw, SubtractDegreeAboveSixEndsSilently) {
  write_bytes(data, cycles(1, 1, 0));
  const std::string sub = dir.file("sub.txt");
  write_bytes(sub, crlf_lines({"deg=7", "0,0,1"}));
  h.set("EDIT13", sub);
  h.set("EDIT12", "before");
  h.app.BUTTON4_ON();
  EXPECT_TRUE(h.surface.calls.empty());
  EXPECT_EQ(h.text("EDIT12"), "before");
}

TEST_F(TarvexDraw, DrawingTwiceRedrawsTheSamePicture) {
  write_bytes(data, cycles(5, 2, -1, 5));
  h.set("EDIT7", "1");
  h.app.BUTTON4_ON();
  const auto first = h.surface.calls;
  h.surface.calls.clear();
  h.app.BUTTON4_ON();
  ASSERT_EQ(first.size(), h.surface.calls.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].op, h.surface.calls[i].op);
    EXPECT_EQ(first[i].x2, h.surface.calls[i].x2);
    EXPECT_EQ(first[i].y2, h.surface.calls[i].y2);
  }
}

}  // namespace
}  // namespace tarvex

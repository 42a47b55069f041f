#include "tarvex/pole.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/surface.h"

namespace tarvex {
namespace {

using Op = frame::RecordingSurface::Op;

// Counts the pixels of the estimate without keeping them (up to 1.3 million).
class CountingSurface : public frame::Surface {
 public:
  long pixels = 0;
  int circles = 0;
  float circle_x = 0, circle_y = 0;
  void clear() override {}
  void fill_rect(float, float, float, float, int) override {}
  void line(float, float, float, float, int) override {}
  void line_to(float, float, int) override {}
  void circle(float cx, float cy, float, int) override {
    ++circles;
    circle_x = cx;
    circle_y = cy;
  }
  void pixel(float, float, int) override { ++pixels; }
  void text(float, float, std::string_view, int) override {}
  bool save_png(const std::string&) override { return false; }
};

std::vector<Vec> on_circle(double cx, double cy, double radius,
                           std::initializer_list<double> degrees) {
  std::vector<Vec> points;
  for (double d : degrees) {
    const double a = d / kDegreesPerRadian;
    points.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
  }
  return points;
}

// The point equidistant from both ends of two chords, by solving the two
// bisector equations (Q - P) . Z = (|Q|^2 - |P|^2) / 2 with Cramer's rule.
Vec bisector_crossing(Vec p, Vec q, Vec r, Vec s) {
  const double a1 = q.x - p.x, b1 = q.y - p.y;
  const double c1 = (q.x * q.x + q.y * q.y - p.x * p.x - p.y * p.y) / 2;
  const double a2 = s.x - r.x, b2 = s.y - r.y;
  const double c2 = (s.x * s.x + s.y * s.y - r.x * r.x - r.y * r.y) / 2;
  const double d = a1 * b2 - a2 * b1;
  return {(c1 * b2 - c2 * b1) / d, (a1 * c2 - a2 * c1) / d};
}

TEST(PoleEstimate, ThreePointsGiveTheirCircumcentreAsOnePair) {
  const std::vector<Vec> points = {{3, 3}, {2, 4}, {1, 3}};  // centre (2, 3)
  frame::RecordingSurface surface;
  const auto pole = estimate_pole(points, 10, surface);
  ASSERT_TRUE(pole);
  EXPECT_NEAR(pole->pole.x, 2, 1e-12);
  EXPECT_NEAR(pole->pole.y, 3, 1e-12);
  EXPECT_NEAR(pole->swing, std::sqrt(13.0), 1e-12);
  ASSERT_EQ(surface.calls.size(), 2u);
  EXPECT_EQ(surface.calls[0].op, Op::Pixel);
  EXPECT_EQ(surface.calls[0].colour, 14);
  EXPECT_FLOAT_EQ(surface.calls[0].x1, 450);
  EXPECT_FLOAT_EQ(surface.calls[0].y1, 190);
  EXPECT_EQ(surface.calls[1].op, Op::Circle);
  EXPECT_EQ(surface.calls[1].colour, 13);
  EXPECT_FLOAT_EQ(surface.calls[1].x1, 450);
  EXPECT_FLOAT_EQ(surface.calls[1].y1, 190);
  EXPECT_FLOAT_EQ(surface.calls[1].x2, 3);  // the radius
}

TEST(PoleEstimate, FivePointsOnTheUnitCircleAroundOneOne) {
  const auto points = on_circle(1, 1, 1, {0, 50, 130, 200, 290});
  frame::RecordingSurface surface;
  const auto pole = estimate_pole(points, 1, surface);
  ASSERT_TRUE(pole);
  EXPECT_NEAR(pole->swing, 1.41421356, 1e-8);
  EXPECT_NEAR(pole->phase, 45, 1e-9);
}

TEST(PoleEstimate, EstimatesAreWeightedByTheIntervalsTheChordsSpan) {
  // Four points on no common circle: six pairs, one of them parallel
  // ((P0,P1) and (P2,P3) both run along the x axis direction).
  const std::vector<Vec> p = {{0, 0}, {4, 0}, {5, 3}, {1, 3.5}};
  struct Pair {
    int i, j, k, l;
  };
  double sx = 0, sy = 0, w = 0;
  for (Pair q : {Pair{0, 1, 1, 2}, Pair{0, 1, 1, 3}, Pair{0, 2, 1, 3}, Pair{0, 2, 2, 3},
                 Pair{1, 2, 2, 3}, Pair{0, 1, 2, 3}}) {
    const Vec e = bisector_crossing(p[q.i], p[q.j], p[q.k], p[q.l]);
    const double wt = (q.j - q.i) + (q.l - q.k) - 0.5;
    sx += e.x * wt;
    sy += e.y * wt;
    w += wt;
  }
  CountingSurface surface;
  const auto pole = estimate_pole(p, 1, surface);
  ASSERT_TRUE(pole);
  EXPECT_EQ(surface.pixels, 6);
  EXPECT_NEAR(pole->pole.x, sx / w, 1e-12);
  EXPECT_NEAR(pole->pole.y, sy / w, 1e-12);
}

TEST(PoleEstimate, ParallelChordsGiveNothing) {
  // (P0,P1) and (P2,P3) are parallel; the other five pairs count.
  const std::vector<Vec> p = {{0, 0}, {4, 0}, {5, 3}, {1, 3}};
  CountingSurface surface;
  estimate_pole(p, 1, surface);
  EXPECT_EQ(surface.pixels, 5);
}

TEST(PoleEstimate, CollinearVectorsGiveNoPole) {
  std::vector<Vec> points;
  for (int k = 0; k < 10; ++k) points.push_back({0.1 * k, 0.3 * (0.1 * k) + 0.1});
  frame::RecordingSurface surface;
  EXPECT_FALSE(estimate_pole(points, 1, surface));
  EXPECT_TRUE(surface.calls.empty());
}

TEST(PoleEstimate, EqualVectorsGiveNoPole) {
  const std::vector<Vec> points(5, Vec{0.7, -0.2});
  frame::RecordingSurface surface;
  EXPECT_FALSE(estimate_pole(points, 1, surface));
  EXPECT_TRUE(surface.calls.empty());
}

TEST(PoleEstimate, FewerThanThreeVectorsGiveNoPole) {
  const std::vector<Vec> points = {{1, 2}, {3, 1}};
  frame::RecordingSurface surface;
  EXPECT_FALSE(estimate_pole(points, 1, surface));
  EXPECT_TRUE(surface.calls.empty());
}

std::vector<Vec> rotating(double degrees_per_interval) {
  std::vector<Vec> points;
  for (int k = 0; k < 64; ++k) {
    const double a = degrees_per_interval * k / kDegreesPerRadian;
    points.push_back({1 + std::cos(a), 1 + std::sin(a)});
  }
  return points;
}

TEST(PoleEstimate, SixtyFourIntervalsRotatingSixDegreesFindTheCentre) {
  // Chords that are parallel in exact arithmetic come out with a determinant
  // of rounding size; counted, they put the pole near (1, 270000000). Points
  // 60 intervals apart coincide up to the 15-digit pi, and those very short
  // chords leave a small error of their own.
  CountingSurface surface;
  const auto pole = estimate_pole(rotating(6), 1, surface);
  ASSERT_TRUE(pole);
  EXPECT_NEAR(pole->pole.x, 1, 1e-3);
  EXPECT_NEAR(pole->pole.y, 1, 1e-3);
  EXPECT_EQ(surface.circles, 1);
  EXPECT_FLOAT_EQ(surface.circle_x, 431);
  EXPECT_FLOAT_EQ(surface.circle_y, 219);
}

TEST(PoleEstimate, EveryPairParallelInExactArithmeticGivesNothing) {
  // 5 degrees per interval: chords (i, j) and (k, l) are parallel exactly
  // when i + j and k + l differ by a multiple of 72; every other pair gives
  // one pixel. The total weight is a single, so past 2^24 it stops counting
  // the halves: the pole is the weighted sum over that rounded total.
  long expected = 0, pairs = 0;
  float single_weight = 0;
  double exact_weight = 0;
  for (int i = 0; i <= 61; ++i)
    for (int j = i + 1; j <= 62; ++j)
      for (int k = i + 1; k <= 62; ++k)
        for (int l = std::max(k, j) + 1; l <= 63; ++l) {
          ++pairs;
          if ((i + j - k - l) % 72 == 0) continue;
          ++expected;
          const float wt = static_cast<float>((j - i) + (l - k)) - 0.5f;
          single_weight += wt;
          exact_weight += wt;
        }
  EXPECT_EQ(pairs, 1312416);
  CountingSurface surface;
  const auto pole = estimate_pole(rotating(5), 1, surface);
  ASSERT_TRUE(pole);
  EXPECT_EQ(surface.pixels, expected);
  EXPECT_NE(single_weight, exact_weight);
  EXPECT_NEAR(pole->pole.x, exact_weight / single_weight, 1e-9);
  EXPECT_NEAR(pole->pole.y, exact_weight / single_weight, 1e-9);
}

}  // namespace
}  // namespace tarvex

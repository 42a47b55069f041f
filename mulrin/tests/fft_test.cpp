#include "mulrin/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "frame/errors.h"

namespace {

using mulrin::Fft;

struct Coefficients {
  std::vector<double> re, im;
};

Coefficients transform(Fft& fft, const std::vector<double>& x) {
  Coefficients out{std::vector<double>(x.size()), std::vector<double>(x.size())};
  fft.transform(x.data(), out.re.data(), out.im.data());
  return out;
}

Coefficients transform(int exponent, const std::vector<double>& x) {
  Fft fft(exponent);
  return transform(fft, x);
}

std::vector<double> random_block(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-100.0, 100.0);
  std::vector<double> x(n);
  for (double& v : x) v = dist(rng);
  return x;
}

// (1/N) sum x[n] exp(-2 pi i k n / N), summed in long double with the true pi.
std::vector<std::complex<long double>> direct_dft(const std::vector<double>& x) {
  const std::size_t n = x.size();
  const long double two_pi = 2.0L * std::numbers::pi_v<long double>;
  std::vector<std::complex<long double>> root(n);
  for (std::size_t m = 0; m < n; ++m) {
    const long double angle = two_pi * static_cast<long double>(m) / n;
    root[m] = {std::cos(angle), -std::sin(angle)};
  }
  std::vector<std::complex<long double>> out(n);
  for (std::size_t k = 0; k < n; ++k) {
    std::complex<long double> sum = 0.0L;
    for (std::size_t i = 0; i < n; ++i) {
      sum += static_cast<long double>(x[i]) * root[(k * i) % n];
    }
    out[k] = sum / static_cast<long double>(n);
  }
  return out;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Index of the first value whose bits differ, for the failure message.
std::size_t first_difference(const std::vector<double>& a,
                             const std::vector<double>& b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0) return i;
  }
  return a.size();
}

// ---- known blocks ----------------------------------------------------------

TEST(FftKnownBlocks, TwoPointsGiveHalfSumAndHalfDifference) {
  const Coefficients s = transform(1, {3.0, -5.0});
  EXPECT_EQ(s.re[0], (3.0 + -5.0) / 2);
  EXPECT_EQ(s.re[1], (3.0 - -5.0) / 2);
  EXPECT_EQ(s.im[0], 0.0);
  EXPECT_NEAR(s.im[1], 0.0, 1e-14);
}

TEST(FftKnownBlocks, ZerosGiveZerosInEveryBin) {
  for (int e : {1, 2, 3, 4, 5, 10}) {
    const std::size_t n = std::size_t{1} << e;
    const Coefficients s = transform(e, std::vector<double>(n, 0.0));
    for (std::size_t k = 0; k < n; ++k) {
      EXPECT_EQ(s.re[k], 0.0) << "E=" << e << " k=" << k;
      EXPECT_EQ(s.im[k], 0.0) << "E=" << e << " k=" << k;
    }
  }
}

TEST(FftKnownBlocks, ConstantBlockGivesItsValueInBinZeroOnly) {
  for (int e : {1, 3, 4, 7, 11}) {
    const std::size_t n = std::size_t{1} << e;
    const Coefficients s = transform(e, std::vector<double>(n, -2.75));
    EXPECT_EQ(s.re[0], -2.75) << "E=" << e;
    EXPECT_EQ(s.im[0], 0.0) << "E=" << e;
    for (std::size_t k = 1; k < n; ++k) {
      EXPECT_NEAR(s.re[k], 0.0, 1e-13) << "E=" << e << " k=" << k;
      EXPECT_NEAR(s.im[k], 0.0, 1e-13) << "E=" << e << " k=" << k;
    }
  }
}

TEST(FftKnownBlocks, CosineOfOneCycleInEightGivesHalfInBinsOneAndSeven) {
  std::vector<double> x(8);
  for (std::size_t i = 0; i < 8; ++i) {
    x[i] = std::cos(2 * std::numbers::pi * static_cast<double>(i) / 8);
  }
  const Coefficients s = transform(3, x);
  for (std::size_t k = 0; k < 8; ++k) {
    const double expected = (k == 1 || k == 7) ? 0.5 : 0.0;
    EXPECT_NEAR(s.re[k], expected, 1e-14) << "k=" << k;
    EXPECT_NEAR(s.im[k], 0.0, 1e-14) << "k=" << k;
  }
}

// x = A cos(2 pi k n / N + phi) gives X[k] = (A/2) e^{i phi} and X[N-k] its
// conjugate: the block analysis reads swing and phase from this.
TEST(FftKnownBlocks, CosineWithPhaseGivesHalfAmplitudeAtThatPhase) {
  const int e = 6;
  const std::size_t n = 64;
  const double amplitude = 3.0, phase = 0.7;
  for (std::size_t bin : {1u, 5u, 31u}) {
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = amplitude * std::cos(2 * std::numbers::pi *
                                      static_cast<double>(bin * i) / n +
                                  phase);
    }
    const Coefficients s = transform(e, x);
    EXPECT_NEAR(s.re[bin], amplitude / 2 * std::cos(phase), 1e-12);
    EXPECT_NEAR(s.im[bin], amplitude / 2 * std::sin(phase), 1e-12);
    EXPECT_NEAR(s.re[n - bin], amplitude / 2 * std::cos(phase), 1e-12);
    EXPECT_NEAR(s.im[n - bin], -amplitude / 2 * std::sin(phase), 1e-12);
    EXPECT_NEAR(std::atan2(s.im[bin], s.re[bin]), phase, 1e-12);
  }
}

// ---- against a direct evaluation -----------------------------------------------

TEST(FftAccuracy, EqualsDirectSumForEveryLengthUpTo4096) {
  for (int e = 1; e <= 12; ++e) {
    const std::size_t n = std::size_t{1} << e;
    const std::vector<double> x = random_block(n, 100 + e);
    const Coefficients s = transform(e, x);
    const auto exact = direct_dft(x);
    long double worst = 0;
    for (std::size_t k = 0; k < n; ++k) {
      worst = std::max(worst, std::abs(std::complex<long double>(
                                           s.re[k], s.im[k]) - exact[k]));
    }
    // Samples up to 100: the error figure stays near 1e-13 (the program's pi
    // differs from the true one in the 15th digit, rounding adds the rest).
    EXPECT_LT(static_cast<double>(worst), 1e-12) << "E=" << e;
  }
}

// ---- bit for bit with the plain form ---------------------------------------

// Blocks that exercise the corners of double arithmetic: signed zeros,
// values near overflow (sums overflow to infinities and then NaN), tiny and
// subnormal values, and a mix of all of them with ordinary samples.
std::vector<std::vector<double>> special_blocks(std::size_t n, int e) {
  const double inf = std::numeric_limits<double>::infinity();
  const double subnormal = std::numeric_limits<double>::denorm_min();
  std::vector<std::vector<double>> blocks;
  blocks.push_back(std::vector<double>(n, 0.0));
  blocks.push_back(std::vector<double>(n, -0.0));
  std::vector<double> zeros(n), huge(n), tiny(n), mixed(n);
  std::mt19937_64 rng(7 * e);
  for (std::size_t i = 0; i < n; ++i) {
    zeros[i] = (rng() % 2) ? 0.0 : -0.0;
    huge[i] = ((rng() % 2) ? 1.0 : -1.0) * 1.5e308 / (1 + rng() % 4);
    tiny[i] = static_cast<double>(rng() % 7) * subnormal - 3e-310 * (rng() % 2);
    const double pick[] = {0.0, -0.0, 1e308, -1e308, 1e-300, subnormal,
                           1.0, -123.456};
    mixed[i] = pick[rng() % 8];
  }
  blocks.push_back(zeros);
  blocks.push_back(huge);
  blocks.push_back(tiny);
  blocks.push_back(mixed);
  std::vector<double> with_inf = random_block(n, e);
  with_inf[n / 3] = inf;
  blocks.push_back(with_inf);
  std::vector<double> with_nan = random_block(n, e + 1);
  with_nan[n - 1] = std::numeric_limits<double>::quiet_NaN();
  blocks.push_back(with_nan);
  return blocks;
}

void expect_same_bits_as_plain_form(bool narrow) {
  for (int e = 1; e <= 16; ++e) {
    const std::size_t n = std::size_t{1} << e;
    Fft fft(e);
    fft.use_narrow_stages(narrow);
    mulrin::FftReference plain(e);
    std::vector<std::vector<double>> blocks = special_blocks(n, e);
    for (std::uint64_t seed = 0; seed < 3; ++seed) {
      blocks.push_back(random_block(n, seed * 1000 + e));
    }
    std::vector<double> scaled = random_block(n, 99);
    for (double& v : scaled) v *= 1e-150;
    blocks.push_back(scaled);
    // One object serves all blocks in turn, as in a run.
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      const Coefficients got = transform(fft, blocks[b]);
      Coefficients want{std::vector<double>(n), std::vector<double>(n)};
      plain.transform(blocks[b].data(), want.re.data(), want.im.data());
      EXPECT_TRUE(same_bits(got.re, want.re))
          << "E=" << e << " block " << b << " re differs at "
          << first_difference(got.re, want.re);
      EXPECT_TRUE(same_bits(got.im, want.im))
          << "E=" << e << " block " << b << " im differs at "
          << first_difference(got.im, want.im);
    }
  }
}

TEST(FftBitExact, MatchesPlainFormForEveryLengthUpTo65536) {
  expect_same_bits_as_plain_form(false);
}

TEST(FftBitExact, NarrowStagesMatchPlainFormToo) {
  expect_same_bits_as_plain_form(true);
}

// ---- lengths it does not take ------------------------------------------------

TEST(FftFailures, ExponentZeroIsSubscriptErrorAtFirstTransform) {
  Fft fft(0);  // building the table is not where it fails
  double x = 1.0, re = 0.0, im = 0.0;
  try {
    fft.transform(&x, &re, &im);
    FAIL() << "no error raised";
  } catch (const frame::RuntimeError& error) {
    EXPECT_EQ(error.code(), frame::err::kSubscript);
  }
}

TEST(FftFailures, ExponentBeyondAnyMemoryIsOutOfMemoryBeforeAllocating) {
  try {
    Fft fft(60);
    FAIL() << "no error raised";
  } catch (const frame::RuntimeError& error) {
    EXPECT_EQ(error.code(), frame::err::kOutOfMemory);
  }
}

}  // namespace

#include "mulrin/fft.h"
#include "mulrin/tests/fft_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "tests/support/support.h"

namespace {

using mulrin::Fft;
using Block = std::vector<double>;

struct Coefficients {
  Block re, im;
};

template <class Engine>
Coefficients transform(Engine& fft, const Block& x) {
  Coefficients out{Block(x.size()), Block(x.size())};
  fft.transform(x.data(), out.re.data(), out.im.data());
  return out;
}

Block random_block(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-100.0, 100.0);
  Block x(n);
  for (double& v : x) v = dist(rng);
  return x;
}

// Blocks at the corners of double arithmetic: signed zeros, values near
// overflow (sums go to infinities, then NaN), subnormals, an infinity, a NaN,
// tiny magnitudes, and ordinary random samples.
std::vector<Block> awkward_blocks(std::size_t n, int e) {
  const double sub = std::numeric_limits<double>::denorm_min();
  const double pick[] = {0.0, -0.0, 1e308, -1e308, 1e-300, sub, 1.0, -123.456};
  std::mt19937_64 rng(7 * e);
  std::vector<Block> blocks(4, Block(n));
  for (std::size_t i = 0; i < n; ++i) {
    blocks[0][i] = (rng() % 2) ? 0.0 : -0.0;
    blocks[1][i] = ((rng() % 2) ? 1.0 : -1.0) * 1.5e308 / static_cast<double>(1 + rng() % 4);
    blocks[2][i] = static_cast<double>(rng() % 7) * sub - 3e-310 * static_cast<double>(rng() % 2);
    blocks[3][i] = pick[rng() % 8];
  }
  blocks.push_back(Block(n, -0.0));
  for (std::uint64_t seed = 0; seed < 5; ++seed) blocks.push_back(random_block(n, seed * 1000 + e));
  blocks[5][n / 3] = std::numeric_limits<double>::infinity();
  blocks[6][n - 1] = std::numeric_limits<double>::quiet_NaN();
  for (double& v : blocks[7]) v *= 1e-150;
  return blocks;
}

class FftBitExact : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FftBitExact, MatchesPlainFormForEveryLengthUpTo65536) {
  for (int e = 1; e <= 16; ++e) {
    Fft fft(e);  // one engine serves all blocks in turn, as in a run
    // At most the lanes of the parameter; widths the processor lacks fall back.
    fft.limit_lanes(GetParam());
    mulrin::FftReference plain(e);
    const std::vector<Block> blocks = awkward_blocks(std::size_t{1} << e, e);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      const Coefficients got = transform(fft, blocks[b]), want = transform(plain, blocks[b]);
      const std::size_t bytes = blocks[b].size() * sizeof(double);
      EXPECT_TRUE(!std::memcmp(got.re.data(), want.re.data(), bytes) &&
                  !std::memcmp(got.im.data(), want.im.data(), bytes))
          << "E=" << e << " block " << b;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Stages, FftBitExact, ::testing::Values(8, 4, 2),
                         [](const auto& info) { return "Lanes" + std::to_string(info.param); });

// Exponent 0 builds nothing and fails at its first transform; tables beyond
// any memory fail before allocating.
TEST(FftFailures, ExponentZeroIsSubscriptErrorAndHugeIsOutOfMemory) {
  double x[2] = {1.0, 1.0}, re[2] = {}, im[2] = {};  // room for the smallest block, N = 2
  for (const auto& [exponent, code] :
       {std::pair{0, frame::err::kSubscript}, {60, frame::err::kOutOfMemory}, {1, 0}})
    EXPECT_EQ(test_support::code_of([&] { Fft(exponent).transform(x, re, im); }), code) << exponent;
}

}  // namespace

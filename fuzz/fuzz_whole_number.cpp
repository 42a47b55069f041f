// Whole-number conversion, floor and power over arbitrary doubles.
//
// Holds: whole_number gives the nearest whole number with halves away from
// zero (std::round) when that fits the kind, else error 6 (NaN too); floor is
// std::floor; power never gives a non-finite value, raises only 5 or 6, and
// agrees with std::pow to within rounding where both are ordinary numbers.
#include <cmath>
#include <cstring>
#include <string>

#include "frame/numtext.h"
#include "fuzz_support.h"

namespace {

using fuzz::show;

void check_whole(double v) {
  for (const frame::Kind kind : {frame::Kind::Short, frame::Kind::Long}) {
    const double limit = kind == frame::Kind::Short ? 32768.0 : 2147483648.0;
    const double r = std::round(v);  // halves away from zero
    const bool fits = r >= -limit && r < limit;
    try {
      const std::int32_t w = frame::whole_number(v, kind);
      FUZZ_REQUIRE(fits && w == r, "whole number differs from rounding half away", show(v));
    } catch (const frame::RuntimeError& e) {
      FUZZ_REQUIRE(e.code() == 6 && !fits, "whole number raised wrongly",
                   show(v) + " code " + std::to_string(e.code()));
    }
  }
}

void check_power(double x, double y) {
  double p;
  try {
    p = frame::power(x, y);
  } catch (const frame::RuntimeError& e) {
    fuzz::require_code(e, {5, 6}, "power");
    return;
  }
  const double q = std::pow(x, y);
  FUZZ_REQUIRE(std::isfinite(p), "power gave a non-finite value", show(x) + "^" + show(y));
  FUZZ_REQUIRE(y != 0 || p == 1, "x^0 must be 1", show(x));
  FUZZ_REQUIRE(y == 0 || x != 0 || p == 0, "0^y must be 0", show(y));
  if (y != 0 && x != 0 && std::isfinite(q) && std::fabs(q) >= 1e-300 && std::fabs(q) <= 1e300)
    FUZZ_REQUIRE(std::fabs(p - q) <= 1e-13 * std::fabs(q), "power far from std::pow",
                 show(x) + "^" + show(y) + " = " + show(p) + " vs " + show(q));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  double v, y;
  std::memcpy(&v, data, 8);
  check_whole(v);
  if (size >= 9 &&
      std::isfinite(v)) {  // near the interesting range: v scaled down by the next byte
    const double near = std::ldexp(v, -static_cast<int>(data[8] % 64) - 970);
    check_whole(near);
    check_whole(near + 0.5);
  }
  if (!std::isnan(v))
    FUZZ_REQUIRE(frame::floor_value(v) == std::floor(v), "floor differs", show(v));
  if (size >= 16) {
    std::memcpy(&y, data + 8, 8);
    check_power(v, y);
    check_power(v,
                static_cast<double>(data[15] % 8));  // small whole exponents, as the tools use them
    check_power(2, std::trunc(std::fmod(y, 200.0)));
  }
  return 0;
}

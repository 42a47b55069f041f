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

using frame::Kind;

std::string show(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

void check_whole(double v, Kind kind) {
  const double lo = kind == Kind::Short ? -32768.0 : -2147483648.0;
  const double hi = kind == Kind::Short ? 32767.0 : 2147483647.0;
  const double r = std::round(v);  // halves away from zero
  const bool fits = r >= lo && r <= hi;
  try {
    const std::int32_t w = frame::whole_number(v, kind);
    FUZZ_REQUIRE(fits && static_cast<double>(w) == r, "whole number differs from rounding half away",
                  show(v));
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 6 && !fits, "whole number raised wrongly",
                  show(v) + " code " + std::to_string(e.code()));
  }
}

void check_power(double x, double y) {
  double p;
  try {
    p = frame::power(x, y);
  } catch (const frame::RuntimeError& e) {
    static constexpr int kAllowed[] = {5, 6};
    fuzz::require_code(e, kAllowed, "power");
    return;
  }
  FUZZ_REQUIRE(std::isfinite(p), "power gave a non-finite value", show(x) + "^" + show(y));
  if (y == 0) {
    FUZZ_REQUIRE(p == 1, "x^0 must be 1", show(x));
    return;
  }
  if (x == 0) {
    FUZZ_REQUIRE(p == 0, "0^y must be 0", show(y));
    return;
  }
  const double q = std::pow(x, y);
  if (std::isfinite(q) && std::fabs(q) >= 1e-300 && std::fabs(q) <= 1e300) {
    FUZZ_REQUIRE(std::fabs(p - q) <= 1e-13 * std::fabs(q), "power far from std::pow",
                  show(x) + "^" + show(y) + " = " + show(p) + " vs " + show(q));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  double v;
  std::memcpy(&v, data, 8);
  check_whole(v, Kind::Short);
  check_whole(v, Kind::Long);
  // Values near the interesting range: v scaled down by the next byte.
  if (size >= 9 && std::isfinite(v)) {
    const double near = std::ldexp(v, -static_cast<int>(data[8] % 64) - 970);
    check_whole(near, Kind::Short);
    check_whole(near, Kind::Long);
    check_whole(near + 0.5, Kind::Long);
  }
  if (!std::isnan(v)) {
    FUZZ_REQUIRE(frame::floor_value(v) == std::floor(v), "floor differs", show(v));
  }
  if (size >= 16) {
    double y;
    std::memcpy(&y, data + 8, 8);
    check_power(v, y);
    // Small whole exponents, as the tools use them (squares, powers of t).
    check_power(v, static_cast<double>(data[15] % 8));
    check_power(2, std::trunc(std::fmod(y, 200.0)));
  }
  return 0;
}

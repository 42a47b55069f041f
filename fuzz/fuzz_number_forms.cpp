// The free form, the output item form, the pattern form and power over
// arbitrary values, kinds and patterns (the tools' own patterns and
// arbitrary ones).
//
// Holds:
// - free form: at most 12 characters for a single, 22 otherwise; read back
//   it is within half a unit of its last kept digit of the value, and
//   formatting the read-back value again gives the same text;
// - item form: the free form and one blank;
// - pattern form: the prefix and suffix texts around the number; the number
//   is either exactly as wide as the field or the overflow form ("%" and the
//   free form); an overflow happens only when the rounded value does not fit
//   the integer positions; a fitting number reads back within half a unit of
//   its last decimal place and carries a minus exactly for a negative value;
//   a pattern without a numeric field is error 5 and no other error is raised;
// - power never gives a non-finite value, raises only 5 or 6, and agrees
//   with std::pow to within rounding where both are ordinary numbers.
#include <bit>
#include <cmath>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/numtext.h"
#include "fuzz_support.h"

namespace {

using frame::Kind;
using fuzz::show;

// The number patterns of the two tools' reports.
constexpr std::string_view kToolPatterns[] = {
    "#####.####)",    "#####.#####",     "####.####deg:", "####.####deg",
    "######(",        "######.####deg)", "####.####",     "(####.####)",
    "(####.####deg)", "####.####dg",     ":#######.####", ":####.####",
};

// Checks that a number text (read as a double: the type character "#") is
// within `unit` / 2 of the value shown. Beyond the double range is allowed
// only for the largest doubles, which round up to a 15-digit text.
std::optional<double> require_near(std::string_view text, double shown, long double unit,
                                   const std::string& what) {
  double back;
  try {
    back = frame::text_to_number(std::string(text) + "#").value;
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 6 && std::fabs(shown) > 1.797693134862315e308,
                 "a number text that does not read back", what);
    return std::nullopt;
  }
  const long double off = std::fabs(static_cast<long double>(back) - shown);
  FUZZ_REQUIRE(off <= 0.5L * unit * (1 + 1e-12L) + std::fabs(std::nextafter(back, INFINITY) - back),
               "number text not within half a unit of its last place",
               what + " read back " + show(back));
  return back;
}

void check_free_form(double value, Kind kind) {
  const std::string text = frame::free_form(value, kind);
  const bool single = kind == Kind::Single;
  const double shown = single ? double{static_cast<float>(value)} : value;
  FUZZ_REQUIRE(frame::item_form(value, kind) == text + " ", "item form is not free form + blank",
               text);
  if (!std::isfinite(shown)) {
    FUZZ_REQUIRE(text == (std::isnan(shown) ? " NAN"
                          : shown < 0       ? "-INF"
                                            : " INF"),
                 "NaN or infinity form", text);
    return;
  }
  FUZZ_REQUIRE(text.size() <= (single ? 12u : 22u) && text[0] == (shown < 0 ? '-' : ' '),
               "free form too long or sign", text + " for " + show(value));
  // The unit of the last kept digit, from the decimal exponent of the value (a
  // hair above it where log10 is not exact: a looser bound, never a tighter).
  const long double exponent =
      std::floor(std::log10(std::fabs(static_cast<long double>(shown))) + 1e-12L);
  const auto back = require_near(text, shown, std::pow(10.0L, exponent - (single ? 5 : 14)), text);
  if (back)
    FUZZ_REQUIRE(frame::free_form(*back, kind) == text, "free form of the read-back value differs",
                 text);
}

// Where the numeric field of a pattern is: the first "#", or "." followed by
// "#", outside an "_" escape; then "#"s, at most one ".", "#"s.
struct Field {
  std::size_t begin = std::string_view::npos, end = 0;
  int before = 0, after = -1;  // after: -1 without a point
};

Field find_field(std::string_view p) {
  Field f;
  std::size_t i = 0;
  for (; i < p.size() && p[i] != '#' && !(p[i] == '.' && i + 1 < p.size() && p[i + 1] == '#'); ++i)
    i += p[i] == '_';
  if (i >= p.size()) return f;
  for (f.begin = i; i < p.size() && p[i] == '#';) ++i;
  f.before = static_cast<int>(i - f.begin);
  if (i < p.size() && p[i] == '.') {
    const std::size_t start = ++i;
    while (i < p.size() && p[i] == '#') ++i;
    f.after = static_cast<int>(i - start);
  }
  f.end = i;
  return f;
}

std::string literal(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    out += text[i += text[i] == '_' && i + 1 < text.size()];
  return out;
}

void check_pattern_form(double value, Kind kind, std::string_view pattern) {
  const Field f = find_field(pattern);
  const bool found = f.begin != std::string_view::npos;
  std::string text;
  try {
    text = frame::pattern_form(value, kind, pattern);
    FUZZ_REQUIRE(found, "a pattern without a field must be error 5", fuzz::show(pattern));
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 5 && !found, "pattern form raised wrongly",
                 fuzz::show(pattern) + " code " + std::to_string(e.code()));
    return;
  }
  const std::string prefix = literal(pattern.substr(0, f.begin)),
                    suffix = literal(pattern.substr(f.end));
  const std::string what = fuzz::show(pattern) + " " + show(value) + " -> " + fuzz::show(text);
  FUZZ_REQUIRE(text.size() >= prefix.size() + suffix.size() && text.starts_with(prefix) &&
                   text.ends_with(suffix),
               "prefix or suffix text lost", what);
  const std::string number =
      text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  const double shown = kind == Kind::Single ? double{static_cast<float>(value)} : value;
  const int after = std::max(f.after, 0);
  const int room = f.before - (shown < 0 ? 1 : 0);
  const int least_shown = f.before > 0 ? 1 : 0;  // integer positions show at least "0"
  if (number.starts_with("%")) {
    FUZZ_REQUIRE(number == "%" + frame::free_form(value, kind),
                 "overflow form is not % + free form", what);
    // Only a value whose rounding reaches 10^room may overflow.
    FUZZ_REQUIRE(!std::isfinite(shown) || least_shown > room ||
                     std::fabs(static_cast<long double>(shown)) >=
                         (std::pow(10.0L, room) - 0.5L * std::pow(10.0L, -after)) * (1 - 1e-12L),
                 "overflow of a value that fits", what);
    return;
  }
  FUZZ_REQUIRE(
      std::isfinite(shown) && number.size() == static_cast<std::size_t>(f.before + f.after + 1),
      "number not as wide as its field", what);
  FUZZ_REQUIRE(least_shown <= room && std::fabs(static_cast<long double>(shown)) <
                                          std::pow(10.0L, room) * (1 + 1e-12L),
               "a value too wide did not overflow", what);
  FUZZ_REQUIRE((number.find('-') != std::string::npos) == (shown < 0), "minus sign", what);
  require_near(number, shown, std::pow(10.0L, -after), what);
}

void check_power(double x, double y) {
  double p = 0;
  if (fuzz::raised([&] { p = frame::power(x, y); }, {5, 6}, "power") != 0) return;
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
  FuzzedDataProvider in(data, size);
  const auto kind = static_cast<Kind>(in.ConsumeIntegralInRange<int>(0, 3));
  double value = 0;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      value = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
      break;
    case 1:
      value = std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
      break;
    case 2:  // a report-sized value: mantissa bits at a small scale
      value = std::ldexp(static_cast<double>(in.ConsumeIntegral<std::int64_t>()),
                         in.ConsumeIntegralInRange<int>(-90, 0));
      break;
    default:
      if (fuzz::raised([&] { value = frame::val(in.ConsumeRandomLengthString(40)); }) != 0)
        return 0;
  }
  check_free_form(value, kind);
  const std::string pattern =
      in.ConsumeBool() ? std::string(kToolPatterns[in.ConsumeIntegralInRange<std::size_t>(
                             0, std::size(kToolPatterns) - 1)])
                       : in.ConsumeRandomLengthString(200);
  check_pattern_form(value, kind, pattern);
  const double y = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
  check_power(value, y);
  check_power(value, in.ConsumeIntegralInRange<int>(0, 7));  // whole, as the tools use them
  check_power(2, std::trunc(std::fmod(y, 200.0)));
  return 0;
}

// The free form, the output item form and the pattern form over arbitrary
// values, kinds and patterns (the tools' own patterns and arbitrary ones).
//
// Holds:
// - free form: at most 12 characters for a single, 22 otherwise; read back
//   (as a double) it is within half a unit of its last kept digit of the
//   value, and formatting that read-back value again gives the same text;
// - item form: the free form and one blank;
// - pattern form: the prefix and suffix texts around the number; the number
//   is either exactly as wide as the field or the overflow form ("%" and the
//   free form), never longer; an overflow happens only when the rounded value
//   does not fit the integer positions; a fitting number reads back within
//   half a unit of its last decimal place and carries a minus exactly for a
//   negative value; a pattern without a numeric field is error 5 and no
//   other error is raised.
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/numtext.h"
#include "fuzz_support.h"

namespace {

using frame::Kind;

// The number patterns of the two tools' reports.
constexpr std::string_view kToolPatterns[] = {
    "#####.####)", "#####.#####",   "####.####deg:", "####.####deg",    "######(",
    "######.####deg)", "####.####", "(####.####)",   "(####.####deg)",  "####.####dg",
    ":#######.####", ":####.####",
};

std::string show(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// The read-back value of a number text (the text as a double, whatever its
// digits say: the type character "#" asks for a double). Empty when the text
// is beyond the double range: the largest doubles round up to a 15-digit
// text above the largest double.
std::optional<double> read_back(std::string_view text, double shown) {
  std::string t(text);
  t += '#';
  try {
    return frame::text_to_number(t).value;
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 6 && std::fabs(shown) > 1.797693134862315e308,
                  "a number text that does not read back", fuzz::show(text));
    return std::nullopt;
  }
}

// The decimal exponent of the first significant digit of a free-form text,
// and whether the text has any digit other than 0.
int first_digit_exponent(std::string_view text) {
  std::size_t mark = text.find_first_of("ED");
  const std::string_view mantissa = text.substr(0, mark);
  const int written = mark == std::string_view::npos
                          ? 0
                          : std::stoi(std::string(text.substr(mark + 1)));
  const std::size_t point = mantissa.find('.');
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return 0;
  const std::size_t int_end = point == std::string_view::npos ? mantissa.size() : point;
  if (first < int_end) return static_cast<int>(int_end - first - 1) + written;
  return -static_cast<int>(first - point) + written;
}

void check_free_form(double value, Kind kind) {
  const std::string text = frame::free_form(value, kind);
  const bool single = kind == Kind::Single;
  const double shown = single ? static_cast<double>(static_cast<float>(value)) : value;
  FUZZ_REQUIRE(frame::item_form(value, kind) == text + " ", "item form is not free form + blank",
                text);
  if (std::isnan(shown)) {
    FUZZ_REQUIRE(text == " NAN", "NaN form", text);
    return;
  }
  if (std::isinf(shown)) {
    FUZZ_REQUIRE(text == (shown < 0 ? "-INF" : " INF"), "infinity form", text);
    return;
  }
  FUZZ_REQUIRE(text.size() <= (single ? 12u : 22u), "free form too long",
                text + " for " + show(value));
  FUZZ_REQUIRE(text[0] == (shown < 0 ? '-' : ' '), "sign position", text);

  const std::optional<double> read = read_back(text, shown);
  if (!read) return;
  const double back = *read;
  const int digits = single ? 6 : 15;
  const long double unit = std::pow(10.0L, first_digit_exponent(text) - digits + 1);
  const long double off = std::fabs(static_cast<long double>(back) - shown);
  const long double ulp = std::fabs(std::nextafter(back, INFINITY) - back);
  FUZZ_REQUIRE(off <= 0.5L * unit * (1 + 1e-12L) + ulp, "free form not within half a unit",
                text + " for " + show(shown) + " read back " + show(back));
  FUZZ_REQUIRE(frame::free_form(back, kind) == text, "free form of the read-back value differs",
                text + " vs " + frame::free_form(back, kind));
}

// The numeric field of a pattern: the first "#", or "." followed by "#",
// outside an "_" escape; then "#"s, at most one ".", "#"s.
struct Field {
  bool found = false;
  std::size_t begin = 0, end = 0;
  int before = 0, after = 0;
  bool point = false;
};

Field find_field(std::string_view p) {
  Field f;
  std::size_t i = 0;
  for (; i < p.size(); ++i) {
    if (p[i] == '_') {
      ++i;
      continue;
    }
    if (p[i] == '#' || (p[i] == '.' && i + 1 < p.size() && p[i + 1] == '#')) break;
  }
  if (i >= p.size()) return f;
  f.found = true;
  f.begin = i;
  while (i < p.size() && p[i] == '#') ++i;
  f.before = static_cast<int>(i - f.begin);
  if (i < p.size() && p[i] == '.') {
    f.point = true;
    const std::size_t start = ++i;
    while (i < p.size() && p[i] == '#') ++i;
    f.after = static_cast<int>(i - start);
  }
  f.end = i;
  return f;
}

std::string literal(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

void check_pattern_form(double value, Kind kind, std::string_view pattern) {
  const Field f = find_field(pattern);
  std::string text;
  try {
    text = frame::pattern_form(value, kind, pattern);
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 5 && !f.found, "pattern form raised wrongly",
                  fuzz::show(pattern) + " code " + std::to_string(e.code()));
    return;
  }
  FUZZ_REQUIRE(f.found, "a pattern without a field must be error 5", fuzz::show(pattern));
  const std::string prefix = literal(pattern.substr(0, f.begin));
  const std::string suffix = literal(pattern.substr(f.end));
  FUZZ_REQUIRE(text.size() >= prefix.size() + suffix.size() && text.starts_with(prefix) &&
                    text.ends_with(suffix),
                "prefix or suffix text lost", fuzz::show(pattern) + " -> " + fuzz::show(text));
  const std::string number =
      text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  const double shown = kind == Kind::Single ? static_cast<double>(static_cast<float>(value)) : value;
  const std::size_t width = static_cast<std::size_t>(f.before + f.after + (f.point ? 1 : 0));
  const int room = f.before - (shown < 0 ? 1 : 0);
  // A field with integer positions shows at least "0" before the point.
  const int least_shown = f.before > 0 ? 1 : 0;

  if (!number.empty() && number[0] == '%') {
    FUZZ_REQUIRE(number == "%" + frame::free_form(value, kind), "overflow form is not % + free form",
                  fuzz::show(pattern) + " -> " + fuzz::show(text));
    if (std::isfinite(shown) && least_shown <= room) {
      // Only a value whose rounding reaches 10^room may overflow.
      const long double limit = std::pow(10.0L, room) - 0.5L * std::pow(10.0L, -f.after);
      FUZZ_REQUIRE(std::fabs(static_cast<long double>(shown)) >= limit * (1 - 1e-12L),
                    "overflow of a value that fits",
                    fuzz::show(pattern) + " " + show(shown) + " -> " + fuzz::show(text));
    }
    return;
  }
  FUZZ_REQUIRE(std::isfinite(shown), "a non-finite value must overflow", fuzz::show(text));
  FUZZ_REQUIRE(number.size() == width, "number not as wide as its field",
                fuzz::show(pattern) + " " + show(shown) + " -> " + fuzz::show(text));
  FUZZ_REQUIRE(least_shown <= room && std::fabs(static_cast<long double>(shown)) <
                                 std::pow(10.0L, room) * (1 + 1e-12L),
                "a value too wide did not overflow",
                fuzz::show(pattern) + " " + show(shown) + " -> " + fuzz::show(text));
  FUZZ_REQUIRE((number.find('-') != std::string::npos) == (shown < 0), "minus sign",
                fuzz::show(pattern) + " " + show(shown) + " -> " + fuzz::show(text));
  const std::optional<double> read = read_back(number, shown);
  if (!read) return;
  const double back = *read;
  const long double off = std::fabs(static_cast<long double>(back) - shown);
  const long double ulp = std::fabs(std::nextafter(back, INFINITY) - back);
  FUZZ_REQUIRE(off <= 0.5L * std::pow(10.0L, -f.after) * (1 + 1e-12L) + ulp,
                "pattern form not within half a unit of its last place",
                fuzz::show(pattern) + " " + show(shown) + " -> " + fuzz::show(text));
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
      try {
        value = frame::val(in.ConsumeRandomLengthString(40));
      } catch (const frame::RuntimeError&) {
        return 0;
      }
  }
  check_free_form(value, kind);

  std::string pattern;
  if (in.ConsumeBool()) {
    pattern = kToolPatterns[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kToolPatterns) - 1)];
  } else {
    pattern = in.ConsumeRandomLengthString(200);
  }
  check_pattern_form(value, kind, pattern);
  return 0;
}

#include "frame/numtext.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace frame {
namespace {

int code_of(auto&& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

float next_up(float f) { return std::nextafter(f, FLT_MAX); }

// ---- exact big-decimal reference -------------------------------------------

// The exact value of a positive finite double as digits / 10^frac.
struct Exact {
  std::string digits;
  int frac = 0;
};

Exact exact(double mag) {
  int b2;
  const double fr = std::frexp(mag, &b2);
  auto m = static_cast<std::uint64_t>(std::ldexp(fr, 53));
  int b = b2 - 53;
  std::vector<std::uint32_t> limbs{static_cast<std::uint32_t>(m % 1000000000),
                                   static_cast<std::uint32_t>(m / 1000000000 % 1000000000),
                                   static_cast<std::uint32_t>(m / 1000000000000000000)};
  auto times = [&](std::uint32_t k) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs) {
      const std::uint64_t v = std::uint64_t{limb} * k + carry;
      limb = static_cast<std::uint32_t>(v % 1000000000);
      carry = v / 1000000000;
    }
    if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
  };
  Exact r;
  for (; b > 0; --b) times(2);
  for (; b < 0; ++b, ++r.frac) times(5);  // m / 2^k = m * 5^k / 10^k
  for (auto it = limbs.rbegin(); it != limbs.rend(); ++it) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%09u", *it);
    r.digits += buf;
  }
  r.digits.erase(0, std::min(r.digits.find_first_not_of('0'), r.digits.size() - 1));
  return r;
}

// Adds one to a digit string.
std::string increment(std::string s) {
  int i = static_cast<int>(s.size()) - 1;
  while (i >= 0 && s[i] == '9') s[i--] = '0';
  if (i < 0) return "1" + s;
  ++s[i];
  return s;
}

// The pattern text for a plain "#" field with B before and A after the point,
// from the exact expansion: cut after A+1 fraction digits, round by that one.
std::string reference_pattern(double v, int B, int A) {
  const Exact x = exact(std::fabs(v));
  std::string d = x.digits;
  if (x.frac < A + 1) d.append(A + 1 - x.frac, '0');
  const int drop = std::max(x.frac - (A + 1), 0);  // digits beyond the deciding one
  std::string cut = drop >= static_cast<int>(d.size()) ? "0" : d.substr(0, d.size() - drop);
  const char decider = cut.back();
  cut.pop_back();
  if (cut.empty()) cut = "0";
  if (decider >= '5') cut = increment(cut);
  if (cut.size() < static_cast<std::size_t>(A + 1)) cut.insert(0, A + 1 - cut.size(), '0');
  std::string whole = cut.substr(0, cut.size() - A);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  if (B == 0 && whole == "0") whole.clear();
  const int room = B - (v < 0 ? 1 : 0);
  if (static_cast<int>(whole.size()) > room) return "%" + free_form(v, Kind::Double);
  std::string text(static_cast<std::size_t>(room) - whole.size(), ' ');
  if (v < 0) text += '-';
  text += whole;
  if (A > 0) text += "." + cut.substr(cut.size() - A);
  return text;
}

// Digits of the free form from the exact expansion: P significant digits,
// rounded by digit P+1, trailing zeros dropped, and the decimal exponent.
std::pair<std::string, int> reference_significant(double mag, int P) {
  const Exact x = exact(mag);
  int e = static_cast<int>(x.digits.size()) - x.frac - 1;
  std::string d = x.digits + std::string(P + 1, '0');
  std::string kept = d.substr(0, P);
  if (d[P] >= '5') kept = increment(kept);
  if (kept.size() > static_cast<std::size_t>(P)) {
    kept.pop_back();
    ++e;
  }
  kept.erase(std::max<std::size_t>(kept.find_last_not_of('0') + 1, 1));
  return {kept, e};
}

// The significant digits and decimal exponent that a free form shows, in
// plain or exponent notation.
std::pair<std::string, int> shown_significant(const std::string& text, char letter) {
  const std::size_t mark = std::min(text.find(letter), text.size());
  const std::string body = text.substr(1, mark - 1);
  std::string digits;
  for (char c : body) {
    if (c != '.') digits += c;
  }
  int e = static_cast<int>(std::min(body.find('.'), body.size())) - 1;
  const std::size_t first = digits.find_first_not_of('0');
  e -= static_cast<int>(first);
  digits.erase(0, first);
  digits.erase(digits.find_last_not_of('0') + 1);
  if (mark < text.size()) e += std::stoi(text.substr(mark + 1));
  return {digits, e};
}

// ---- free form --------------------------------------------------------------

TEST(FreeForm, WorkedExamples) {
  EXPECT_EQ(free_form(1234, Kind::Single), " 1234");
  EXPECT_EQ(free_form(0, Kind::Single), " 0");
  EXPECT_EQ(free_form(0.5, Kind::Single), " .5");
  EXPECT_EQ(free_form(-2.25, Kind::Single), "-2.25");
  EXPECT_EQ(free_form(100000, Kind::Single), " 100000");
  EXPECT_EQ(free_form(1000000, Kind::Single), " 1E+06");
  EXPECT_EQ(free_form(1234567, Kind::Single), " 1.23457E+06");
  EXPECT_EQ(free_form(0.000123f, Kind::Single), " .000123");
  EXPECT_EQ(free_form(0.000001f, Kind::Single), " .000001");
  EXPECT_EQ(free_form(0.0000123f, Kind::Single), " 1.23E-05");
  EXPECT_EQ(free_form(0.1f, Kind::Single), " .1");
  EXPECT_EQ(free_form(1.0f / 3.0f, Kind::Single), " .333333");
  EXPECT_EQ(free_form(1.0 / 3.0, Kind::Double), " .333333333333333");
  EXPECT_EQ(free_form(1E+20, Kind::Double), " 1D+020");
  EXPECT_EQ(free_form(-0.5, Kind::Double), "-.5");
  EXPECT_EQ(free_form(4096, Kind::Long), " 4096");
}

TEST(FreeForm, SingleSwitchesToExponentWhereDoubleStaysPlain) {
  EXPECT_EQ(free_form(1000000, Kind::Double), " 1000000");
  EXPECT_EQ(free_form(0.0000123, Kind::Double), " .0000123");
  EXPECT_EQ(free_form(1e15, Kind::Double), " 1D+015");
  EXPECT_EQ(free_form(123456789012345.0, Kind::Double), " 123456789012345");
  EXPECT_EQ(free_form(-1.5e-7, Kind::Double), "-.00000015");
  EXPECT_EQ(free_form(-1.5e-15, Kind::Double), "-1.5D-015");
  EXPECT_EQ(free_form(1.5e-300, Kind::Double), " 1.5D-300");
}

TEST(FreeForm, RoundingCarriesIntoNewDigit) {
  EXPECT_EQ(free_form(9.999996f, Kind::Single), " 10");
  EXPECT_EQ(free_form(999999.6f, Kind::Single), " 1E+06");
  EXPECT_EQ(free_form(0.1, Kind::Double), " .1");
  EXPECT_EQ(free_form(0.1f, Kind::Double), " .100000001490116");
}

TEST(FreeForm, SingleKindTakesTheSingleValue) {
  EXPECT_EQ(free_form(0.1, Kind::Single), free_form(0.1f, Kind::Single));
  EXPECT_EQ(free_form(1.4e-45, Kind::Single), " 1.4013E-45");
  EXPECT_EQ(free_form(-0.0, Kind::Single), " 0");
}

TEST(FreeForm, DigitsMatchExactReferenceOverTheWholeRange) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 3000; ++i) {
    double d;
    do d = std::bit_cast<double>(rng()); while (!std::isfinite(d) || d == 0);
    float f;
    do f = std::bit_cast<float>(static_cast<std::uint32_t>(rng())); while (!std::isfinite(f) || f == 0);
    // Values of report size, many of them near a rounding tie.
    const double near_tie = static_cast<double>(rng() % 100000000000000000) *
                            std::pow(10.0, static_cast<int>(rng() % 40) - 30);
    const auto near_tie_single = static_cast<float>(static_cast<double>(rng() % 10000000) *
                                                    std::pow(10.0, static_cast<int>(rng() % 20) - 12));
    for (auto [value, kind] : {std::pair{d, Kind::Double}, std::pair{double{f}, Kind::Single},
                               std::pair{near_tie, Kind::Double},
                               std::pair{double{near_tie_single}, Kind::Single}}) {
      if (value == 0) continue;
      const std::string text = free_form(value, kind);
      ASSERT_EQ(text[0], value < 0 ? '-' : ' ');
      ASSERT_EQ(shown_significant(text, kind == Kind::Single ? 'E' : 'D'),
                reference_significant(std::fabs(value), kind == Kind::Single ? 6 : 15))
          << text;
    }
  }
}

TEST(ItemForm, IsFreeFormAndOneBlank) {
  EXPECT_EQ(item_form(1234, Kind::Single), " 1234 ");
  EXPECT_EQ(item_form(-0.5, Kind::Double), "-.5 ");
  EXPECT_EQ(item_form(1E+20, Kind::Double), " 1D+020 ");
}

// ---- pattern form -----------------------------------------------------------

TEST(PatternForm, WorkedExamples) {
  EXPECT_EQ(pattern_form(3.14159265, Kind::Double, "#####.#####"), "    3.14159");
  EXPECT_EQ(pattern_form(0.5, Kind::Double, "#####.####)"), "    0.5000)");
  EXPECT_EQ(pattern_form(-45.25, Kind::Double, "####.####deg"), " -45.2500deg");
  EXPECT_EQ(pattern_form(359.99996, Kind::Double, "####.####deg:"), " 360.0000deg:");
  EXPECT_EQ(pattern_form(-1.5, Kind::Double, ":#######.####"), ":     -1.5000");
  EXPECT_EQ(pattern_form(0, Kind::Double, "(####.####)"), "(   0.0000)");
  EXPECT_EQ(pattern_form(12.5f, Kind::Single, "######("), "    13(");
  EXPECT_EQ(pattern_form(0.00006, Kind::Double, "####.####"), "   0.0001");
  EXPECT_EQ(pattern_form(-0.00001, Kind::Double, "####.####"), "  -0.0000");
  EXPECT_EQ(pattern_form(1.00005, Kind::Double, "####.####"), "   1.0001");
  EXPECT_EQ(pattern_form(2.00005, Kind::Double, "####.####"), "   2.0000");
  EXPECT_EQ(pattern_form(12345.6, Kind::Double, "####.####"), "% 12345.6");
  EXPECT_EQ(pattern_form(-1234.5, Kind::Double, "####.####"), "%-1234.5");
  EXPECT_EQ(pattern_form(9999.99996, Kind::Double, "####.####"), "% 9999.99996");
}

TEST(PatternForm, EveryPatternOfTheToolsKeepsPrefixAndSuffix) {
  EXPECT_EQ(pattern_form(1.25, Kind::Double, "######.####deg)"), "     1.2500deg)");
  EXPECT_EQ(pattern_form(1.25, Kind::Double, "(####.####deg)"), "(   1.2500deg)");
  EXPECT_EQ(pattern_form(-1.25, Kind::Double, ":####.####"), ":  -1.2500");
  EXPECT_EQ(pattern_form(1.25, Kind::Double, "####.####dg"), "   1.2500dg");
  EXPECT_EQ(pattern_form(123456, Kind::Double, "######("), "123456(");
  EXPECT_EQ(pattern_form(-123456, Kind::Double, "######("), "%-123456(");
  EXPECT_EQ(pattern_form(99999.5, Kind::Double, "######.####deg)"), " 99999.5000deg)");
}

TEST(PatternForm, SignAndCarryDecideOverflow) {
  EXPECT_EQ(pattern_form(1234.5, Kind::Double, "####.####"), "1234.5000");
  EXPECT_EQ(pattern_form(999.99996, Kind::Double, "####.####"), "1000.0000");
  EXPECT_EQ(pattern_form(-999.99996, Kind::Double, "####.####"), "%-999.99996");
  EXPECT_EQ(pattern_form(-0.0, Kind::Double, "####.####"), "   0.0000");
  EXPECT_EQ(pattern_form(12345.6, Kind::Double, "####.####)"), "% 12345.6)");
  EXPECT_EQ(pattern_form(1e300, Kind::Double, "####"), "% 1D+300");
}

TEST(PatternForm, FirstRoundedPlaceAndBeyond) {
  // e + A + 1 = 0: one unit when the first digit is 5 or more.
  EXPECT_EQ(pattern_form(0.00005, Kind::Double, "#.####"), "0.0001");
  EXPECT_EQ(pattern_form(0.00004999, Kind::Double, "#.####"), "0.0000");
  EXPECT_EQ(pattern_form(0.6, Kind::Double, "#"), "1");
  // e + A + 1 < 0: zero, with the sign decided before.
  EXPECT_EQ(pattern_form(0.000009, Kind::Double, "#.####"), "0.0000");
  EXPECT_EQ(pattern_form(-0.000009, Kind::Double, "##.####"), "-0.0000");
  EXPECT_EQ(pattern_form(4e-300, Kind::Double, "#.##"), "0.00");
}

TEST(PatternForm, ExactTiesGoAwayFromZero) {
  EXPECT_EQ(pattern_form(0.125, Kind::Double, "#.##"), "0.13");
  EXPECT_EQ(pattern_form(-0.125, Kind::Double, "##.##"), "-0.13");
  EXPECT_EQ(pattern_form(2.5, Kind::Double, "##"), " 3");
  EXPECT_EQ(pattern_form(-2.5, Kind::Double, "##"), "-3");
  EXPECT_EQ(pattern_form(0.375, Kind::Double, "#.##"), "0.38");
}

TEST(PatternForm, FieldShapes) {
  EXPECT_EQ(pattern_form(0.5, Kind::Double, ".##"), ".50");
  EXPECT_EQ(pattern_form(-0.5, Kind::Double, ".##"), "%-.5");
  EXPECT_EQ(pattern_form(12, Kind::Double, "x##.y"), "x12.y");
  EXPECT_EQ(pattern_form(7, Kind::Double, "_#=##_#"), "#= 7#");
  EXPECT_EQ(pattern_form(0.1, Kind::Double, "#.#########################"),
            "0.1000000000000000055511151");
  EXPECT_EQ(code_of([] { pattern_form(1, Kind::Double, "abc"); }), err::kInvalidCall);
  EXPECT_EQ(code_of([] { pattern_form(1, Kind::Double, "_#."); }), err::kInvalidCall);
}

TEST(PatternForm, RoundingMatchesExactReference) {
  std::mt19937_64 rng(11);
  std::vector<double> values = {0.125, 2.5, 1.00005, 2.00005, 0.5, 1.5, 0.045, 1e-5, 5e-5,
                                999.99995, 9999.99995, 0.0625, 1234.56785, 1e22, 123456789.0};
  for (int i = 0; i < 4000; ++i) {
    const int scale = static_cast<int>(rng() % 14) - 7;
    const auto units = static_cast<double>(rng() % 2000001);
    double v = i % 3 == 0 ? units / 1e6 * std::pow(10.0, scale)            // near decimal ties
               : i % 3 == 1 ? std::ldexp(static_cast<double>(rng() % 4096), -static_cast<int>(rng() % 12))  // exact binary ties
                            : std::ldexp(static_cast<double>(rng() >> 11), -53 + scale * 3);
    values.push_back(rng() % 2 ? -v : v);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    const int B = static_cast<int>(i % 9);
    const int A = i % 7 == 6 ? 20 + static_cast<int>(i % 13) : static_cast<int>(i % 8);
    if (B == 0 && A == 0) continue;
    std::string pattern(static_cast<std::size_t>(B), '#');
    if (A > 0) pattern.append(1, '.').append(static_cast<std::size_t>(A), '#');
    ASSERT_EQ(pattern_form(v, Kind::Double, pattern), reference_pattern(v, B, A))
        << v << " " << pattern;
  }
}

// ---- text to number ---------------------------------------------------------

TEST(TextToNumber, WorkedConsequences) {
  EXPECT_EQ(val("0.1"), double{0.1f});
  EXPECT_EQ(text_to_number("0.1").kind, Kind::Single);
  EXPECT_EQ(val("0.10000000"), 0.1);
  EXPECT_EQ(text_to_number("0.10000000").kind, Kind::Double);
  EXPECT_EQ(val("-.5"), -0.5);
  for (const char* t : {"abc", "+x", ".x", "", "   ", "-", "&", "&X1"}) EXPECT_EQ(val(t), 0) << t;
  EXPECT_EQ(val("1e3"), 1000);
  EXPECT_EQ(text_to_number("1e3").kind, Kind::Single);
  EXPECT_EQ(val("&H1F"), 31);
  EXPECT_EQ(text_to_number("&H1F").kind, Kind::Double);
}

TEST(TextToNumber, NumberEndsAtBlankOrForeignCharacter) {
  EXPECT_EQ(val(" 42"), 42);
  EXPECT_EQ(val("42 "), 42);
  EXPECT_EQ(val("4 2"), 4);
  EXPECT_EQ(val("\t42"), 0);
  EXPECT_EQ(val("12.5abc"), 12.5);
  EXPECT_EQ(val("1,234"), 1);
  EXPECT_EQ(val("12:30"), 12);
  EXPECT_EQ(val("1.2.3"), double{1.2f});
  EXPECT_EQ(val("1E 5"), 1);
  EXPECT_EQ(val("+.5"), 0.5);
}

TEST(TextToNumber, KindFollowsTheWrittenDigits) {
  EXPECT_EQ(text_to_number("32767").kind, Kind::Short);
  EXPECT_EQ(text_to_number("-32768").kind, Kind::Short);
  EXPECT_EQ(text_to_number("32768").kind, Kind::Long);
  EXPECT_EQ(text_to_number("-2147483648").kind, Kind::Long);
  EXPECT_EQ(text_to_number("2147483648").kind, Kind::Double);
  EXPECT_EQ(text_to_number("12.000").kind, Kind::Short);
  EXPECT_EQ(text_to_number("1.234567").kind, Kind::Single);
  EXPECT_EQ(text_to_number("0.0001234567").kind, Kind::Single);
  EXPECT_EQ(text_to_number("1.2345670").kind, Kind::Double);  // trailing zero counts
  EXPECT_EQ(text_to_number("1D0").kind, Kind::Double);
  EXPECT_EQ(text_to_number("1.5!").kind, Kind::Single);
  EXPECT_EQ(text_to_number("1.5#").kind, Kind::Double);
  EXPECT_EQ(text_to_number("7&").kind, Kind::Long);
  EXPECT_EQ(text_to_number("7%").kind, Kind::Short);
  EXPECT_EQ(text_to_number("12.5%").kind, Kind::Single);
  EXPECT_EQ(code_of([] { text_to_number("40000%"); }), err::kOverflow);
}

TEST(TextToNumber, SevenDigitsLoseWhatEightDigitsKeep) {
  EXPECT_EQ(val("1234.567"), double{1234.567f});
  EXPECT_NE(val("1234.567"), 1234.567);
  EXPECT_EQ(val("1234.5670"), 1234.567);
}

TEST(TextToNumber, RangeErrors) {
  EXPECT_EQ(code_of([] { text_to_number("1E50"); }), err::kOverflow);
  EXPECT_EQ(val("1D50"), 1e50);
  EXPECT_EQ(code_of([] { text_to_number("1D309"); }), err::kOverflow);
  EXPECT_EQ(code_of([] { text_to_number(std::string(400, '9')); }), err::kOverflow);
  EXPECT_EQ(val("1E-50"), 0);
  EXPECT_EQ(val("1D-400"), 0);
  EXPECT_EQ(val("3.4028235E38"), double{FLT_MAX});
  EXPECT_EQ(code_of([] { text_to_number("&H" + std::string(257, 'F')); }), err::kOverflow);
}

TEST(TextToNumber, HexAndOctalWholeNumbers) {
  EXPECT_EQ(val("&hff"), 255);
  EXPECT_EQ(val("&O17"), 15);
  EXPECT_EQ(val("&o78"), 7);
  EXPECT_EQ(val("&H"), 0);
  EXPECT_EQ(val("&HFFFFFFFFFFFFFFFFF"), 0x1p68 - 1 + 1);  // rounds to 2^68
  EXPECT_EQ(val("&O" + std::string(30, '7')), std::ldexp(1.0, 90));
  EXPECT_EQ(val("&O1" + std::string(340, '0')), std::ldexp(1.0, 1020));
}

TEST(TextToNumber, SingleRoundsTheDecimalDirectlyNotViaDouble) {
  // Just above the midpoint of 1 and the next single: a double would land on
  // the midpoint and then round to even, down to 1.
  EXPECT_EQ(val("1.0000000596046447753906250001E0"), double{next_up(1.0f)});
  EXPECT_EQ(val("1.000000059604644775390625E0"), 1.0);
}

TEST(TextToNumber, LongDigitStringsStayExact) {
  // Midpoint of 1 and the next double, with a nonzero digit 900 places later.
  const std::string mid = "1.00000000000000011102230246251565404236316680908203125";
  EXPECT_EQ(val(mid + "D0"), 1.0);
  EXPECT_EQ(val(mid + std::string(900, '0') + "1D0"), std::nextafter(1.0, 2.0));
  EXPECT_EQ(val("1" + std::string(800, '0') + "D-800"), 1.0);
  EXPECT_EQ(val("0." + std::string(300, '0') + "1D301"), 1.0);
}

TEST(TextToNumber, MatchesFromCharsOnRandomTexts) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 20000; ++i) {
    const auto m = rng() % 100000000000000000;
    const int digits = 1 + static_cast<int>(rng() % 17);
    std::string text = std::to_string(m).substr(0, static_cast<std::size_t>(digits));
    text.insert(rng() % (text.size() + 1), 1, '.');
    if (text == ".") continue;
    const int letter = static_cast<int>(rng() % 3);  // E, D or none
    const int exp10 = letter == 2 ? 0 : static_cast<int>(rng() % 61) - 30;
    const std::size_t first = text.find_first_not_of("0.");
    const std::size_t significant =
        first == std::string::npos ? 0 : text.size() - first - (text.find('.') > first ? 1 : 0);
    const bool single = letter == 0 || (letter == 2 && significant < 8);
    const std::string written = text + (letter == 2 ? "" : letter == 0 ? "E" : "D") +
                                (letter == 2 ? "" : std::to_string(exp10));
    const std::string standard = text + "e" + std::to_string(exp10);
    if (single) {
      float f = 0;
      const auto r = std::from_chars(standard.data(), standard.data() + standard.size(), f);
      if (r.ec == std::errc::result_out_of_range) {  // only the large ones here
        ASSERT_EQ(code_of([&] { text_to_number(written); }), err::kOverflow) << written;
        continue;
      }
      ASSERT_EQ(val(written), double{f}) << written;
    } else {
      double d = 0;
      std::from_chars(standard.data(), standard.data() + standard.size(), d);
      ASSERT_EQ(val(written), d) << written;
    }
  }
}

// ---- whole number, floor, power ---------------------------------------------

TEST(WholeNumber, HalvesGoAwayFromZero) {
  EXPECT_EQ(whole_number(2.5, Kind::Short), 3);
  EXPECT_EQ(whole_number(-2.5, Kind::Short), -3);
  EXPECT_EQ(whole_number(2.4999, Kind::Short), 2);
  EXPECT_EQ(whole_number(0.49999999999999994, Kind::Long), 0);
  EXPECT_EQ(whole_number(-0.4, Kind::Long), 0);
}

TEST(WholeNumber, OutsideTheTargetRangeIsOverflow) {
  EXPECT_EQ(whole_number(32767.4, Kind::Short), 32767);
  EXPECT_EQ(code_of([] { whole_number(32767.5, Kind::Short); }), err::kOverflow);
  EXPECT_EQ(whole_number(-32768.4, Kind::Short), -32768);
  EXPECT_EQ(code_of([] { whole_number(-32768.5, Kind::Short); }), err::kOverflow);
  EXPECT_EQ(whole_number(32767.5, Kind::Long), 32768);
  EXPECT_EQ(whole_number(-2147483648.4, Kind::Long), -2147483647 - 1);
  EXPECT_EQ(code_of([] { whole_number(2147483647.5, Kind::Long); }), err::kOverflow);
  EXPECT_EQ(code_of([] { whole_number(NAN, Kind::Long); }), err::kOverflow);
}

TEST(Floor, LargestWholeNumberNotAbove) {
  EXPECT_EQ(floor_value(-2.5), -3);
  EXPECT_EQ(floor_value(2.5), 2);
  EXPECT_EQ(floor_value(-3), -3);
}

TEST(Power, Rules) {
  EXPECT_EQ(power(0, 0), 1);
  EXPECT_EQ(power(0, -1), 0);
  EXPECT_EQ(power(5, 0), 1);
  EXPECT_EQ(power(2, 10), 1024);
  EXPECT_EQ(power(10, 2), 100);
  EXPECT_EQ(power(-2, 3), -8);
  EXPECT_EQ(power(-2, 2), 4);
  EXPECT_EQ(power(4, -0.5), 0.5);
  EXPECT_DOUBLE_EQ(power(2, 0.5), std::sqrt(2.0));
  EXPECT_EQ(code_of([] { power(-8, 1.0 / 3.0); }), err::kOverflow);
  EXPECT_EQ(code_of([] { power(10, 400); }), err::kOverflow);
  EXPECT_EQ(power(10, -400), 0);
}

}  // namespace
}  // namespace frame

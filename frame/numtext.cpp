// Numbers to text and text to numbers.
//
// Output: every conversion needs the first digits of the exact decimal
// expansion of a binary value, cut (not rounded) after the digit that decides
// the rounding. The common cases are done with 128-bit integers:
// floor(|v| * 10^k) is exact when |v| = m * 2^b is written out as an integer
// product and shift. Values outside that range (very large or very small
// magnitudes, very long fields) take the digits from std::to_chars: with
// 25 digits more than needed the cut digits are exact unless the extra digits
// came out all zero (a carry may have passed through them); then the full
// expansion (781 digits, more than any double has) decides.
//
// Input: one scanner serves text to number, number fields and the data
// column; it never throws and never allocates (long digit strings are cut to
// the digits that can matter plus a final "something more" digit). The
// plain-decimal shortcut is inline in the header; here the digits are
// scanned once, numbers of up to 19 significant digits with a small power of
// ten are converted by one exact integer-to-float step and one correctly
// rounded multiplication or division, everything else by std::from_chars,
// which rounds the written decimal correctly.
#include "frame/numtext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace frame {
namespace {

__extension__ typedef unsigned __int128 u128;  // a GCC and clang extension

constexpr std::array<u128, 39> kPow10 = [] {
  std::array<u128, 39> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

constexpr double kDoublePow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr float kFloatPow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

int bit_width(u128 x) {
  const auto hi = static_cast<std::uint64_t>(x >> 64);
  if (hi != 0) return 128 - std::countl_zero(hi);
  return static_cast<int>(std::bit_width(static_cast<std::uint64_t>(x)));
}

// A positive finite magnitude as m * 2^b with m odd.
struct Binary {
  std::uint64_t m;
  int b;
};

Binary decompose(double mag) {
  const auto bits = std::bit_cast<std::uint64_t>(mag);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const int biased = static_cast<int>(bits >> 52) & 0x7ff;
  Binary r = biased == 0 ? Binary{fraction, -1074}
                         : Binary{fraction | (std::uint64_t{1} << 52), biased - 1075};
  const int zeros = std::countr_zero(r.m);
  r.m >>= zeros;
  r.b += zeros;
  return r;
}

// q = floor(m * 2^b * 10^k), exactly. False when the product does not fit in
// 128 bits (the caller then takes the digits the slow way).
bool floor_scaled(Binary x, int k, u128& q) {
  const int mbits = static_cast<int>(std::bit_width(x.m));
  if (k >= 0) {
    if (k >= static_cast<int>(kPow10.size())) return false;
    if (mbits + bit_width(kPow10[k]) > 127) return false;
    const u128 t = u128{x.m} * kPow10[k];
    if (x.b >= 0) {
      if (bit_width(t) + x.b > 127) return false;
      q = t << x.b;
    } else {
      q = x.b <= -128 ? 0 : t >> -x.b;
    }
    return true;
  }
  // Division by 10^j: the integer part first, then the power of ten
  // (floor(floor(a) / c) = floor(a / c) for a whole c).
  const int j = -k;
  u128 whole;
  if (x.b >= 0) {
    if (mbits + x.b > 127) return false;
    whole = u128{x.m} << x.b;
  } else {
    whole = x.b <= -64 ? 0 : u128{x.m >> -x.b};
  }
  q = j >= static_cast<int>(kPow10.size()) ? 0 : whole / kPow10[j];
  return true;
}

// Decimal digits of x ending at `end`; returns where they start ("0" for 0).
char* write_digits(u128 x, char* end) {
  while (x > std::numeric_limits<std::uint64_t>::max()) {
    const u128 q = x / 10;
    *--end = static_cast<char>('0' + static_cast<int>(x - q * 10));
    x = q;
  }
  // Two digits at a time from a table of "00" .. "99".
  static constexpr auto kPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
      pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
      pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
  }();
  auto y = static_cast<std::uint64_t>(x);
  while (y >= 100) {
    const std::uint64_t pair = y % 100;
    y /= 100;
    end -= 2;
    std::memcpy(end, kPairs.data() + 2 * pair, 2);
  }
  if (y >= 10) {
    end -= 2;
    std::memcpy(end, kPairs.data() + 2 * y, 2);
  } else {
    *--end = static_cast<char>('0' + y);
  }
  return end;
}

// Digits beyond this count are zero in the expansion of every double.
constexpr int kExactPrecision = 780;

// The first n significant digits of the exact decimal expansion of mag > 0,
// cut after digit n (zeros beyond the end of the expansion). Returns e, the
// decimal exponent of the first digit.
int cut_digits_exact(double mag, long n, char* out) {
  char buf[kExactPrecision + 16];
  auto scientific = [&](int precision, const char*& digits, long& count) {
    // "d.ddd...e+xx": move the first digit next to the others.
    const auto r =
        std::to_chars(buf, buf + sizeof buf, mag, std::chars_format::scientific, precision);
    const char* e_mark = std::find(buf, r.ptr, 'e');
    buf[1] = buf[0];
    digits = buf + 1;
    count = e_mark - digits;
    int e = 0;
    const char* p = e_mark + 1;
    if (*p == '+') ++p;
    std::from_chars(p, r.ptr, e);
    return e;
  };
  const char* digits;
  long count;
  if (n + 25 <= kExactPrecision) {
    const int e = scientific(static_cast<int>(n) + 24, digits, count);
    // A digit other than 0 after the cut: no carry of the rounding reached
    // the cut digits, so they are the exact ones.
    if (std::any_of(digits + n, digits + count, [](char c) { return c != '0'; })) {
      std::memcpy(out, digits, static_cast<std::size_t>(n));
      return e;
    }
  }
  const int e = scientific(kExactPrecision, digits, count);
  const long kept = std::min(n, count);
  std::memcpy(out, digits, static_cast<std::size_t>(kept));
  std::fill(out + kept, out + n, '0');
  return e;
}

// The magnitude rounded to P significant digits (P <= 18), half away from
// zero on the exact value: digits in out[0..P), returns e after rounding.
// This one takes the digits from the exact expansion.
int round_significant_slow(double mag, int P, char* out) {
  char cut[24];
  int e = cut_digits_exact(mag, P + 1, cut);
  std::memcpy(out, cut, static_cast<std::size_t>(P));
  if (cut[P] >= '5') {
    int i = P - 1;
    while (i >= 0 && out[i] == '9') out[i--] = '0';
    if (i >= 0) {
      ++out[i];
    } else {
      out[0] = '1';
      ++e;
    }
  }
  return e;
}

// The same, by 128-bit integers where the magnitude allows.
int round_significant(double mag, int P, char* out) {
  const Binary x = decompose(mag);
  const int b = static_cast<int>(std::bit_width(x.m)) - 1 + x.b;  // 2^b <= mag < 2^(b+1)
  int e = static_cast<int>(std::floor(b * 0.30102999566398120));  // e or e - 1
  u128 q;
  if (!floor_scaled(x, P - e, q)) return round_significant_slow(mag, P, out);
  if (q >= kPow10[P + 1]) {  // the estimate was one low
    q /= 10;
    ++e;
  }
  if (q < kPow10[P]) return round_significant_slow(mag, P, out);  // never: estimate too high
  const auto cut = static_cast<std::uint64_t>(q);
  std::uint64_t r = cut / 10 + (cut % 10 >= 5 ? 1 : 0);
  if (r == kPow10[P]) {  // 9.99..95 carried into a new digit
    r /= 10;
    ++e;
  }
  write_digits(r, out + P);
  return e;
}

// The free form into out (at least 32 characters); returns its length.
std::size_t write_free_form(double value, Kind kind, char* out) {
  const bool single = kind == Kind::Single;
  if (single) value = static_cast<float>(value);
  char* p = out;
  if (std::isnan(value)) {
    std::memcpy(p, " NAN", 4);
    return 4;
  }
  *p++ = value < 0 ? '-' : ' ';
  if (value == 0) {
    *p++ = '0';
    return static_cast<std::size_t>(p - out);
  }
  if (std::isinf(value)) {
    std::memcpy(p, "INF", 3);
    return static_cast<std::size_t>(p + 3 - out);
  }
  const int P = single ? 6 : 15;
  char d[16];
  const int e = round_significant(std::fabs(value), P, d);
  int n = P;
  while (n > 1 && d[n - 1] == '0') --n;

  if (e >= 0 && e < P) {
    // Plain, whole part first; zeros stand in for digits cut off as zeros.
    for (int i = 0; i <= e; ++i) *p++ = i < n ? d[i] : '0';
    if (n > e + 1) {
      *p++ = '.';
      for (int i = e + 1; i < n; ++i) *p++ = d[i];
    }
  } else if (e < 0 && (-e - 1) + n <= P) {
    // Plain below 1: no zero before the point.
    *p++ = '.';
    for (int i = 0; i < -e - 1; ++i) *p++ = '0';
    for (int i = 0; i < n; ++i) *p++ = d[i];
  } else {
    *p++ = d[0];
    if (n > 1) {
      *p++ = '.';
      for (int i = 1; i < n; ++i) *p++ = d[i];
    }
    *p++ = single ? 'E' : 'D';
    *p++ = e < 0 ? '-' : '+';
    const int magnitude = e < 0 ? -e : e;
    const int width = (!single || magnitude >= 100) ? 3 : 2;
    char digits[8];
    char* end = digits + sizeof digits;
    char* first = write_digits(static_cast<u128>(magnitude), end);
    for (int i = static_cast<int>(end - first); i < width; ++i) *p++ = '0';
    while (first != end) *p++ = *first++;
  }
  return static_cast<std::size_t>(p - out);
}

// ---- number patterns --------------------------------------------------------

struct Field {
  std::size_t begin = 0;  // first character of the numeric field
  std::size_t end = 0;    // one past its last character
  int before = 0;         // B: "#" before the point
  int after = 0;          // A: "#" after the point
  bool point = false;
};

// Finds the numeric field: the first "#", or "." followed by "#", outside an
// underscore escape.
bool find_field(std::string_view pattern, Field& f) {
  const std::size_t n = pattern.size();
  std::size_t i = 0;
  for (;; ++i) {
    if (i >= n) return false;
    const char c = pattern[i];
    if (c == '_') {
      ++i;
      continue;
    }
    if (c == '#' || (c == '.' && i + 1 < n && pattern[i + 1] == '#')) break;
  }
  f.begin = i;
  while (i < n && pattern[i] == '#') ++i;
  f.before = static_cast<int>(i - f.begin);
  if (i < n && pattern[i] == '.') {
    f.point = true;
    const std::size_t start = ++i;
    while (i < n && pattern[i] == '#') ++i;
    f.after = static_cast<int>(i - start);
  }
  f.end = i;
  return true;
}

// The text of a pattern form being built, on the stack: the tools' patterns
// are short, and one std::string is made from it at the end.
class FixedText {
 public:
  static constexpr std::size_t kCapacity = 160;
  void push_back(char c) { data_[size_++] = c; }
  void append(std::size_t n, char c) {
    std::memset(data_ + size_, c, n);
    size_ += n;
  }
  void append(const char* p, std::size_t n) {
    std::memcpy(data_ + size_, p, n);
    size_ += n;
  }
  std::string str() const { return std::string(data_, size_); }

 private:
  char data_[kCapacity];
  std::size_t size_ = 0;
};

// Literal text of a pattern: "_" makes the next character literal.
template <class Out>
void append_literal(Out& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 1 < text.size()) ++i;
    out.push_back(text[i]);
  }
}

template <class Out>
void append_overflow(Out& out, double value, Kind kind) {
  char buf[40];
  out.push_back('%');
  out.append(buf, write_free_form(value, kind, buf));
}

// The numeric field of the pattern form.
template <class Out>
void append_number(Out& out, double value, Kind kind, const Field& f) {
  const bool negative = value < 0;  // decided before rounding
  const int room = f.before - (negative ? 1 : 0);
  if (!std::isfinite(value)) {
    append_overflow(out, value, kind);
    return;
  }
  const double mag = std::fabs(value);

  // R = |v| rounded to A fraction digits, times 10^A, as digits rd[0..len).
  char buf[48];
  std::string slow;
  const char* rd;
  long len;
  u128 q;
  if (mag == 0) {
    rd = "0";
    len = 1;
  } else if (floor_scaled(decompose(mag), f.after + 1, q)) {
    char* end = buf + sizeof buf;
    if (q <= std::numeric_limits<std::uint64_t>::max()) {
      const auto cut = static_cast<std::uint64_t>(q);
      rd = write_digits(cut / 10 + (cut % 10 >= 5 ? 1 : 0), end);
    } else {
      rd = write_digits(q / 10 + (q % 10 >= 5 ? 1 : 0), end);
    }
    len = end - rd;
  } else {
    char first;
    const int e = cut_digits_exact(mag, 1, &first);
    if (e >= 0 && e + 1 > room) {  // the whole part alone is too wide
      append_overflow(out, value, kind);
      return;
    }
    // Digits down to the place after the last kept one.
    const long n = static_cast<long>(e) + f.after + 2;
    if (n <= 1) {
      slow.assign(1, (n == 1 && first >= '5') ? '1' : '0');
    } else {
      slow.resize(static_cast<std::size_t>(n));
      cut_digits_exact(mag, n, slow.data());
      const bool up = slow.back() >= '5';
      slow.pop_back();
      if (up) {
        long i = n - 2;
        while (i >= 0 && slow[static_cast<std::size_t>(i)] == '9')
          slow[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
          ++slow[static_cast<std::size_t>(i)];
        } else {
          slow.insert(slow.begin(), '1');
        }
      }
    }
    rd = slow.data();
    len = static_cast<long>(slow.size());
  }

  const bool zero = len == 1 && rd[0] == '0';
  const long whole_digits = (!zero && len > f.after) ? len - f.after : 0;
  const long shown = std::max<long>(whole_digits, f.before > 0 ? 1 : 0);
  if (shown > room) {  // a carry made the whole part too wide
    append_overflow(out, value, kind);
    return;
  }
  out.append(static_cast<std::size_t>(room - shown), ' ');
  if (negative) out.push_back('-');
  if (whole_digits > 0) {
    out.append(rd, static_cast<std::size_t>(whole_digits));
  } else if (shown > 0) {
    out.push_back('0');
  }
  if (f.point) {
    out.push_back('.');
    if (len >= f.after) {
      out.append(rd + len - f.after, static_cast<std::size_t>(f.after));
    } else {
      out.append(static_cast<std::size_t>(f.after - len), '0');
      out.append(rd, static_cast<std::size_t>(len));
    }
  }
}

// ---- text to number ---------------------------------------------------------

// Where a correctly rounded decimal landed for a type.
enum class Range { Inside, Above, Below };

// The nearest float or double to digits * 10^exp10, where digits are the
// significant digits (first one not 0) of the written number. Above: beyond
// the type's range; Below: too small for it, out is then a signed zero.
template <class T>
Range nearest(bool negative, std::string_view digits, long long exp10, T& out) {
  if (digits.empty()) {
    out = negative ? -T(0) : T(0);
    return Range::Inside;
  }
  // Past 780 digits only "something more" matters (no halfway point between
  // two doubles has that many): keep 780 and a final 1 for the rest.
  char buf[kExactPrecision + 32];
  std::size_t n = digits.size();
  bool sticky = false;
  if (n > kExactPrecision) {
    sticky = digits.find_first_not_of('0', kExactPrecision) != std::string_view::npos;
    exp10 += static_cast<long long>(n - kExactPrecision);
    n = kExactPrecision;
  }
  char* p = buf;
  if (negative) *p++ = '-';
  std::memcpy(p, digits.data(), n);
  p += n;
  if (sticky) {
    *p++ = '1';
    --exp10;
  }
  *p++ = 'e';
  p = std::to_chars(p, buf + sizeof buf, exp10).ptr;
  T value{};
  const auto r = std::from_chars(buf, p, value);
  if (r.ec == std::errc::result_out_of_range) {
    // Beyond the range when the first digit stands at 10^0 or above.
    if (exp10 + static_cast<long long>(n) + (sticky ? 1 : 0) - 1 >= 0) return Range::Above;
    out = negative ? -T(0) : T(0);
    return Range::Below;
  }
  out = value;
  return Range::Inside;
}

// A decimal number as written: digits of the whole and fraction parts, the
// exponent letter and value.
struct Written {
  bool negative = false;
  std::string_view whole;        // digits before the point
  std::string_view fraction;     // digits after the point
  char letter = 0;               // 'E' or 'D' when an exponent letter was written
  bool exponent_digits = false;  // the letter had digits after it
  long long exponent = 0;        // its value, held within +-10^9
  std::size_t digits_end = 0;    // one past the last digit before any exponent
  std::size_t end = 0;           // one past the last character of the number
};

// Reads the number syntax from position i (a digit, a sign or a point that
// starts a number).
Written scan_decimal(std::string_view t, std::size_t i) {
  Written w;
  const std::size_t n = t.size();
  if (t[i] == '+' || t[i] == '-') w.negative = t[i++] == '-';
  std::size_t start = i;
  while (i < n && is_digit(t[i])) ++i;
  w.whole = t.substr(start, i - start);
  if (i < n && t[i] == '.') {
    start = ++i;
    while (i < n && is_digit(t[i])) ++i;
    w.fraction = t.substr(start, i - start);
  }
  w.digits_end = w.end = i;
  if (i < n && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    w.letter = (t[i] == 'E' || t[i] == 'e') ? 'E' : 'D';
    ++i;
    bool minus = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) minus = t[i++] == '-';
    long long x = 0;
    for (; i < n && is_digit(t[i]); ++i) {
      w.exponent_digits = true;
      if (x < 1'000'000'000) x = x * 10 + (t[i] - '0');
    }
    w.exponent = minus ? -x : x;
    w.end = i;
  }
  return w;
}

// True when the text at i starts a decimal number: a digit, a sign followed
// by a digit or a point, or a point followed by a digit.
bool starts_decimal(std::string_view t, std::size_t i) {
  const char c = t[i];
  const char next = i + 1 < t.size() ? t[i + 1] : '\0';
  return is_digit(c) || ((c == '+' || c == '-') && (is_digit(next) || next == '.')) ||
         (c == '.' && is_digit(next));
}

// The significant digits of a written number, from the first digit other
// than 0, trailing zeros included, and the power of ten of the last one.
struct Significant {
  std::string_view whole;  // the significant digits before the point
  std::string_view digits;
  long long scale = 0;
  std::size_t count = 0;    // significant digits written (before any trimming)
  std::uint64_t small = 0;  // the digits as an integer when count <= 19
};

// `joined` holds the digits when whole and fraction digits must be put side
// by side (the point stands between them in the text).
Significant significant_digits(const Written& w, char (&joined)[kExactPrecision + 2]) {
  std::string_view sig_whole, sig_fraction;
  std::size_t lead = w.whole.find_first_not_of('0');
  if (lead != std::string_view::npos) {
    sig_whole = w.whole.substr(lead);
    sig_fraction = w.fraction;
  } else {
    lead = w.fraction.find_first_not_of('0');
    if (lead != std::string_view::npos) sig_fraction = w.fraction.substr(lead);
  }
  Significant s;
  s.whole = sig_whole;
  s.count = sig_whole.size() + sig_fraction.size();
  s.scale = w.exponent - static_cast<long long>(w.fraction.size());
  if (s.count <= 19) {
    for (char d : sig_whole) s.small = s.small * 10 + static_cast<std::uint64_t>(d - '0');
    for (char d : sig_fraction) s.small = s.small * 10 + static_cast<std::uint64_t>(d - '0');
  }
  s.digits = sig_whole.empty() ? sig_fraction : sig_whole;
  if (sig_whole.empty() || sig_fraction.empty()) return s;
  if (s.count <= sizeof joined) {
    std::memcpy(joined, sig_whole.data(), sig_whole.size());
    std::memcpy(joined + sig_whole.size(), sig_fraction.data(), sig_fraction.size());
    s.digits = std::string_view(joined, s.count);
  } else if (sig_whole.size() >= static_cast<std::size_t>(kExactPrecision)) {
    // The fraction lies beyond the digits that can matter; it only adds
    // "something more" (when not all zeros) to the whole part.
    s.digits = sig_whole;
    s.scale = w.exponent;
    if (sig_fraction.find_first_not_of('0') != std::string_view::npos) {
      std::memcpy(joined, sig_whole.data(), kExactPrecision);
      joined[kExactPrecision] = '1';
      s.digits = std::string_view(joined, kExactPrecision + 1);
      s.scale = w.exponent + static_cast<long long>(sig_whole.size()) - kExactPrecision - 1;
    }
  } else {
    // Fill up to the digits that matter from the fraction, then the rest as
    // "something more".
    const std::size_t from_fraction = kExactPrecision - sig_whole.size();
    std::memcpy(joined, sig_whole.data(), sig_whole.size());
    std::memcpy(joined + sig_whole.size(), sig_fraction.data(), from_fraction);
    std::size_t len = kExactPrecision;
    s.scale = w.exponent - static_cast<long long>(from_fraction);
    if (sig_fraction.find_first_not_of('0', from_fraction) != std::string_view::npos) {
      joined[len++] = '1';
      --s.scale;
    }
    s.digits = std::string_view(joined, len);
  }
  return s;
}

// The value of short numbers: the digits as one integer, scaled by one
// exactly rounded operation (both operands exact, so the result is the
// nearest value). False when the number is too long or its power of ten too
// large for that.
bool exact_float(const Significant& s, bool negative, float& out) {
  if (s.count > 19 || s.small > (1u << 24) || s.scale < -10 || s.scale > 10) return false;
  float f = static_cast<float>(s.small);
  f = s.scale < 0 ? f / kFloatPow10[-s.scale] : f * kFloatPow10[s.scale];
  out = negative ? -f : f;
  return true;
}

bool exact_double(const Significant& s, bool negative, double& out) {
  if (s.count > 19 || s.small > (std::uint64_t{1} << 53) || s.scale < -22 || s.scale > 22) {
    return false;
  }
  double d = static_cast<double>(s.small);
  d = s.scale < 0 ? d / kDoublePow10[-s.scale] : d * kDoublePow10[s.scale];
  out = negative ? -d : d;
  return true;
}

// "&H" / "&O" whole numbers (the digits after the prefix), as a double.
// False beyond the double range.
bool radix_value(std::string_view digits, bool hex, double& out) {
  out = 0;
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return true;
  digits.remove_prefix(first);
  const std::size_t fits = hex ? 16 : 21;  // digits that fit in 64 bits
  if (digits.size() <= fits) {
    std::uint64_t v = 0;
    for (char c : digits) {
      const int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
      v = v * (hex ? 16 : 8) + static_cast<std::uint64_t>(d);
    }
    out = static_cast<double>(v);  // one correct rounding
    return true;
  }
  // Longer: as hexadecimal digits for from_chars, octal regrouped from the
  // last digit up (3 bits per octal digit, 4 per hex digit).
  char buf[300];
  std::string_view hex_digits = digits;
  if (!hex) {
    if (digits.size() > 342) return false;  // >= 8^342 = 2^1026
    char* end = buf + sizeof buf;
    char* p = end;
    unsigned acc = 0;
    int bits = 0;
    for (std::size_t k = digits.size(); k-- > 0;) {
      acc |= static_cast<unsigned>(digits[k] - '0') << bits;
      bits += 3;
      while (bits >= 4) {
        *--p = "0123456789abcdef"[acc & 15];
        acc >>= 4;
        bits -= 4;
      }
    }
    if (bits > 0) *--p = "0123456789abcdef"[acc & 15];
    hex_digits = std::string_view(p, static_cast<std::size_t>(end - p));
  }
  const auto r = std::from_chars(hex_digits.data(), hex_digits.data() + hex_digits.size(), out,
                                 std::chars_format::hex);
  return r.ec == std::errc{};
}

// "&H" or "&O" (any case) at i, with its digits: the whole number as a
// double. NotANumber when no such prefix stands there.
Scanned scan_radix(std::string_view t, std::size_t i) {
  const char radix = i + 1 < t.size() ? static_cast<char>(t[i + 1] | 0x20) : '\0';
  if (radix != 'h' && radix != 'o') return {0, Kind::Short, 0, ScanError::NotANumber};
  const bool hex = radix == 'h';
  std::size_t j = i + 2;
  auto radix_digit = [hex](char d) {
    const char lower = static_cast<char>(d | 0x20);
    return hex ? is_digit(d) || (lower >= 'a' && lower <= 'f') : (d >= '0' && d <= '7');
  };
  while (j < t.size() && radix_digit(t[j])) ++j;
  Scanned s{0, Kind::Double, j, ScanError::None};
  if (!radix_value(t.substr(i + 2, j - i - 2), hex, s.value)) s.error = ScanError::Overflow;
  return s;
}

constexpr Scanned overflow(std::size_t end) {
  return {0, Kind::Double, end, ScanError::Overflow};
}

// A value held by the kind a field asks for: Short and Long the whole number
// (halves away from zero), Single the value rounded to single precision,
// each within its range.
Scanned in_kind(double value, Kind kind, std::size_t end) {
  switch (kind) {
    case Kind::Short:
    case Kind::Long: {
      const double r = round_half_away(value);
      const double lo = kind == Kind::Short ? -32768.0 : -2147483648.0;
      const double hi = kind == Kind::Short ? 32767.0 : 2147483647.0;
      if (!(r >= lo && r <= hi)) return overflow(end);
      return {static_cast<double>(static_cast<std::int32_t>(r)), kind, end, ScanError::None};
    }
    case Kind::Single: {
      const auto f = static_cast<float>(value);
      if (std::isinf(f)) return overflow(end);
      return {f, kind, end, ScanError::None};
    }
    case Kind::Double:
      break;
  }
  return {value, kind, end, ScanError::None};
}

}  // namespace

namespace detail {

Scanned scan_number_general(std::string_view t) noexcept {
  const std::size_t n = t.size();
  std::size_t i = 0;
  while (i < n && t[i] == ' ') ++i;
  const Scanned none{0, Kind::Short, 0, ScanError::NotANumber};
  if (i == n) return none;
  if (t[i] == '&') return scan_radix(t, i);
  if (!starts_decimal(t, i)) return none;

  const Written w = scan_decimal(t, i);
  char joined[kExactPrecision + 2];
  const Significant s = significant_digits(w, joined);
  const bool whole = w.letter == 0 && w.fraction.find_first_not_of('0') == std::string_view::npos;

  // A type character directly after the number requests its kind.
  const char type = w.end < n ? t[w.end] : '\0';
  const bool typed = type == '%' || type == '&' || type == '!' || type == '#';
  const std::size_t end = w.end + (typed ? 1 : 0);

  if (whole) {
    std::uint64_t v = 0;
    const bool small = s.whole.size() <= 10;
    if (small) {
      for (char d : s.whole) v = v * 10 + static_cast<std::uint64_t>(d - '0');
    }
    const std::uint64_t short_limit = w.negative ? 32768 : 32767;
    const std::uint64_t long_limit = w.negative ? 2147483648u : 2147483647u;
    if (type == '%' || type == '&') {
      if (!small || v > (type == '%' ? short_limit : long_limit)) return overflow(end);
    }
    if (small && v <= long_limit && type != '!' && type != '#') {
      const double value = w.negative ? -static_cast<double>(v) : static_cast<double>(v);
      const bool short_kind = type == '%' || (type != '&' && v <= short_limit);
      return {value == 0 ? 0.0 : value, short_kind ? Kind::Short : Kind::Long, end,
              ScanError::None};
    }
  }

  bool single = w.letter == 'E' || (w.letter == 0 && s.count < 8);
  if (type == '!') single = true;
  if (type == '#') single = false;
  const bool single_required = w.letter == 'E' || type == '!';

  if (single) {
    float f;
    if (exact_float(s, w.negative, f)) return {f, Kind::Single, end, ScanError::None};
    if (nearest(w.negative, s.digits, s.scale, f) != Range::Above) {
      return {f, Kind::Single, end, ScanError::None};
    }
    if (single_required) return overflow(end);
  }
  double d;
  if ((single || !exact_double(s, w.negative, d)) &&
      nearest(w.negative, s.digits, s.scale, d) == Range::Above) {
    return overflow(end);
  }
  return {d, Kind::Double, end, ScanError::None};
}

}  // namespace detail

Scanned scan_number(std::string_view t, Kind target) noexcept {
  const Scanned none{0, Kind::Short, 0, ScanError::NotANumber};
  if (t.empty()) return none;
  if (t[0] == '&') {
    Scanned s = scan_radix(t, 0);
    if (s.error != ScanError::None) return s;
    return in_kind(s.value, target, s.end);
  }
  if (!starts_decimal(t, 0)) return none;
  const Written w = scan_decimal(t, 0);
  if (w.whole.empty() && w.fraction.empty()) {
    return {0, target, w.end, ScanError::None};  // "+." and "-."
  }
  // An exponent letter counts only with digits after it (its value is then
  // 0 anyway); the characters after the number are not looked at.
  const std::size_t end = w.exponent_digits ? w.end : w.digits_end;
  char joined[kExactPrecision + 2];
  const Significant s = significant_digits(w, joined);
  if (target == Kind::Single) {
    float f;
    if (exact_float(s, w.negative, f)) return {f, target, end, ScanError::None};
    switch (nearest(w.negative, s.digits, s.scale, f)) {
      case Range::Inside:
        return {f, target, end, ScanError::None};
      case Range::Above:
        return overflow(end);
      case Range::Below: {
        // Too small for a single: the double's nearest single, and 0 (without
        // sign) when the double is too small as well.
        double d;
        if (nearest(w.negative, s.digits, s.scale, d) != Range::Inside) d = 0;
        return {static_cast<float>(d), target, end, ScanError::None};
      }
    }
  }
  double d;
  if (!exact_double(s, w.negative, d) &&
      nearest(w.negative, s.digits, s.scale, d) == Range::Above) {
    return overflow(end);
  }
  return in_kind(d, target, end);
}

Number text_to_number(std::string_view t, Where where) {
  const Scanned s = scan_number(t);
  if (s.error == ScanError::Overflow) raise(err::kOverflow, Operation::TextToNumber, where);
  return {s.value, s.kind};
}

std::string free_form(double value, Kind kind) {
  char buf[40];
  return std::string(buf, write_free_form(value, kind, buf));
}

std::string item_form(double value, Kind kind) {
  char buf[40];
  const std::size_t n = write_free_form(value, kind, buf);
  buf[n] = ' ';
  return std::string(buf, n + 1);
}

std::string pattern_form(double value, Kind kind, std::string_view pattern, Where where) {
  Field f;
  if (!find_field(pattern, f)) raise(err::kInvalidCall, Operation::PatternText, where);
  if (kind == Kind::Single) value = static_cast<float>(value);
  // The text is at most the pattern's length plus the overflow form (40):
  // short patterns are built on the stack.
  auto build = [&](auto& out) {
    append_literal(out, pattern.substr(0, f.begin));
    append_number(out, value, kind, f);
    append_literal(out, pattern.substr(f.end));
  };
  if (pattern.size() + 40 <= FixedText::kCapacity) {
    FixedText out;
    build(out);
    return out.str();
  }
  std::string out;
  build(out);
  return out;
}

double round_half_away(double value) {
  // trunc and the fraction are exact, so halves are judged on the value
  // itself, not on value + 0.5 rounded.
  double r = std::trunc(value);
  const double fraction = value - r;
  if (fraction >= 0.5) {
    r += 1;
  } else if (fraction <= -0.5) {
    r -= 1;
  }
  return r;
}

std::int32_t whole_number(double value, Kind target, Where where) {
  const double r = round_half_away(value);
  const double lo = target == Kind::Short ? -32768.0 : -2147483648.0;
  const double hi = target == Kind::Short ? 32767.0 : 2147483647.0;
  if (!(r >= lo && r <= hi)) raise(err::kOverflow, Operation::WholeNumber, where);
  return static_cast<std::int32_t>(r);
}

double floor_value(double value) {
  return std::floor(value);
}

double power(double x, double y, Where where) {
  if (y == 0) return 1;
  if (x == 0) return 0;
  if (std::isnan(x) || std::isnan(y)) raise(err::kInvalidCall, Operation::FloatingPoint, where);
  long double r =
      std::exp2l(static_cast<long double>(y) * std::log2l(std::fabs(static_cast<long double>(x))));
  if (x < 0) {
    // A fractional power of a negative number is the largest extended
    // value, which no double holds.
    if (std::trunc(y) != y) raise(err::kOverflow, Operation::FloatingPoint, where);
    if (std::fmod(y, 2.0) != 0) r = -r;
  }
  const double d = static_cast<double>(r);
  // An infinite exponent of 1 multiplies infinity by 0: an invalid operation.
  if (std::isnan(d)) raise(err::kInvalidCall, Operation::FloatingPoint, where);
  if (std::isinf(d)) raise(err::kOverflow, Operation::FloatingPoint, where);
  return d;
}

}  // namespace frame

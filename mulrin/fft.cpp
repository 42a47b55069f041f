// The block transform.
//
// Fft keeps real and imaginary parts in separate arrays and computes several
// outputs at once in vector lanes: two doubles on every x86-64 processor,
// four where the processor has the 256-bit unit, eight where it has the
// 512-bit one (chosen once at run time). Each lane performs the same IEEE
// operations, in the same order, on the same operands as the plain form, and
// the product is built without fused multiply-add, so not a single bit
// changes; the tests compare every lane width with the plain form bit for bit.
// Tables and work buffers start on a cache-line boundary.
//
// Fewer passes over memory, same arithmetic: the first pass reads the samples
// directly (imaginary parts 0.0, which still enter every product and sum as
// written), two consecutive stages share one pass where the values the first
// writes are exactly the ones the second combines (they stay in registers,
// rounded to double as in memory), and the last pass writes the caller's
// arrays divided by N.
#include "mulrin/fft.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "frame/constants.h"

namespace mulrin {
namespace {

// Largest exponent whose tables are even considered: 2^48 entries of several
// doubles is far beyond any memory, and the shifts stay defined.
constexpr int kMaxExponent = 47;

// Twiddle entry m of N: (cos(2*pi*m/N), -sin(2*pi*m/N)), angle (two_pi*m)/N.
inline double twiddle_angle(std::size_t m, std::size_t n) {
  return (frame::kTwoPi * static_cast<double>(m)) / static_cast<double>(n);
}

// ---- lanes -------------------------------------------------------------------
// The stages are written once over a lane type V: a plain double, a pair of
// doubles (the baseline vector unit) or four doubles (the wide unit, where the
// processor has one). Every lane operation is the IEEE operation of the plain
// form; only the grouping into lanes differs.

// The lane types never cross a function boundary outside this file (every
// helper is inlined into the pass that runs it), so the note about the
// calling convention of wide vectors does not apply.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

using Pair = double __attribute__((vector_size(16)));
using Quad = double __attribute__((vector_size(32)));
using Oct = double __attribute__((vector_size(64)));

template <class V>
constexpr std::size_t kLanes = sizeof(V) / sizeof(double);

template <class V>
[[gnu::always_inline]] inline V load(const double* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class V>
[[gnu::always_inline]] inline void store(double* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}

// Every lane holding d (a copy, not an arithmetic result: signed zeros stay).
// Used for values set once per pass (0.0, N); a twiddle shared by all lanes
// enters its products as a scalar instead (see mul_add).
template <class V>
[[gnu::always_inline]] inline V splat(double d) {
  if constexpr (kLanes<V> == 1) {
    return d;
  } else if constexpr (kLanes<V> == 2) {
    return V{d, d};
  } else if constexpr (kLanes<V> == 4) {
    return V{d, d, d, d};
  } else {
    return V{d, d, d, d, d, d, d, d};
  }
}

// Lanes l = 0 .. L-1 of q0 .. q3 take p[4l + q]: four interleaved streams of
// 4L consecutive values pulled apart.
template <class V>
[[gnu::always_inline]] inline void deinterleave4(const double* p, V& q0, V& q1, V& q2, V& q3) {
  if constexpr (kLanes<V> == 1) {
    q0 = p[0];
    q1 = p[1];
    q2 = p[2];
    q3 = p[3];
  } else if constexpr (kLanes<V> == 2) {
    const V v0 = load<V>(p), v1 = load<V>(p + 2);
    const V v2 = load<V>(p + 4), v3 = load<V>(p + 6);
    q0 = __builtin_shufflevector(v0, v2, 0, 2);
    q1 = __builtin_shufflevector(v0, v2, 1, 3);
    q2 = __builtin_shufflevector(v1, v3, 0, 2);
    q3 = __builtin_shufflevector(v1, v3, 1, 3);
  } else if constexpr (kLanes<V> == 4) {
    const V v0 = load<V>(p), v1 = load<V>(p + 4);
    const V v2 = load<V>(p + 8), v3 = load<V>(p + 12);
    const V t0 = __builtin_shufflevector(v0, v1, 0, 4, 2, 6);
    const V t1 = __builtin_shufflevector(v0, v1, 1, 5, 3, 7);
    const V t2 = __builtin_shufflevector(v2, v3, 0, 4, 2, 6);
    const V t3 = __builtin_shufflevector(v2, v3, 1, 5, 3, 7);
    q0 = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    q1 = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    q2 = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    q3 = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
  } else {
    // First the values 4 apart within each pair of loads, then the halves
    // joined: t0 = p[0, 4, 8, 12, 2, 6, 10, 14], t2 the same from p[16 ..].
    const V v0 = load<V>(p), v1 = load<V>(p + 8);
    const V v2 = load<V>(p + 16), v3 = load<V>(p + 24);
    const V t0 = __builtin_shufflevector(v0, v1, 0, 4, 8, 12, 2, 6, 10, 14);
    const V t1 = __builtin_shufflevector(v0, v1, 1, 5, 9, 13, 3, 7, 11, 15);
    const V t2 = __builtin_shufflevector(v2, v3, 0, 4, 8, 12, 2, 6, 10, 14);
    const V t3 = __builtin_shufflevector(v2, v3, 1, 5, 9, 13, 3, 7, 11, 15);
    q0 = __builtin_shufflevector(t0, t2, 0, 1, 2, 3, 8, 9, 10, 11);
    q1 = __builtin_shufflevector(t1, t3, 0, 1, 2, 3, 8, 9, 10, 11);
    q2 = __builtin_shufflevector(t0, t2, 4, 5, 6, 7, 12, 13, 14, 15);
    q3 = __builtin_shufflevector(t1, t3, 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// A complex value per lane.
template <class V>
struct Cx {
  V re, im;
};

// The scheme's one operation, a * w + b, in the order it is written:
// re = ((a.re * w.re) - (a.im * w.im)) + b.re,
// im = ((a.re * w.im) + (a.im * w.re)) + b.im.
// W is V (a twiddle per lane) or double (one twiddle for every lane: the
// lanes multiply by copies of it, broadcast by the compiler at the product).
template <class V, class W>
[[gnu::always_inline]] inline Cx<V> mul_add(const Cx<V>& a, const Cx<W>& w, const Cx<V>& b) {
  return {((a.re * w.re) - (a.im * w.im)) + b.re, ((a.re * w.im) + (a.im * w.re)) + b.im};
}

// Source of a pass: the sample block (imaginary parts 0.0, which still take
// part in every product and sum as written) or a work buffer.
struct Source {
  const double* re;
  const double* im;  // null for the sample block
};

template <class V>
[[gnu::always_inline]] inline Cx<V> load_cx(const Source& s, std::size_t i) {
  return {load<V>(s.re + i), s.im ? load<V>(s.im + i) : splat<V>(0.0)};
}

template <class V>
[[gnu::always_inline]] inline void store_cx(double* re, double* im, std::size_t i, const Cx<V>& v) {
  store<V>(re + i, v.re);
  store<V>(im + i, v.im);
}

struct Tables {
  std::size_t n;
  const double* wr;  // W[m], m = 0 .. N-1
  const double* wi;
  const double* er;  // W[2m], m = 0 .. N/2-1 (copies of the even entries)
  const double* ei;
};

// Twiddle W[m] for every lane.
[[gnu::always_inline]] inline Cx<double> twiddle(const Tables& t, std::size_t m) {
  return {t.wr[m], t.wi[m]};
}

// ---- passes ------------------------------------------------------------------
// Index forms used below, with R = 2^(s-1) = N/(2h) groups in stage s:
// source position (2j+1)h + k holds a, 2jh + k holds b for j < R; the j of
// the second half (j + R) read the same pair (their positions wrap modulo N)
// and write to hj + N/2 + k with twiddle W[hj + N/2].

// One stage with stride h >= L: contiguous lanes over k, one twiddle per j.
template <class V>
[[gnu::always_inline]] inline void stage_rows(const Tables& t, std::size_t h, Source src,
                                              double* dr, double* di) {
  const std::size_t half_n = t.n / 2;
  const std::size_t groups = half_n / h;
  for (std::size_t j = 0; j < groups; ++j) {
    const Cx<double> w0 = twiddle(t, h * j);
    const Cx<double> w1 = twiddle(t, h * j + half_n);
    const std::size_t a_at = (2 * j + 1) * h, b_at = 2 * j * h;
    for (std::size_t k = 0; k < h; k += kLanes<V>) {
      const Cx<V> a = load_cx<V>(src, a_at + k);
      const Cx<V> b = load_cx<V>(src, b_at + k);
      store_cx<V>(dr, di, h * j + k, mul_add(a, w0, b));
      store_cx<V>(dr, di, h * j + half_n + k, mul_add(a, w1, b));
    }
  }
}

// Stages s (stride h) and s+1 (stride g = h/2 >= L) in one pass: the four
// values stage s writes from one pair of positions are exactly the ones
// stage s+1 combines, so they stay in registers.
//   stage s:   u_p0 = src[(2j+1)h + k] * W[hj + pN/2] + src[2jh + k]
//              u_p1 = src[(2j+1)h + g + k] * W[hj + pN/2] + src[2jh + g + k]
//              (u_p0 at position h(j + pR) + k, u_p1 at h(j + pR) + g + k)
//   stage s+1: dst[gj + pN/4 + qN/2 + k] = u_p1 * W[gj + pN/4 + qN/2] + u_p0
template <class V>
[[gnu::always_inline]] inline void stage_pair_rows(const Tables& t, std::size_t h, Source src,
                                                   double* dr, double* di) {
  const std::size_t n = t.n;
  const std::size_t half_n = n / 2, quarter_n = n / 4;
  const std::size_t g = h / 2;
  const std::size_t groups = half_n / h;
  for (std::size_t j = 0; j < groups; ++j) {
    const Cx<double> wa0 = twiddle(t, h * j);
    const Cx<double> wa1 = twiddle(t, h * j + half_n);
    const Cx<double> wb00 = twiddle(t, g * j);
    const Cx<double> wb01 = twiddle(t, g * j + half_n);
    const Cx<double> wb10 = twiddle(t, g * j + quarter_n);
    const Cx<double> wb11 = twiddle(t, g * j + quarter_n + half_n);
    const std::size_t a_at = (2 * j + 1) * h, b_at = 2 * j * h;
    const std::size_t d_at = g * j;
    for (std::size_t k = 0; k < g; k += kLanes<V>) {
      const Cx<V> a0 = load_cx<V>(src, a_at + k);
      const Cx<V> a1 = load_cx<V>(src, a_at + g + k);
      const Cx<V> b0 = load_cx<V>(src, b_at + k);
      const Cx<V> b1 = load_cx<V>(src, b_at + g + k);
      const Cx<V> u00 = mul_add(a0, wa0, b0);
      const Cx<V> u01 = mul_add(a1, wa0, b1);
      const Cx<V> u10 = mul_add(a0, wa1, b0);
      const Cx<V> u11 = mul_add(a1, wa1, b1);
      store_cx<V>(dr, di, d_at + k, mul_add(u01, wb00, u00));
      store_cx<V>(dr, di, d_at + half_n + k, mul_add(u01, wb01, u00));
      store_cx<V>(dr, di, d_at + quarter_n + k, mul_add(u11, wb10, u10));
      store_cx<V>(dr, di, d_at + quarter_n + half_n + k, mul_add(u11, wb11, u10));
    }
  }
}

// Strides 8 and 4 in one pass on eight lanes: lanes 0-3 hold k = 0..3 of
// group j, lanes 4-7 those of group j+1 (j even), so each lane has its own
// twiddle, read from a table laid out for this pass (see
// fill_lane_twiddles). The 32 source values src[16j .. 16j+31] are b0, b1,
// a0, a1 of group j, then of group j+1; the outputs of both groups lie side
// by side at 4j. Otherwise the same operations as stage_pair_rows.
constexpr std::size_t kLaneTwiddles = 12;  // vectors per pair of groups

// Lanes 0-3 from the first four lanes of p and q, 4-7 from their last four.
template <class V>
[[gnu::always_inline]] inline void join_halves(const V& p, const V& q, V& low, V& high) {
  low = __builtin_shufflevector(p, q, 0, 1, 2, 3, 8, 9, 10, 11);
  high = __builtin_shufflevector(p, q, 4, 5, 6, 7, 12, 13, 14, 15);
}

template <class V>
[[gnu::always_inline]] inline void stage_pair_8_4(const Tables& t, const double* tw, Source src,
                                                  double* dr, double* di) {
  const std::size_t n = t.n;
  const std::size_t half_n = n / 2, quarter_n = n / 4;
  for (std::size_t j = 0; j < n / 16; j += 2, tw += kLaneTwiddles * kLanes<V>) {
    const std::size_t at = 16 * j;
    Cx<V> a0, a1, b0, b1;
    join_halves(load<V>(src.re + at), load<V>(src.re + at + 16), b0.re, b1.re);
    join_halves(load<V>(src.re + at + 8), load<V>(src.re + at + 24), a0.re, a1.re);
    if (src.im) {
      join_halves(load<V>(src.im + at), load<V>(src.im + at + 16), b0.im, b1.im);
      join_halves(load<V>(src.im + at + 8), load<V>(src.im + at + 24), a0.im, a1.im);
    } else {
      a0.im = a1.im = b0.im = b1.im = splat<V>(0.0);
    }
    const auto lane_twiddle = [&](std::size_t v) {
      return Cx<V>{load<V>(tw + 2 * v * kLanes<V>), load<V>(tw + (2 * v + 1) * kLanes<V>)};
    };
    const Cx<V> wa0 = lane_twiddle(0), wa1 = lane_twiddle(1);
    const Cx<V> u00 = mul_add(a0, wa0, b0);
    const Cx<V> u01 = mul_add(a1, wa0, b1);
    const Cx<V> u10 = mul_add(a0, wa1, b0);
    const Cx<V> u11 = mul_add(a1, wa1, b1);
    const std::size_t d_at = 4 * j;
    store_cx<V>(dr, di, d_at, mul_add(u01, lane_twiddle(2), u00));
    store_cx<V>(dr, di, d_at + half_n, mul_add(u01, lane_twiddle(3), u00));
    store_cx<V>(dr, di, d_at + quarter_n, mul_add(u11, lane_twiddle(4), u10));
    store_cx<V>(dr, di, d_at + quarter_n + half_n, mul_add(u11, lane_twiddle(5), u10));
  }
}

// The table stage_pair_8_4 reads: for every even j, twelve vectors of eight
// lanes, the re and im parts of W[8j], W[8j + N/2], W[4j], W[4j + N/2],
// W[4j + N/4], W[4j + N/4 + N/2], each vector holding the entry of group j
// in lanes 0-3 and that of group j+1 in lanes 4-7 (copies).
void fill_lane_twiddles(const Tables& t, double* tw) {
  const std::size_t n = t.n;
  const std::size_t half_n = n / 2, quarter_n = n / 4;
  for (std::size_t j = 0; j < n / 16; j += 2, tw += kLaneTwiddles * 8) {
    for (std::size_t group = j; group < j + 2; ++group) {
      const std::size_t m[6] = {
          8 * group,          8 * group + half_n,    4 * group,
          4 * group + half_n, 4 * group + quarter_n, 4 * group + quarter_n + half_n};
      const std::size_t first_lane = 4 * (group - j);
      for (std::size_t v = 0; v < 6; ++v) {
        for (std::size_t l = first_lane; l < first_lane + 4; ++l) {
          tw[16 * v + l] = t.wr[m[v]];
          tw[16 * v + 8 + l] = t.wi[m[v]];
        }
      }
    }
  }
}

// The last two stages (strides 2 and 1) in one pass, lanes over j, writing
// the caller's arrays divided by N. With R = N/4 and s_q = src[4j + q]:
//   stride 2: u_p0 = s_2 * W[2j + pN/2] + s_0, u_p1 = s_3 * W[2j + pN/2] + s_1
//   stride 1: out[j + pR + qN/2] = u_p1 * W[j + pR + qN/2] + u_p0
// Needs R >= L.
template <class V>
[[gnu::always_inline]] inline void stage_last_pair(const Tables& t, Source src, double* re,
                                                   double* im) {
  const std::size_t n = t.n;
  const std::size_t r = n / 4;
  const V n_d = splat<V>(static_cast<double>(n));
  for (std::size_t j = 0; j < r; j += kLanes<V>) {
    Cx<V> s0, s1, s2, s3;
    deinterleave4<V>(src.re + 4 * j, s0.re, s1.re, s2.re, s3.re);
    if (src.im) {
      deinterleave4<V>(src.im + 4 * j, s0.im, s1.im, s2.im, s3.im);
    } else {
      s0.im = s1.im = s2.im = s3.im = splat<V>(0.0);
    }
    const Cx<V> wa0{load<V>(t.er + j), load<V>(t.ei + j)};
    const Cx<V> wa1{load<V>(t.er + j + r), load<V>(t.ei + j + r)};
    const Cx<V> u00 = mul_add(s2, wa0, s0);
    const Cx<V> u01 = mul_add(s3, wa0, s1);
    const Cx<V> u10 = mul_add(s2, wa1, s0);
    const Cx<V> u11 = mul_add(s3, wa1, s1);
    for (std::size_t q = 0; q < 4; ++q) {
      // q = p + 2*(second half): p picks the u pair, the half the twiddle.
      const std::size_t at = j + q * r;
      const Cx<V> w{load<V>(t.wr + at), load<V>(t.wi + at)};
      const Cx<V> y = (q % 2 == 0) ? mul_add(u01, w, u00) : mul_add(u11, w, u10);
      store<V>(re + at, y.re / n_d);
      store<V>(im + at, y.im / n_d);
    }
  }
}

// All E stages of one block for E >= 2 (E = 1 has its own form below): the
// strides N/2 .. 4 as row passes, two stages per pass, one single stage first
// when their number is odd; then the last pair. The first pass reads the
// samples; the work buffers trade roles after every pass.
struct Work {
  int exponent;
  Tables t;
  double* br[2];
  double* bi[2];
  const double* lane_twiddles;  // for stage_pair_8_4, or null
};

// VS is the lane type of the row passes whose stride g is below V's width
// (the eight-lane form runs its last row pass on four lanes).
template <class V, class VS = V>
[[gnu::always_inline]] inline void run_stages(const Work& w, const double* x, double* re,
                                              double* im) {
  const std::size_t n = w.t.n;
  Source src{x, nullptr};
  int next = 0;
  int s = 1;
  const int row_stages = w.exponent - 2;
  if (row_stages % 2 == 1) {
    stage_rows<V>(w.t, n >> s, src, w.br[next], w.bi[next]);
    src = {w.br[next], w.bi[next]};
    next = 1 - next;
    s += 1;
  }
  for (; s + 1 <= row_stages; s += 2) {
    if ((n >> s) / 2 >= kLanes<V>) {
      stage_pair_rows<V>(w.t, n >> s, src, w.br[next], w.bi[next]);
    } else if constexpr (kLanes<V> == 8) {
      if ((n >> s) == 8 && w.lane_twiddles) {
        stage_pair_8_4<V>(w.t, w.lane_twiddles, src, w.br[next], w.bi[next]);
      } else {
        stage_pair_rows<VS>(w.t, n >> s, src, w.br[next], w.bi[next]);
      }
    } else {
      stage_pair_rows<VS>(w.t, n >> s, src, w.br[next], w.bi[next]);
    }
    src = {w.br[next], w.bi[next]};
    next = 1 - next;
  }
  stage_last_pair<V>(w.t, src, re, im);
}

// E = 1: out[j] = (x1 * W[j] + (x0, 0)) / 2 for j = 0, 1.
void run_single_stage(const Tables& t, const double* x, double* re, double* im) {
  const Cx<double> a{x[1], 0.0}, b{x[0], 0.0};
  for (std::size_t j = 0; j < 2; ++j) {
    const Cx<double> y = mul_add(a, twiddle(t, j), b);
    re[j] = y.re / 2.0;
    im[j] = y.im / 2.0;
  }
}

void run_stages_plain(const Work& w, const double* x, double* re, double* im) {
  run_stages<double>(w, x, re, im);
}

void run_stages_pairs(const Work& w, const double* x, double* re, double* im) {
  run_stages<Pair>(w, x, re, im);
}

[[gnu::target("avx")]] void run_stages_quads(const Work& w, const double* x, double* re,
                                             double* im) {
  run_stages<Quad>(w, x, re, im);
}

[[gnu::target("avx512f")]] void run_stages_octs(const Work& w, const double* x, double* re,
                                                double* im) {
  run_stages<Oct, Quad>(w, x, re, im);
}

// The widest lane count the processor offers: 8, 4 or 2.
std::size_t processor_lanes() {
  static const std::size_t lanes = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return std::size_t{8};
    if (__builtin_cpu_supports("avx")) return std::size_t{4};
    return std::size_t{2};
  }();
  return lanes;
}

// The eight-lane form of strides 8 and 4 needs its own twiddle table, 3N
// doubles. It is built up to N = 2^20 only, so that the largest blocks need
// no more memory than the shared table and the buffers; beyond, that pass
// runs on four lanes.
bool uses_lane_twiddles(int exponent) {
  return processor_lanes() >= 8 && exponent >= 5 && exponent <= 20;
}

}  // namespace

Fft::Fft(int exponent, frame::Where where) : exponent_(exponent), n_(0) {
  if (exponent < 1) return;
  if (exponent > kMaxExponent) frame::raise(frame::err::kOutOfMemory, where);
  n_ = std::size_t{1} << exponent;
  try {
    w_re_.resize(n_);
    w_im_.resize(n_);
    even_re_.resize(n_ / 2);
    even_im_.resize(n_ / 2);
    for (auto* b : {&buf_re_[0], &buf_re_[1], &buf_im_[0], &buf_im_[1]}) {
      b->resize(n_);
    }
    if (uses_lane_twiddles(exponent)) lane_tw_.resize(n_ / 16 * kLaneTwiddles * 4);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory, where);
  } catch (const std::length_error&) {
    frame::raise(frame::err::kOutOfMemory, where);
  }
  for (std::size_t m = 0; m < n_; ++m) {
    const double angle = twiddle_angle(m, n_);
    w_re_[m] = frame::platform::cosine(angle);
    w_im_[m] = -frame::platform::sine(angle);
  }
  for (std::size_t m = 0; m < n_ / 2; ++m) {
    even_re_[m] = w_re_[2 * m];
    even_im_[m] = w_im_[2 * m];
  }
  if (!lane_tw_.empty()) {
    fill_lane_twiddles({n_, w_re_.data(), w_im_.data(), even_re_.data(), even_im_.data()},
                       lane_tw_.data());
  }
}

bool Fft::wide_stages_available() {
  return processor_lanes() >= 4;
}

void Fft::transform(const double* x, double* re, double* im, frame::Where where) {
  if (exponent_ < 1) frame::raise(frame::err::kSubscript, where);
  const Work w{exponent_,
               {n_, w_re_.data(), w_im_.data(), even_re_.data(), even_im_.data()},
               {buf_re_[0].data(), buf_re_[1].data()},
               {buf_im_[0].data(), buf_im_[1].data()},
               lane_tw_.empty() ? nullptr : lane_tw_.data()};
  if (exponent_ == 1) {
    run_single_stage(w.t, x, re, im);
    return;
  }
  if (exponent_ < 4) {
    run_stages_plain(w, x, re, im);  // fewer than four lanes of j
    return;
  }
  const std::size_t lanes = std::min(processor_lanes(), max_lanes_);
  if (lanes >= 8 && exponent_ >= 5) {  // eight lanes of j in the last pass
    run_stages_octs(w, x, re, im);
  } else if (lanes >= 4) {
    run_stages_quads(w, x, re, im);
  } else {
    run_stages_pairs(w, x, re, im);
  }
}

}  // namespace mulrin

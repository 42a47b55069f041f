// The block transform: a forward discrete Fourier transform of N = 2^E real
// samples, already divided by N, by a radix-2 self-sorting scheme with two
// buffers that trade roles after every stage (natural order out, no
// bit-reversal pass). This is the program's own transform: every output value
// is computed with exactly the operations, in the order, the scheme writes
// them, so results are the same bit for bit on every machine.
//
// Stage s = 1 .. E, stride h = 2^(E-s), for j = 0 .. 2^s - 1 (t = h*j) and
// k = 0 .. h-1, with a = src[k + ((2j+1)h mod N)], b = src[k + (2jh mod N)]:
//   dst[k + h*j].re = ((a.re * W[t].re) - (a.im * W[t].im)) + b.re
//   dst[k + h*j].im = ((a.re * W[t].im) + (a.im * W[t].re)) + b.im
// and after the last stage every part is divided by N.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "frame/errors.h"

namespace mulrin {

// Storage that starts on a 64-byte boundary, so that every vector of lanes
// the stages load or store from a buffer or a table lies within one cache line.
template <class T>
struct CacheLineAllocator {
  using value_type = T;
  static constexpr std::align_val_t kAlign{64};
  CacheLineAllocator() = default;
  template <class U>
  CacheLineAllocator(const CacheLineAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlign)); }
  void deallocate(T* p, std::size_t) { ::operator delete(p, kAlign); }
  friend bool operator==(const CacheLineAllocator&, const CacheLineAllocator&) { return true; }
};

class Fft {
 public:
  // Builds the twiddle table for N = 2^exponent (exponent >= 1):
  // entry m = (cos(2*pi*m/N), -sin(2*pi*m/N)) with 2*pi = 2 * 3.14159265358979
  // (the program's 15-digit pi) and the angle formed as (two_pi * m) / N.
  // An exponent below 1 builds nothing; its first transform fails (see
  // transform). Tables that cannot be held (an exponent of 48 or more, or a
  // failed allocation) are run-time error 7.
  explicit Fft(int exponent, frame::Where where = frame::Where::current());

  int exponent() const { return exponent_; }
  std::size_t size() const { return n_; }

  // Transforms one block of N real samples into N coefficients, each divided
  // by N: re[k] + i*im[k] = (1/N) * sum x[n] * exp(-2*pi*i*k*n/N).
  // Reuses the object's buffers: no allocation per block. An exponent below 1
  // (N = 1 is not a length the scheme handles) is run-time error 9, subscript
  // out of range, raised here at the first transform. x, re and im must not
  // overlap.
  void transform(const double* x, double* re, double* im,
                 frame::Where where = frame::Where::current());

  // Whether the stages run on vectors of 4 or more lanes (the widest the
  // processor offers, 2, 4 or 8, is chosen once per process; the results are
  // the same bits at every width).
  static bool wide_stages_available();
  // Test hook: run stages of at most this many lanes (2, 4 or 8) even where
  // wider ones are available.
  void limit_lanes(std::size_t lanes) { max_lanes_ = lanes; }

 private:
  int exponent_;
  std::size_t n_;
  std::size_t max_lanes_ = 8;
  using Doubles = std::vector<double, CacheLineAllocator<double>>;
  Doubles w_re_, w_im_;            // twiddle table
  Doubles even_re_, even_im_;      // its even entries, W[2m]
  Doubles buf_re_[2], buf_im_[2];  // the two work buffers
  Doubles lane_tw_;                // twiddles laid out per lane for one pass
};

}  // namespace mulrin

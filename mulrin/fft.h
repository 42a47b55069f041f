// The block transform: a forward discrete Fourier transform of N = 2^E real
// samples, already divided by N, by a radix-2 self-sorting scheme with two
// buffers that trade roles after every stage (natural order out, no
// bit-reversal pass). This is the program's own transform: every output value
// is computed with exactly the operations, in the order, the scheme writes
// them, so results are the same bit for bit on every machine.
#pragma once

#include <cstddef>
#include <vector>

namespace mulrin {

class Fft {
 public:
  // Builds the twiddle table for N = 2^exponent (exponent >= 1):
  // entry m = (cos(2*pi*m/N), -sin(2*pi*m/N)) with 2*pi = 2 * 3.14159265358979
  // (the program's 15-digit pi) and the angle formed as (two_pi * m) / N.
  explicit Fft(int exponent);

  int exponent() const { return exponent_; }
  std::size_t size() const { return n_; }

  // Transforms one block of N real samples into N coefficients, each divided
  // by N: re[k] + i*im[k] = (1/N) * sum x[n] * exp(-2*pi*i*k*n/N).
  // Reuses the object's buffers: no allocation per block.
  void transform(const double* x, double* re, double* im);

 private:
  int exponent_;
  std::size_t n_;
  std::vector<double> w_re_, w_im_;          // twiddle table
  std::vector<double> buf_re_[2], buf_im_[2];  // the two work buffers
};

// The same transform written plainly, one complex value at a time, exactly as
// the scheme states it. The reference for the bit-for-bit tests of Fft.
void fft_reference(int exponent, const double* x, double* re, double* im);

}  // namespace mulrin

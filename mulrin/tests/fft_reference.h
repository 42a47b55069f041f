// The block transform written plainly, one complex value at a time, exactly
// as the scheme states it: what the vector stages of Fft are held to, bit for
// bit. The table and the buffers are kept between blocks.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "frame/constants.h"

namespace mulrin {

class FftReference {
 public:
  explicit FftReference(int exponent)
      : exponent_(exponent),
        n_(std::size_t{1} << exponent),
        w_(n_),
        buf_{std::vector<Complex>(n_), std::vector<Complex>(n_)} {
    for (std::size_t m = 0; m < n_; ++m) {
      const double angle = (frame::kTwoPi * static_cast<double>(m)) / static_cast<double>(n_);
      w_[m] = {frame::platform::cosine(angle), -frame::platform::sine(angle)};
    }
  }

  // Kept scalar on purpose: this is the form the vector stages are held to.
#if defined(__GNUC__) && !defined(__clang__)
  [[gnu::optimize("no-tree-vectorize")]]
#endif
  void
  transform(const double* x, double* re, double* im) {
    const std::size_t n = n_;
    for (std::size_t i = 0; i < n; ++i) buf_[0][i] = {x[i], 0.0};
    int src = 0;
    for (int s = 1; s <= exponent_; ++s) {
      const std::size_t h = std::size_t{1} << (exponent_ - s);
      const Complex* in = buf_[src].data();
      Complex* out = buf_[1 - src].data();
      for (std::size_t j = 0; j < (std::size_t{1} << s); ++j) {
        const Complex w = w_[h * j];
        for (std::size_t k = 0; k < h; ++k) {
          const Complex a = in[k + ((2 * j + 1) * h) % n];
          const Complex b = in[k + ((2 * j) * h) % n];
          Complex& d = out[k + h * j];
          d.re = a.re * w.re - a.im * w.im + b.re;
          d.im = a.re * w.im + a.im * w.re + b.im;
        }
      }
      src = 1 - src;
    }
    for (std::size_t k = 0; k < n; ++k) {
      re[k] = buf_[src][k].re / static_cast<double>(n);
      im[k] = buf_[src][k].im / static_cast<double>(n);
    }
  }

 private:
  struct Complex {
    double re, im;
  };
  int exponent_;
  std::size_t n_;
  std::vector<Complex> w_;
  std::vector<Complex> buf_[2];
};

}  // namespace mulrin

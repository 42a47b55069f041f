// Stand-in for mulrin's block transform in a fuzz build whose compiler cannot
// build the real one (its vector stages use a GCC extension). The harnesses
// that link mulrin only load settings and follow the labels; none transforms
// a block, so reaching this is a fault of the harness.
#include <cstdio>
#include <cstdlib>

#include "mulrin/fft.h"

namespace mulrin {

namespace {
[[noreturn]] void unavailable() {
  std::fputs("mulrin's block transform is not built into this fuzz harness\n", stderr);
  std::abort();
}
}  // namespace

Fft::Fft(int, frame::Where) {
  unavailable();
}
void Fft::transform(const double*, double*, double*, frame::Where) {
  unavailable();
}
bool Fft::wide_stages_available() {
  return false;
}

}  // namespace mulrin

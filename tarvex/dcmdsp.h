// Short signed number texts for the form: the result line and the scale
// label of the cycle display.
#pragma once

#include <string>

#include "frame/errors.h"

namespace tarvex {

// x as a short signed text: "+0" for 0; eight decimals below 1
// (+0.05000000); eight significant digits from 1 to below 10^8 (+123.45679,
// +2.5); all integer digits from 10^8 up (+100000000). The decimal exponent
// comes from log10|x| rounded to three decimals, held in 16 bits (outside:
// error 6), so 99.99 counts as three digits. Every rounding is half away
// from zero; values from 2147483647.5 up do not fit the 32-bit rounding (6).
std::string DCMDSP(const double& x, frame::Where where = frame::Where::current());

}  // namespace tarvex

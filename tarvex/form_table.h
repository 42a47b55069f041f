// The one window of tarvex: its form and its 40 controls in creation order.
#pragma once

#include <array>

#include "frame/form.h"

namespace tarvex {

inline constexpr int kControlCount = 40;

extern const std::array<frame::ControlDesc, kControlCount> kControls;

// Caption "tarvex", outer size 648 x 466, form font "FixedSys" 18 points;
// its statement files are the program's source files (see docs/statements.md).
extern const frame::FormDesc kForm;

}  // namespace tarvex

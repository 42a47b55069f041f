// The one window of mulrin: its form and its 36 controls in creation order.
#pragma once

#include <array>

#include "frame/form.h"

namespace mulrin {

inline constexpr int kControlCount = 36;

extern const std::array<frame::ControlDesc, kControlCount> kControls;

// Caption "mulrin", outer size 519 x 450, form font "FixedSys" 16 points.
// Its statement files are the program's source files (see docs/statements.md).
extern const frame::FormDesc kForm;

}  // namespace mulrin

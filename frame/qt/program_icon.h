// Each program's 32 x 32 window icon, drawn in the 16 palette colours.
#pragma once

#include <QImage>
#include <string_view>

namespace frame::qt {

// tarvex: a small polar diagram with a coloured path; mulrin: a spectrum of
// bars; any other name: a plain framed square.
QImage program_icon(std::string_view program);

}  // namespace frame::qt

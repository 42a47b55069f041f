#include "frame/qt/program_icon.h"

#include "frame/qt/image_surface.h"

namespace frame::qt {

namespace {

void diagram(ImageSurface& s) {
  s.fill_rect(0, 0, 31, 31, 0);
  s.circle(15, 16, 7, 4);
  s.circle(15, 16, 13, 4);
  s.line(1, 16, 30, 16, 15);
  s.line(15, 1, 15, 30, 15);
  // a drifting component: the path bends round a pole, in the three colours
  s.line(15, 16, 21, 13, 3);
  s.line_to(25, 8, 3);
  s.line_to(24, 3, 5);
  s.line_to(19, 2, 5);
  s.line_to(13, 5, 9);
  s.line_to(11, 9, 9);
  s.circle(19, 8, 1, 13);
}

void spectrum(ImageSurface& s) {
  s.fill_rect(0, 0, 31, 31, 15);
  s.line(0, 0, 31, 0, 2);
  s.line_to(31, 31, 2);
  s.line_to(0, 31, 2);
  s.line_to(0, 0, 2);
  s.line(2, 28, 29, 28, 0);
  const int heights[] = {3, 5, 4, 9, 22, 10, 4, 3, 6, 14, 5, 3, 2};
  for (int i = 0; i < 13; ++i) {
    const float x = 3.0f + 2.0f * static_cast<float>(i);
    const int colour = heights[i] > 12 ? 5 : 3;
    s.line(x, 27, x, 27.0f - static_cast<float>(heights[i]), colour);
  }
}

}  // namespace

QImage program_icon(std::string_view program) {
  ImageSurface surface(32, 32);
  if (program == "tarvex") {
    diagram(surface);
  } else if (program == "mulrin") {
    spectrum(surface);
  } else {
    surface.fill_rect(0, 0, 31, 31, 14);
    surface.fill_rect(4, 4, 27, 27, 2);
  }
  return surface.image();
}

}  // namespace frame::qt

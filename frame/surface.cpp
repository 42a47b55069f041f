// The recording surface: every drawing call in order, and the drawing
// position that lines, circles and pixels leave behind.
#include "frame/surface.h"

namespace frame {

void RecordingSurface::clear() {
  calls.push_back(Call{Op::Clear, 0, 0, 0, 0, 0, {}});
  pos_x = pos_y = 0;
}

void RecordingSurface::fill_rect(float x1, float y1, float x2, float y2, int colour) {
  calls.push_back(Call{Op::FillRect, x1, y1, x2, y2, colour, {}});
}

void RecordingSurface::line(float x1, float y1, float x2, float y2, int colour) {
  calls.push_back(Call{Op::Line, x1, y1, x2, y2, colour, {}});
  pos_x = x2;
  pos_y = y2;
}

void RecordingSurface::line_to(float x, float y, int colour) {
  calls.push_back(Call{Op::LineTo, pos_x, pos_y, x, y, colour, {}});
  pos_x = x;
  pos_y = y;
}

void RecordingSurface::circle(float cx, float cy, float radius, int colour) {
  // x2 holds the radius.
  calls.push_back(Call{Op::Circle, cx, cy, radius, 0, colour, {}});
  pos_x = cx;
  pos_y = cy;
}

void RecordingSurface::pixel(float x, float y, int colour) {
  calls.push_back(Call{Op::Pixel, x, y, 0, 0, colour, {}});
  pos_x = x;
  pos_y = y;
}

void RecordingSurface::text(float x, float y, std::string_view text, int colour) {
  calls.push_back(Call{Op::Text, x, y, 0, 0, colour, std::string(text)});
}

}  // namespace frame

// Drawing on the main form: pixel coordinates of the client area, x to the
// right, y downward, given as singles; solid one-pixel lines in the colours of
// the 16-colour palette; drawing outside the client area is clipped.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace frame {

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// Colour numbers 0..15.
inline constexpr std::array<Rgb, 16> kPalette = {{
    {0, 0, 0},        // 0 black
    {128, 128, 128},  // 1 grey
    {0, 0, 128},      // 2 navy
    {0, 0, 255},      // 3 blue
    {128, 0, 0},      // 4 maroon
    {255, 0, 0},      // 5 red
    {128, 0, 128},    // 6 purple
    {255, 0, 255},    // 7 magenta
    {0, 128, 0},      // 8 dark green
    {0, 255, 0},      // 9 green
    {0, 128, 128},    // 10 teal
    {0, 255, 255},    // 11 cyan
    {128, 128, 0},    // 12 olive
    {255, 255, 0},    // 13 yellow
    {192, 192, 192},  // 14 silver
    {255, 255, 255},  // 15 white
}};

class Surface {
 public:
  virtual ~Surface() = default;
  // Clears everything drawn (the controls stay); the position becomes (0, 0).
  virtual void clear() = 0;
  // A filled rectangle between two corners, both included.
  virtual void fill_rect(float x1, float y1, float x2, float y2, int colour) = 0;
  // A line between two points; the position becomes the end point.
  virtual void line(float x1, float y1, float x2, float y2, int colour) = 0;
  // A line from the current position; the position becomes the end point.
  virtual void line_to(float x, float y, int colour) = 0;
  // A circle by centre and radius; the position becomes the centre.
  virtual void circle(float cx, float cy, float radius, int colour) = 0;
  // One pixel; the position becomes that point.
  virtual void pixel(float x, float y, int colour) = 0;
  // Text with its top-left corner at a point, on a transparent background.
  virtual void text(float x, float y, std::string_view text, int colour) = 0;
  // Writes the drawing as a PNG file; false when it cannot.
  virtual bool save_png(const std::string& path) = 0;
};

// Draws nothing and keeps nothing: the surface of a program run without a
// window, where no one sees the drawing. It cannot be saved.
class NullSurface : public Surface {
 public:
  void clear() override {}
  void fill_rect(float, float, float, float, int) override {}
  void line(float, float, float, float, int) override {}
  void line_to(float, float, int) override {}
  void circle(float, float, float, int) override {}
  void pixel(float, float, int) override {}
  void text(float, float, std::string_view, int) override {}
  bool save_png(const std::string&) override { return false; }
};

// Records every call, for tests: no pixels, just the operations in order.
class RecordingSurface : public Surface {
 public:
  enum class Op { Clear, FillRect, Line, LineTo, Circle, Pixel, Text };
  struct Call {
    Op op;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // LineTo: x1,y1 the start it drew from
    int colour = 0;
    std::string text;
  };
  std::vector<Call> calls;
  float pos_x = 0, pos_y = 0;

  void clear() override;
  void fill_rect(float x1, float y1, float x2, float y2, int colour) override;
  void line(float x1, float y1, float x2, float y2, int colour) override;
  void line_to(float x, float y, int colour) override;
  void circle(float cx, float cy, float radius, int colour) override;
  void pixel(float x, float y, int colour) override;
  void text(float x, float y, std::string_view text, int colour) override;
  bool save_png(const std::string&) override { return false; }
};

}  // namespace frame

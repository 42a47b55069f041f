// The off-screen drawing: exact pixels in palette colours, clipping, the
// drawing position, and the PNG it writes.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <set>

#include "frame/qt/image_surface.h"

namespace {

using frame::qt::ImageSurface;

constexpr QRgb kWhite = 0xffffffff;

QRgb colour(int n) { return frame::qt::palette_rgb(n); }

std::set<QRgb> colours_in(const QImage& image) {
  std::set<QRgb> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
  return seen;
}

TEST(ImageSurface, StartsWhiteAndClearReturnsToWhiteAtTheOrigin) {
  ImageSurface s(40, 30);
  EXPECT_EQ(colours_in(s.image()), std::set<QRgb>{kWhite});
  s.fill_rect(0, 0, 39, 29, 0);
  s.pixel(12, 7, 3);
  s.clear();
  EXPECT_EQ(colours_in(s.image()), std::set<QRgb>{kWhite});
  EXPECT_EQ(s.pos_x(), 0.0f);
  EXPECT_EQ(s.pos_y(), 0.0f);
}

TEST(ImageSurface, FilledRectangleIncludesBothCornersAndIsClipped) {
  ImageSurface s(20, 20);
  s.fill_rect(15, 12, 5, 2, 4);  // corners in any order
  EXPECT_EQ(s.image().pixel(5, 2), colour(4));
  EXPECT_EQ(s.image().pixel(15, 12), colour(4));
  EXPECT_EQ(s.image().pixel(16, 12), kWhite);
  EXPECT_EQ(s.image().pixel(15, 13), kWhite);
  s.fill_rect(-100, 18, 1e9f, 1e9f, 9);
  EXPECT_EQ(s.image().pixel(0, 19), colour(9));
  EXPECT_EQ(s.image().pixel(19, 18), colour(9));
}

TEST(ImageSurface, LineDrawsBothEndsOnePixelWideInItsColour) {
  ImageSurface s(50, 50);
  s.line(2, 3, 12, 3, 5);
  for (int x = 2; x <= 12; ++x) EXPECT_EQ(s.image().pixel(x, 3), colour(5)) << x;
  EXPECT_EQ(s.image().pixel(1, 3), kWhite);
  EXPECT_EQ(s.image().pixel(13, 3), kWhite);
  EXPECT_EQ(s.image().pixel(7, 2), kWhite);
  EXPECT_EQ(s.image().pixel(7, 4), kWhite);
  // A diagonal: one pixel per column, nothing smoothed.
  s.line(10, 10, 40, 40, 3);
  for (int i = 10; i <= 40; ++i) EXPECT_EQ(s.image().pixel(i, i), colour(3)) << i;
  EXPECT_EQ(s.image().pixel(11, 10), kWhite);
  EXPECT_EQ(colours_in(s.image()), (std::set<QRgb>{kWhite, colour(5), colour(3)}));
  EXPECT_EQ(s.pos_x(), 40.0f);
  EXPECT_EQ(s.pos_y(), 40.0f);
}

TEST(ImageSurface, PathPiecesStartWhereThePreviousEndedAndKeepItsPixel) {
  ImageSurface s(30, 30);
  s.pixel(10, 10, 15);
  s.line_to(20, 10, 3);
  s.line_to(20, 20, 5);
  EXPECT_EQ(s.image().pixel(10, 10), colour(15));  // the path's start point stays
  EXPECT_EQ(s.image().pixel(11, 10), colour(3));
  EXPECT_EQ(s.image().pixel(20, 10), colour(3));   // end of the first piece
  EXPECT_EQ(s.image().pixel(20, 11), colour(5));
  EXPECT_EQ(s.image().pixel(20, 20), colour(5));
  s.line_to(20, 20, 9);  // a piece of no length marks its end point
  EXPECT_EQ(s.image().pixel(20, 20), colour(9));
}

TEST(ImageSurface, CoordinatesRoundToTheNearestPixel) {
  ImageSurface s(10, 10);
  s.pixel(3.4f, 5.6f, 4);
  EXPECT_EQ(s.image().pixel(3, 6), colour(4));
  s.pixel(4.5f, 1.5f, 4);  // halves to even
  EXPECT_EQ(s.image().pixel(4, 2), colour(4));
}

TEST(ImageSurface, FarLinesDrawTheirVisiblePartInTheirDirection) {
  ImageSurface s(100, 60);
  s.line(-1e9f, 30, 1e9f, 30, 2);
  for (int x = 0; x < 100; ++x) EXPECT_EQ(s.image().pixel(x, 30), colour(2)) << x;
  // From a point in view towards one far off along the diagonal.
  s.line(5, 5, 3e10f, 3e10f, 13);
  for (int i = 5; i < 60; ++i) EXPECT_EQ(s.image().pixel(i, i), colour(13)) << i;
  // Entirely outside: nothing.
  ImageSurface t(10, 10);
  t.line(-50, -5, 60, -5, 0);
  t.pixel(-1, 3, 0);
  t.pixel(10, 3, 0);
  EXPECT_EQ(colours_in(t.image()), std::set<QRgb>{kWhite});
}

TEST(ImageSurface, CircleHasItsRadiusInEveryDirectionAndMovesThePosition) {
  ImageSurface s(640, 440);
  s.circle(430, 220, 100, 4);
  for (auto [x, y] : {std::pair{530, 220}, {330, 220}, {430, 120}, {430, 320},
                      {525, 189}, {335, 251}}) {
    EXPECT_EQ(s.image().pixel(x, y), colour(4)) << x << "," << y;
  }
  EXPECT_EQ(s.image().pixel(430, 220), kWhite);
  EXPECT_EQ(s.image().pixel(531, 220), kWhite);
  EXPECT_EQ(s.image().pixel(529, 220), kWhite);
  EXPECT_EQ(s.pos_x(), 430.0f);
  EXPECT_EQ(s.pos_y(), 220.0f);
  // Clipped where it leaves the image.
  s.circle(0, 0, 3, 13);
  EXPECT_EQ(s.image().pixel(3, 0), colour(13));
  EXPECT_EQ(s.image().pixel(0, 3), colour(13));
}

TEST(ImageSurface, TextIsDrawnInThePaletteColourOnATransparentBackground) {
  ImageSurface s(60, 30);
  s.fill_rect(0, 0, 59, 29, 0);
  s.text(2, 2, "+100", 15);
  const std::set<QRgb> seen = colours_in(s.image());
  EXPECT_EQ(seen, (std::set<QRgb>{colour(0), colour(15)}));
  // Nothing above or left of its top-left corner.
  for (int x = 0; x < 60; ++x) EXPECT_EQ(s.image().pixel(x, 0), colour(0));
  for (int y = 0; y < 30; ++y) EXPECT_EQ(s.image().pixel(0, y), colour(0));
}

TEST(ImageSurface, SavesThePngItShows) {
  ImageSurface s(64, 48);
  s.line(0, 0, 63, 47, 11);
  const auto path = (std::filesystem::temp_directory_path() / "qt_image_surface_test.png").string();
  ASSERT_TRUE(s.save_png(path));
  const QImage back(QString::fromStdString(path));
  ASSERT_EQ(back.size(), QSize(64, 48));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), s.image());
  EXPECT_FALSE(s.save_png("/nonexistent-folder/x.png"));
}

}  // namespace

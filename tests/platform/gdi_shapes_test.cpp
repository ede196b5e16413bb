// Lines and areas drawn straight into pictures: a pixel depends on the shape alone, never on
// how much of the shape the picture or a band of it cuts away.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/gdi_picture.h"

using zamra_test::kBlack;
using zamra_test::kBlue;
using zamra_test::kRed;
using zamra_test::kWhite;
using zamra_test::Picture;
using zamra_test::Selected;

namespace {

constexpr int kWholeWidth = 200, kWholeHeight = 150;
constexpr int kWindowX = 50, kWindowY = 40, kWindowWidth = 80, kWindowHeight = 60;

struct Shape {
  std::vector<POINT> points;
  std::vector<int> rings;  // empty: a polyline
};

// Polylines and areas of one to three rings, all within the whole picture.
std::vector<Shape> RandomShapes(unsigned seed, int count)
{
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> x(0, kWholeWidth - 1), y(0, kWholeHeight - 1), vertices(2, 9), rings(0, 3);
  std::vector<Shape> shapes(static_cast<size_t>(count));
  for (Shape& shape : shapes) {
    const int ringCount = rings(random);
    for (int r = 0; r < (ringCount == 0 ? 1 : ringCount); ++r) {
      const int n = vertices(random) + (ringCount > 0 ? 1 : 0);
      for (int i = 0; i < n; ++i)
        shape.points.push_back(POINT{x(random), y(random)});
      if (ringCount > 0)
        shape.rings.push_back(n);
    }
  }
  return shapes;
}

// Draws the shapes moved by (-dx, -dy), in red outlines over blue areas.
void Draw(HDC dc, const std::vector<Shape>& shapes, int dx, int dy)
{
  Selected pen(dc, CreatePen(PS_SOLID, 1, kRed));
  Selected brush(dc, CreateSolidBrush(kBlue));
  for (const Shape& shape : shapes) {
    std::vector<POINT> moved = shape.points;
    for (POINT& point : moved)
      point = POINT{point.x - dx, point.y - dy};
    if (shape.rings.empty())
      Polyline(dc, moved.data(), static_cast<int>(moved.size()));
    else
      PolyPolygon(dc, moved.data(), shape.rings.data(), static_cast<int>(shape.rings.size()));
  }
}

}  // namespace

TEST(GdiShapes, CutShapesKeepTheirPixels)
{
  // The same shapes in the whole picture and, moved, in a window onto its middle: every
  // window pixel matches its place in the whole, though most shapes cross the window's edges.
  for (int fillMode : {ALTERNATE, WINDING}) {
    const std::vector<Shape> shapes = RandomShapes(7 + static_cast<unsigned>(fillMode), 300);
    Picture whole(kWholeWidth, kWholeHeight);
    Picture window(kWindowWidth, kWindowHeight);
    SetPolyFillMode(whole.Dc(), fillMode);
    SetPolyFillMode(window.Dc(), fillMode);
    Draw(whole.Dc(), shapes, 0, 0);
    Draw(window.Dc(), shapes, kWindowX, kWindowY);
    int differing = 0;
    for (int y = 0; y < kWindowHeight; ++y)
      for (int x = 0; x < kWindowWidth; ++x)
        differing += window.At(x, y) != whole.At(x + kWindowX, y + kWindowY) ? 1 : 0;
    EXPECT_EQ(differing, 0) << "fill mode " << fillMode;
    EXPECT_GT(whole.Count(kBlue), 1000);
    EXPECT_GT(whole.Count(kRed), 1000);
  }
}

TEST(GdiShapes, BandsDrawTheWholePicturesPixels)
{
  const std::vector<Shape> shapes = RandomShapes(11, 300);
  Picture whole(kWholeWidth, kWholeHeight);
  Picture banded(kWholeWidth, kWholeHeight);
  Draw(whole.Dc(), shapes, 0, 0);
  for (const auto& [top, bottom] : {std::pair{0, 37}, std::pair{37, 101}, std::pair{101, kWholeHeight}}) {
    HDC band = CreateBandDC(banded.Dc(), top, bottom);
    ASSERT_NE(band, nullptr);
    Draw(band, shapes, 0, 0);
    DeleteDC(band);
  }
  const size_t bytes = static_cast<size_t>(((kWholeWidth * 24 + 31) / 32) * 4) * kWholeHeight;
  EXPECT_EQ(std::memcmp(whole.Bits(), banded.Bits(), bytes), 0);
}

TEST(GdiShapes, FarEndsAreCutWithoutOverflow)
{
  Picture picture(60, 40);
  // A row crossed from one end of the coordinates to the other; its end pixel is far away.
  MoveToEx(picture.Dc(), INT_MIN, 10, nullptr);
  LineTo(picture.Dc(), INT_MAX, 10);
  for (int x = 0; x < 60; ++x)
    EXPECT_EQ(picture.At(x, 10), kBlack) << x;
  EXPECT_EQ(picture.Count(kBlack), 60);
  // The diagonal through the picture's corner, from and to the coordinates' limits.
  picture.Fill(kWhite);
  const POINT diagonal[] = {{INT_MIN + 1, INT_MIN + 1}, {INT_MAX, INT_MAX}};
  ASSERT_TRUE(Polyline(picture.Dc(), diagonal, 2));
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(picture.At(i, i), kBlack) << i;
  EXPECT_EQ(picture.Count(kBlack), 40);
  // An area whose corners lie two thousand million pixels out covers the whole picture.
  picture.Fill(kWhite);
  SelectObject(picture.Dc(), GetStockObject(NULL_PEN));
  Selected brush(picture.Dc(), CreateSolidBrush(kBlue));
  const POINT huge[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
  ASSERT_TRUE(Polygon(picture.Dc(), huge, 3));
  EXPECT_EQ(picture.Count(kBlue), 60 * 40);
}

TEST(GdiShapes, InnerRingsCutHolesByEitherRule)
{
  Picture picture(40, 40);
  SelectObject(picture.Dc(), GetStockObject(NULL_PEN));
  Selected brush(picture.Dc(), CreateSolidBrush(kBlue));
  const int counts[] = {4, 4};
  // The inner ring runs the other way round, as a shapefile's holes do.
  const POINT opposite[] = {{5, 5}, {35, 5}, {35, 35}, {5, 35}, {15, 15}, {15, 25}, {25, 25}, {25, 15}};
  const POINT same[] = {{5, 5}, {35, 5}, {35, 35}, {5, 35}, {15, 15}, {25, 15}, {25, 25}, {15, 25}};
  for (int fillMode : {ALTERNATE, WINDING}) {
    picture.Fill(kWhite);
    SetPolyFillMode(picture.Dc(), fillMode);
    ASSERT_TRUE(PolyPolygon(picture.Dc(), opposite, counts, 2));
    EXPECT_EQ(picture.At(20, 20), kWhite) << fillMode;
    EXPECT_EQ(picture.Count(kBlue), 30 * 30 - 10 * 10) << fillMode;
  }
  // Wound the same way, the inner ring is a hole by the alternate rule only.
  picture.Fill(kWhite);
  ASSERT_TRUE(PolyPolygon(picture.Dc(), same, counts, 2));
  EXPECT_EQ(picture.Count(kBlue), 30 * 30);
}

// Smooth drawing blends the edges of lines and areas into what lies below; band contexts take it
// from their picture's context and together draw what the whole does; turned off, the pixels are
// exactly those of drawing that was never smooth.
TEST(GdiShapes, SmoothDrawingBlendsEdgesAndBandsTakeItFromTheirPicture)
{
  const std::vector<Shape> shapes = RandomShapes(13, 200);
  // Colours other than white, red and blue: pixels only blending makes.
  const auto blended = [](const Picture& picture) {
    int count = 0;
    for (int y = 0; y < kWholeHeight; ++y)
      for (int x = 0; x < kWholeWidth; ++x) {
        const COLORREF colour = picture.At(x, y);
        count += colour != kWhite && colour != kRed && colour != kBlue ? 1 : 0;
      }
    return count;
  };
  Picture exact(kWholeWidth, kWholeHeight);
  Draw(exact.Dc(), shapes, 0, 0);
  EXPECT_EQ(blended(exact), 0);

  Picture smooth(kWholeWidth, kWholeHeight);
  ASSERT_TRUE(SetSmoothDrawing(smooth.Dc(), TRUE));
  Draw(smooth.Dc(), shapes, 0, 0);
  EXPECT_GT(blended(smooth), 1000);

  Picture banded(kWholeWidth, kWholeHeight);
  SetSmoothDrawing(banded.Dc(), TRUE);
  for (const auto& [top, bottom] : {std::pair{0, 64}, std::pair{64, kWholeHeight}}) {
    HDC band = CreateBandDC(banded.Dc(), top, bottom);
    ASSERT_NE(band, nullptr);
    Draw(band, shapes, 0, 0);
    DeleteDC(band);
  }
  int differing = 0;
  for (int y = 0; y < kWholeHeight; ++y)
    for (int x = 0; x < kWholeWidth; ++x)
      differing += banded.At(x, y) != smooth.At(x, y) ? 1 : 0;
  EXPECT_LT(differing, kWholeWidth * 2) << "at most the rows where two bands meet differ";

  Picture back(kWholeWidth, kWholeHeight);
  SetSmoothDrawing(back.Dc(), TRUE);
  SetSmoothDrawing(back.Dc(), FALSE);
  Draw(back.Dc(), shapes, 0, 0);
  const size_t bytes = static_cast<size_t>(((kWholeWidth * 24 + 31) / 32) * 4) * kWholeHeight;
  EXPECT_EQ(std::memcmp(exact.Bits(), back.Bits(), bytes), 0);
  EXPECT_FALSE(SetSmoothDrawing(nullptr, TRUE));
}

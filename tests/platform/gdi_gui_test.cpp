// The drawing subset: pixels drawn into bottom-up pictures, object lifetimes, block copies.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include "platform/resources.h"
#include "support/gdi_picture.h"

using zamra_test::kBlack;
using zamra_test::kBlue;
using zamra_test::kGreen;
using zamra_test::kRed;
using zamra_test::kWhite;
using zamra_test::Picture;
using zamra_test::Selected;

TEST(Gdi, PictureIsBottomUpWithPaddedRows)
{
  Picture picture(5, 3);
  EXPECT_EQ(picture.Bits()[0], 0xFF);
  SetPixel(picture.Dc(), 0, 2, RGB(1, 2, 3));  // bottom-left as displayed
  EXPECT_EQ(picture.Bits()[0], 3);
  EXPECT_EQ(picture.Bits()[1], 2);
  EXPECT_EQ(picture.Bits()[2], 1);
  SetPixel(picture.Dc(), 0, 1, RGB(9, 9, 9));  // next row up starts 16 bytes later
  EXPECT_EQ(picture.Bits()[16], 9);
  BITMAP description{};
  ASSERT_EQ(GetObjectA(picture.Bitmap(), sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.bmWidthBytes, 16);
  EXPECT_EQ(GetDeviceCaps(picture.Dc(), HORZRES), 5);
  EXPECT_EQ(GetDeviceCaps(picture.Dc(), VERTRES), 3);
}

TEST(Gdi, AFontDescribesItselfAsItWasMade)
{
  LOGFONTA made{};
  made.lfHeight = -13;
  made.lfWeight = 700;
  std::strcpy(made.lfFaceName, "DejaVu Sans");
  HFONT font = CreateFontIndirectA(&made);
  LOGFONTA described{};
  EXPECT_EQ(GetObjectA(font, sizeof described - 1, &described), 0) << "too small a record";
  ASSERT_EQ(GetObjectA(font, sizeof described, &described), static_cast<int>(sizeof described));
  EXPECT_EQ(std::memcmp(&made, &described, sizeof made), 0);
  DeleteObject(font);
}

TEST(Gdi, PolygonIsFilledAndOutlinedWhereDrawn)
{
  Picture picture(40, 40);
  Selected pen(picture.Dc(), CreatePen(PS_SOLID, 1, kRed));
  Selected brush(picture.Dc(), CreateSolidBrush(kBlue));
  const POINT square[] = {{5, 5}, {30, 5}, {30, 30}, {5, 30}};
  ASSERT_TRUE(Polygon(picture.Dc(), square, 4));
  EXPECT_EQ(picture.At(15, 15), kBlue);
  EXPECT_EQ(picture.At(6, 6), kBlue);
  EXPECT_EQ(picture.At(29, 29), kBlue);
  for (int i = 5; i <= 30; ++i) {
    EXPECT_EQ(picture.At(i, 5), kRed) << i;
    EXPECT_EQ(picture.At(i, 30), kRed) << i;
    EXPECT_EQ(picture.At(5, i), kRed) << i;
    EXPECT_EQ(picture.At(30, i), kRed) << i;
  }
  EXPECT_EQ(picture.At(4, 4), kWhite);
  EXPECT_EQ(picture.At(31, 15), kWhite);
  EXPECT_EQ(picture.At(15, 31), kWhite);
  EXPECT_EQ(picture.At(15, 4), kWhite);
  EXPECT_EQ(picture.Count(kRed) + picture.Count(kBlue), 26 * 26);
}

TEST(Gdi, PolygonWithoutOutlineFillsExactlyItsArea)
{
  Picture picture(30, 30);
  SelectObject(picture.Dc(), GetStockObject(NULL_PEN));
  Selected brush(picture.Dc(), CreateSolidBrush(kGreen));
  const POINT square[] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  ASSERT_TRUE(Polygon(picture.Dc(), square, 4));
  EXPECT_EQ(picture.Count(kGreen), 100);
  EXPECT_EQ(picture.At(10, 10), kGreen);
  EXPECT_EQ(picture.At(19, 19), kGreen);
  EXPECT_EQ(picture.At(20, 20), kWhite);
  EXPECT_EQ(picture.At(9, 10), kWhite);
}

TEST(Gdi, AlternateRuleLeavesTheOverlapOfAStarUnfilled)
{
  // A five-pointed star drawn in one stroke: its middle is crossed twice.
  POINT star[5];
  for (int i = 0; i < 5; ++i) {
    const double angle = -M_PI / 2 + i * 4 * M_PI / 5;
    star[i] = POINT{static_cast<LONG>(std::lround(50 + 45 * std::cos(angle))),
                    static_cast<LONG>(std::lround(50 + 45 * std::sin(angle)))};
  }
  Picture picture(100, 100);
  SelectObject(picture.Dc(), GetStockObject(NULL_PEN));
  Selected brush(picture.Dc(), CreateSolidBrush(kBlue));
  ASSERT_TRUE(Polygon(picture.Dc(), star, 5));
  EXPECT_EQ(picture.At(50, 50), kWhite);  // the middle
  EXPECT_EQ(picture.At(50, 15), kBlue);   // the top point
  EXPECT_EQ(SetPolyFillMode(picture.Dc(), WINDING), ALTERNATE);
  ASSERT_TRUE(Polygon(picture.Dc(), star, 5));
  EXPECT_EQ(picture.At(50, 50), kBlue);
}

TEST(Gdi, LinesLeaveTheirEndPointUndrawn)
{
  Picture picture(20, 20);
  MoveToEx(picture.Dc(), 2, 5, nullptr);
  ASSERT_TRUE(LineTo(picture.Dc(), 10, 5));
  for (int x = 2; x < 10; ++x)
    EXPECT_EQ(picture.At(x, 5), kBlack) << x;
  EXPECT_EQ(picture.At(10, 5), kWhite);
  EXPECT_EQ(picture.At(1, 5), kWhite);
  POINT position{};
  MoveToEx(picture.Dc(), 3, 3, &position);
  EXPECT_EQ(position.x, 10);
  EXPECT_EQ(position.y, 5);
  LineTo(picture.Dc(), 3, 8);
  EXPECT_EQ(picture.At(3, 3), kBlack);
  EXPECT_EQ(picture.At(3, 7), kBlack);
  EXPECT_EQ(picture.At(3, 8), kWhite);
  MoveToEx(picture.Dc(), 10, 18, nullptr);  // leftwards and upwards as well
  LineTo(picture.Dc(), 4, 18);
  EXPECT_EQ(picture.At(10, 18), kBlack);
  EXPECT_EQ(picture.At(5, 18), kBlack);
  EXPECT_EQ(picture.At(4, 18), kWhite);
  MoveToEx(picture.Dc(), 18, 10, nullptr);
  LineTo(picture.Dc(), 18, 4);
  EXPECT_EQ(picture.At(18, 10), kBlack);
  EXPECT_EQ(picture.At(18, 5), kBlack);
  EXPECT_EQ(picture.At(18, 4), kWhite);
  const POINT path[] = {{12, 12}, {16, 12}, {16, 16}};
  ASSERT_TRUE(Polyline(picture.Dc(), path, 3));
  EXPECT_EQ(picture.At(12, 12), kBlack);
  EXPECT_EQ(picture.At(16, 12), kBlack);
  EXPECT_EQ(picture.At(16, 15), kBlack);
  EXPECT_EQ(picture.At(16, 16), kWhite);
}

TEST(Gdi, DashedPenLeavesGapsInTheBackgroundColour)
{
  Picture picture(120, 10);
  Selected pen(picture.Dc(), CreatePen(PS_DASH, 1, kBlack));
  SetBkColor(picture.Dc(), kGreen);
  MoveToEx(picture.Dc(), 0, 3, nullptr);
  LineTo(picture.Dc(), 120, 3);
  std::vector<COLORREF> row;
  for (int x = 0; x < 120; ++x)
    row.push_back(picture.At(x, 3));
  EXPECT_EQ(row[0], kBlack);
  EXPECT_EQ(row[17], kBlack);
  EXPECT_EQ(row[18], kGreen);  // opaque background fills the gaps
  EXPECT_EQ(row[23], kGreen);
  EXPECT_EQ(row[24], kBlack);

  SetBkMode(picture.Dc(), TRANSPARENT);
  Selected dotted(picture.Dc(), CreatePen(PS_DOT, 1, kRed));
  MoveToEx(picture.Dc(), 0, 6, nullptr);
  LineTo(picture.Dc(), 120, 6);
  int red = 0, white = 0;
  for (int x = 0; x < 120; ++x) {
    red += picture.At(x, 6) == kRed ? 1 : 0;
    white += picture.At(x, 6) == kWhite ? 1 : 0;
  }
  EXPECT_GT(red, 30);
  EXPECT_GT(white, 30);
  EXPECT_EQ(red + white, 120);
}

TEST(Gdi, WidePenCoversItsWidth)
{
  Picture picture(30, 30);
  Selected pen(picture.Dc(), CreatePen(PS_SOLID, 5, kBlue));
  MoveToEx(picture.Dc(), 5, 15, nullptr);
  LineTo(picture.Dc(), 25, 15);
  EXPECT_EQ(picture.At(15, 13), kBlue);
  EXPECT_EQ(picture.At(15, 17), kBlue);
  EXPECT_EQ(picture.At(15, 20), kWhite);
}

TEST(Gdi, RectangleOutlinesInsideItsRightAndBottomEdges)
{
  Picture picture(20, 20);
  Selected brush(picture.Dc(), CreateSolidBrush(kGreen));
  ASSERT_TRUE(Rectangle(picture.Dc(), 2, 3, 12, 10));
  EXPECT_EQ(picture.At(2, 3), kBlack);
  EXPECT_EQ(picture.At(11, 9), kBlack);
  EXPECT_EQ(picture.At(12, 9), kWhite);
  EXPECT_EQ(picture.At(11, 10), kWhite);
  EXPECT_EQ(picture.At(5, 5), kGreen);
  EXPECT_EQ(picture.Count(kGreen), 8 * 5);
}

TEST(Gdi, TransparentBltSkipsTheColourKey)
{
  Picture source(4, 1);
  SetPixel(source.Dc(), 0, 0, kRed);
  SetPixel(source.Dc(), 1, 0, kGreen);
  SetPixel(source.Dc(), 2, 0, kRed);
  SetPixel(source.Dc(), 3, 0, kBlue);
  Picture target(6, 2);
  ASSERT_TRUE(TransparentBlt(target.Dc(), 1, 1, 4, 1, source.Dc(), 0, 0, 4, 1, kRed));
  EXPECT_EQ(target.At(1, 1), kWhite);
  EXPECT_EQ(target.At(2, 1), kGreen);
  EXPECT_EQ(target.At(3, 1), kWhite);
  EXPECT_EQ(target.At(4, 1), kBlue);
  // Stretched twice as wide, and partly outside both pictures: clipped, never past the edges.
  ASSERT_TRUE(TransparentBlt(target.Dc(), -2, 0, 8, 1, source.Dc(), 0, 0, 4, 1, kRed));
  EXPECT_EQ(target.At(0, 0), kGreen);
  EXPECT_EQ(target.At(4, 0), kBlue);
  EXPECT_EQ(target.At(5, 0), kBlue);
  ASSERT_TRUE(TransparentBlt(target.Dc(), 0, 0, 6, 2, source.Dc(), 2, -1, 6, 2, kRed));
}

TEST(Gdi, BitBltCopiesAndClipsToBothPictures)
{
  Picture source(10, 10);
  SetPixel(source.Dc(), 0, 0, kRed);
  SetPixel(source.Dc(), 9, 9, kBlue);
  SetPixel(source.Dc(), 5, 5, kGreen);
  Picture target(8, 8);
  ASSERT_TRUE(BitBlt(target.Dc(), -5, -5, 10, 10, source.Dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(target.At(0, 0), kGreen);
  EXPECT_EQ(target.At(4, 4), kBlue);
  EXPECT_EQ(target.At(5, 5), kWhite);
  ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, 100, 100, source.Dc(), 5, 5, SRCCOPY));
  EXPECT_EQ(target.At(0, 0), kGreen);
  EXPECT_EQ(target.At(4, 4), kBlue);
  EXPECT_TRUE(BitBlt(target.Dc(), 0, 0, 8, 8, source.Dc(), 50, 50, SRCCOPY));  // nothing to copy
  // Within one picture, overlapping blocks copy as if through a separate buffer.
  ASSERT_TRUE(BitBlt(source.Dc(), 1, 1, 9, 9, source.Dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(source.At(1, 1), kRed);
  EXPECT_EQ(source.At(6, 6), kGreen);
  ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, 8, 8, nullptr, 0, 0, BLACKNESS));
  EXPECT_EQ(target.Count(kBlack), 64);
  EXPECT_FALSE(BitBlt(target.Dc(), 0, 0, 8, 8, nullptr, 0, 0, SRCCOPY));
}

TEST(Gdi, OpaqueTextOutputFillsItsRectangleWithinThePicture)
{
  Picture picture(10, 10);
  SetBkColor(picture.Dc(), kBlue);
  const RECT partly{-5, 6, 4, 50};
  ASSERT_TRUE(ExtTextOutA(picture.Dc(), 0, 0, ETO_OPAQUE, &partly, "", 0, nullptr));
  EXPECT_EQ(picture.Count(kBlue), 4 * 4);
  EXPECT_EQ(picture.At(3, 9), kBlue);
  EXPECT_EQ(picture.At(3, 5), kWhite);
}

TEST(Gdi, CentredTextStaysInsideItsBoxAndUpright)
{
  Picture picture(200, 60);
  LOGFONTA logical{};
  logical.lfHeight = 30;
  logical.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(logical.lfFaceName, "DejaVu Sans");
  Selected font(picture.Dc(), CreateFontIndirectA(&logical));
  SetBkMode(picture.Dc(), TRANSPARENT);
  SetTextColor(picture.Dc(), kBlack);
  RECT box{20, 10, 180, 50};
  ASSERT_GT(DrawTextA(picture.Dc(), "TTT", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
  int left = 200, right = -1, top = 60, bottom = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x)
      if (picture.At(x, y) != kWhite) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  ASSERT_GE(right, 0) << "no text drawn";
  EXPECT_GE(left, 20);
  EXPECT_LT(right, 180);
  EXPECT_GE(top, 10);
  EXPECT_LT(bottom, 50);
  EXPECT_NEAR((left + right) / 2.0, 100, 3);
  EXPECT_NEAR((top + bottom) / 2.0, 30, 4);
  // A "T" is upright when its widest row of ink is at the top.
  int widestRow = -1, widest = 0;
  for (int y = top; y <= bottom; ++y) {
    int ink = 0;
    for (int x = left; x <= right; ++x)
      ink += picture.At(x, y) != kWhite ? 1 : 0;
    if (ink > widest) {
      widest = ink;
      widestRow = y;
    }
  }
  EXPECT_LT(widestRow, (top + bottom) / 2);
}

TEST(Gdi, TextOutputStartsAtItsTopLeftCorner)
{
  Picture picture(100, 40);
  SetBkColor(picture.Dc(), kGreen);  // opaque mode fills the text's background
  ASSERT_TRUE(ExtTextOutA(picture.Dc(), 30, 10, 0, nullptr, "Hi", 2, nullptr));
  EXPECT_EQ(picture.At(29, 15), kWhite);
  EXPECT_EQ(picture.At(9, 9), kWhite);
  int touched = 0;
  for (int y = 10; y < 40; ++y)
    for (int x = 30; x < 100; ++x)
      touched += picture.At(x, y) != kWhite ? 1 : 0;
  EXPECT_GT(touched, 20);
}

TEST(Gdi, UnterminatedFaceNameIsCutTo31Characters)
{
  LOGFONTA logical{};
  logical.lfHeight = -12;
  std::memset(logical.lfFaceName, 'A', sizeof logical.lfFaceName);  // no terminator at all
  HFONT font = CreateFontIndirectA(&logical);
  ASSERT_NE(font, nullptr);
  Picture picture(60, 20);
  Selected selected(picture.Dc(), font);
  RECT box{0, 0, 60, 20};
  EXPECT_GT(DrawTextA(picture.Dc(), "x", 1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
}

TEST(Gdi, DeletingASelectedObjectWaitsUntilItIsReleased)
{
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
  HGDIOBJ stock = SelectObject(dc, bitmap);
  ASSERT_NE(stock, nullptr);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // one context at a time
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(SetPixel(dc, 1, 1, kRed), kRed);  // still there
  EXPECT_EQ(GetPixel(dc, 1, 1), kRed);
  EXPECT_EQ(SelectObject(dc, stock), bitmap);  // released now, so freed
  EXPECT_FALSE(DeleteObject(bitmap));          // a stale handle is refused
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);  // the stock picture is not drawn on
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_NE(GetStockObject(BLACK_PEN), nullptr);
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_FALSE(LineTo(dc, 1, 1));
}

TEST(Gdi, RefusesPicturesItCannotHold)
{
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = reinterpret_cast<void*>(1);
  info.bmiHeader.biWidth = 0;
  info.bmiHeader.biHeight = 10;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  info.bmiHeader.biWidth = 100000;
  info.bmiHeader.biHeight = 100000;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  info.bmiHeader.biWidth = 10;
  info.bmiHeader.biBitCount = 32;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(Gdi, ScanLinesReadBottomUpOrTopDown)
{
  Picture picture(3, 2);
  SetPixel(picture.Dc(), 0, 0, RGB(10, 20, 30));  // top-left
  BITMAPINFO info{};
  ASSERT_EQ(GetDIBits(picture.Dc(), picture.Bitmap(), 0, 2, nullptr, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(info.bmiHeader.biWidth, 3);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
  std::vector<unsigned char> rows(24);
  ASSERT_EQ(GetDIBits(picture.Dc(), picture.Bitmap(), 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[12], 30);  // bottom-up: the top row comes second
  info.bmiHeader.biHeight = -2;
  ASSERT_EQ(GetDIBits(picture.Dc(), picture.Bitmap(), 0, 5, rows.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[0], 30);
  EXPECT_EQ(rows[1], 20);
  EXPECT_EQ(rows[2], 10);
  EXPECT_EQ(GetDIBits(picture.Dc(), picture.Bitmap(), 2, 1, rows.data(), &info, DIB_RGB_COLORS), 0);
}

TEST(Gdi, RegisteredResourceLoadsByNumber)
{
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(QColor(0, 0, 255));
  image.setPixelColor(2, 0, QColor(255, 0, 0));
  RegisterBitmapResource(143, image);
  HBITMAP bitmap = LoadBitmapResource(nullptr, 143);
  ASSERT_NE(bitmap, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bitmap);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 3);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 2);
  EXPECT_EQ(GetPixel(dc, 2, 0), kRed);
  EXPECT_EQ(GetPixel(dc, 0, 1), kBlue);
  DeleteObject(bitmap);
  DeleteDC(dc);
  EXPECT_EQ(LoadBitmapResource(nullptr, 144), nullptr);
  RegisterBitmapResource(143, QImage());
  EXPECT_EQ(LoadBitmapResource(nullptr, 143), nullptr);
}

TEST(Gdi, PaintDeviceContextDrawsTopDown)
{
  auto* image = new QImage(20, 20, QImage::Format_RGB32);
  image->fill(Qt::white);
  HDC dc = CreateDCForPaintDevice(image, false);
  Selected brush(dc, CreateSolidBrush(kBlue));
  const POINT square[] = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
  ASSERT_TRUE(Polygon(dc, square, 4));
  Picture source(3, 3);
  SetPixel(source.Dc(), 0, 0, kRed);
  ASSERT_TRUE(BitBlt(dc, 12, 12, 3, 3, source.Dc(), 0, 0, SRCCOPY));
  ASSERT_TRUE(TransparentBlt(dc, 16, 16, 3, 3, source.Dc(), 0, 0, 3, 3, kWhite));
  DeleteDC(dc);
  EXPECT_EQ(image->pixelColor(5, 5), QColor(0, 0, 255));
  EXPECT_EQ(image->pixelColor(2, 2), QColor(0, 0, 0));
  EXPECT_EQ(image->pixelColor(12, 12), QColor(255, 0, 0));
  EXPECT_EQ(image->pixelColor(13, 12), QColor(255, 255, 255));
  EXPECT_EQ(image->pixelColor(16, 16), QColor(255, 0, 0));
  delete image;
}

TEST(Gdi, DevicePixelContextDrawsAtTheDevicesOwnPixels)
{
  // An image of ratio r stands for a widget on a screen of ratio r: what a device-pixel context
  // draws lands pixel for pixel, where a plain one is scaled up by the ratio.
  for (const double ratio : {1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    const int side = static_cast<int>(20 * ratio);
    QImage image(side, side, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);  // 20 x 20 of the device's own units
    image.fill(Qt::white);
    Picture checker(side, side);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        if ((x + y) % 2 == 0)
          SetPixel(checker.Dc(), x, y, kBlue);
    HDC dc = CreateDCForDevicePixels(&image, false);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), side);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), side);
    ASSERT_TRUE(BitBlt(dc, 0, 0, side, side, checker.Dc(), 0, 0, SRCCOPY));
    MoveToEx(dc, 2, 5, nullptr);  // the default pen: one pixel
    LineTo(dc, side - 2, 5);
    DeleteDC(dc);
    int differing = 0;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const QColor expected = y == 5 && x >= 2 && x < side - 2
                                    ? QColor(0, 0, 0)
                                    : ((x + y) % 2 == 0 ? QColor(0, 0, 255) : QColor(Qt::white));
        if (y == 5 && x == side - 2)
          continue;  // a line's end pixel on a paint device is Qt's to draw or not
        differing += image.pixelColor(x, y) != expected ? 1 : 0;
      }
    EXPECT_EQ(differing, 0);
  }
  // An image of a fractional size in units is as wide as its pixels.
  QImage odd(31, 31, QImage::Format_RGB32);
  odd.setDevicePixelRatio(1.5);  // 20.67 units
  HDC dc = CreateDCForDevicePixels(&odd, false);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 31);
  DeleteDC(dc);
}

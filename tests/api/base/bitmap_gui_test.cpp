// ZMBitmap: pictures, turns, scaling, blending, and BMP/PNG/JPEG files checked by other decoders.
// SPDX-License-Identifier: MIT
#include "api/base/bitmap.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <QByteArray>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include "platform/resources.h"
#include "platform/system_calls.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::TempDir;

// The visible bytes of a block (padding left out), row by row as stored.
std::vector<unsigned char> Visible(const unsigned char* bits, int width, int height)
{
  std::vector<unsigned char> out;
  const int stride = ZMBitmap::GetWidthByteSize24(width);
  for (int row = 0; row < height; ++row)
    out.insert(out.end(), bits + row * stride, bits + row * stride + width * 3);
  return out;
}

// A picture of distinct pixels: (x, y) from the top-left gets red x*40, green y*40, blue 7.
HDC PatternPicture(int width, int height, unsigned char** bits)
{
  HDC dc = ZMBitmap::CreateMemDc(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      SetPixel(dc, x, y, RGB(x * 40, y * 40, 7));
  return dc;
}

int OpenDescriptors()
{
  int count = 0;
  for (int descriptor = 0; descriptor < 1024; ++descriptor)
    count += fcntl(descriptor, F_GETFD) != -1 ? 1 : 0;
  return count;
}

HDC RandomPicture(int width, int height, unsigned char** bits, unsigned seed)
{
  HDC dc = ZMBitmap::CreateMemDc(width, height, bits);
  std::mt19937 random(seed);
  const int size = ZMBitmap::GetBmpDataSize24(width, height);
  for (int i = 0; i < size; ++i)
    (*bits)[i] = static_cast<unsigned char>(random());
  return dc;
}

QColor ColorAt(HDC dc, int x, int y)
{
  const COLORREF color = GetPixel(dc, x, y);
  return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

struct DecodedJpeg {
  int width = 0, height = 0, components = 0;
  std::vector<unsigned char> pixels;  // top-down RGB
  bool ok = false;
};

struct TestJpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

constexpr unsigned char kStartOfFrame[] = {0xff, 0xc0};  // baseline frame header
constexpr unsigned char kStartOfScan[] = {0xff, 0xda};

DecodedJpeg DecodeWithLibjpeg(const std::string& path)
{
  DecodedJpeg result;
  FILE* volatile file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return result;
  jpeg_decompress_struct info{};
  TestJpegErrors errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<TestJpegErrors*>(c->err)->jump, 1); };
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return DecodedJpeg();
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  result.width = static_cast<int>(info.output_width);
  result.height = static_cast<int>(info.output_height);
  result.components = info.output_components;
  result.pixels.resize(static_cast<std::size_t>(result.width) * result.height * result.components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = result.pixels.data() + info.output_scanline * result.width * result.components;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  result.ok = true;
  return result;
}

}  // namespace

TEST(ZMBitmap, StrideAndBlockSize)
{
  EXPECT_EQ(ZMBitmap::GetWidthByteSize24(1), 4);
  EXPECT_EQ(ZMBitmap::GetWidthByteSize24(4), 12);
  EXPECT_EQ(ZMBitmap::GetWidthByteSize24(5), 16);
  EXPECT_EQ(ZMBitmap::GetBmpDataSize24(5, 3), 48);
  EXPECT_EQ(ZMBitmap::GetWidthByteSize24(0), 0);
  EXPECT_EQ(ZMBitmap::GetBmpDataSize24(100000, 100000), 0);  // would not fit an int
}

TEST(ZMBitmap, FreshPictureIsWhiteAndBottomUp)
{
  unsigned char* bits = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(5, 3, &bits);
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(bits, nullptr);
  for (unsigned char byte : Visible(bits, 5, 3))
    ASSERT_EQ(byte, 0xFF);
  SetPixel(dc, 0, 2, RGB(10, 20, 30));  // bottom-left as displayed
  EXPECT_EQ(bits[0], 30);
  EXPECT_EQ(bits[1], 20);
  EXPECT_EQ(bits[2], 10);
  EXPECT_TRUE(DeleteDC(dc));

  bits = reinterpret_cast<unsigned char*>(1);
  EXPECT_EQ(ZMBitmap::CreateMemDc(0, 3, &bits), nullptr);
  EXPECT_EQ(bits, nullptr);
  EXPECT_EQ(ZMBitmap::CreateMemDc(5, -1), nullptr);
  EXPECT_EQ(ZMBitmap::CreateMemDc(100000, 100000), nullptr);
}

TEST(ZMBitmap, SavedBmpReadsBackThroughQt)
{
  TempDir dir;
  unsigned char* bits = nullptr;
  HDC one = ZMBitmap::CreateMemDc(1, 1, &bits);
  ASSERT_EQ(ZMBitmap::SaveBmp(bits, 1, 1, dir.File("one.bmp").c_str()), 1);
  const std::vector<unsigned char> file = zamra_test::ReadAll(dir.File("one.bmp"));
  ASSERT_EQ(file.size(), 58u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[2] | file[3] << 8 | file[4] << 16 | file[5] << 24, 58);
  EXPECT_EQ(file[10], 54);
  DeleteDC(one);

  HDC dc = PatternPicture(7, 3, &bits);
  ASSERT_EQ(ZMBitmap::SaveBmp(bits, 7, 3, dir.File("pattern.bmp").c_str()), 1);
  const QImage image = QImageReader(QString::fromStdString(dir.File("pattern.bmp"))).read();
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(7, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(image.pixelColor(x, y), QColor(x * 40, y * 40, 7)) << x << "," << y;

  // An area reaching past the picture keeps its size; the outside part is white.
  ASSERT_EQ(ZMBitmap::SaveBmp(dc, 5, 1, 4, 4, dir.File("area.bmp").c_str()), 1);
  const QImage area = QImageReader(QString::fromStdString(dir.File("area.bmp"))).read();
  ASSERT_EQ(area.size(), QSize(4, 4));
  EXPECT_EQ(area.pixelColor(0, 0), QColor(200, 40, 7));
  EXPECT_EQ(area.pixelColor(1, 1), QColor(240, 80, 7));
  EXPECT_EQ(area.pixelColor(2, 0), QColor(255, 255, 255));
  EXPECT_EQ(area.pixelColor(0, 2), QColor(255, 255, 255));
  DeleteDC(dc);
}

TEST(ZMBitmap, SaveBmpReportsFilesItCannotWrite)
{
  TempDir dir;
  unsigned char* bits = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(8, 8, &bits);
  EXPECT_EQ(ZMBitmap::SaveBmp(bits, 8, 8, dir.File("missing/x.bmp").c_str()), 0);
  EXPECT_EQ(ZMBitmap::SaveBmp(bits, 8, 8, "/dev/full"), 0);  // every write fails: disk full
  EXPECT_EQ(ZMBitmap::SaveBmp(bits, 0, 8, dir.File("empty.bmp").c_str()), 0);
  EXPECT_EQ(ZMBitmap::SaveBmp(nullptr, 0, 0, 8, 8, dir.File("nodc.bmp").c_str()), 0);
  DeleteDC(dc);
}

TEST(ZMBitmap, LoadsBitmapFilesWrittenByQt)
{
  TempDir dir;
  QImage image(6, 4, QImage::Format_RGB888);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      image.setPixelColor(x, y, QColor(x * 40, y * 60, 99));
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("qt.bmp")), "BMP"));
  const std::u16string widePath = QString::fromStdString(dir.File("qt.bmp")).toStdU16String();

  int width = 0, height = 0;
  HDC dc = ZMBitmap::LoadBmp(widePath.c_str(), width, height);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(width, 6);
  EXPECT_EQ(height, 4);
  EXPECT_EQ(ColorAt(dc, 5, 3), QColor(200, 180, 99));
  DeleteDC(dc);

  dc = ZMBitmap::LoadBmp(dir.File("qt.bmp").c_str(), width, height);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(ColorAt(dc, 1, 2), QColor(40, 120, 99));
  DeleteDC(dc);

  unsigned char* bits = nullptr;
  dc = ZMBitmap::LoadBmp(widePath.c_str(), width, height, &bits);
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(bits[0], 99);  // bottom-left: blue, green, red
  EXPECT_EQ(bits[1], 180);
  EXPECT_EQ(bits[2], 0);
  DeleteDC(dc);

  zamra_test::WriteAll(dir.File("bad.bmp"), {'B', 'M', 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 1, 2, 3});
  EXPECT_EQ(ZMBitmap::LoadBmp(dir.File("bad.bmp").c_str(), width, height), nullptr);
  EXPECT_EQ(ZMBitmap::LoadBmp(dir.File("none.bmp").c_str(), width, height), nullptr);
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("png.bmp")), "PNG"));
  EXPECT_EQ(ZMBitmap::LoadBmp(dir.File("png.bmp").c_str(), width, height), nullptr);  // not a bitmap file
}

TEST(ZMBitmap, LoadBmpFromAHandleLeavesTheBitmapToTheCaller)
{
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
  int width = 0, height = 0;
  HDC dc = ZMBitmap::LoadBmp(bitmap, width, height);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(ZMBitmap::LoadBmp(bitmap, width, height), nullptr);  // already in a context
  DeleteDC(dc);
  BITMAP description{};
  EXPECT_NE(GetObjectA(bitmap, sizeof description, &description), 0);  // still alive
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(ZMBitmap, LoadsTheProgramsBitmapResources)
{
  QImage image(4, 2, QImage::Format_RGB32);
  image.fill(QColor(1, 2, 3));
  RegisterBitmapResource(132, image);
  int width = 0, height = 0;
  HDC dc = ZMBitmap::LoadBmp(132u, width, height, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(ColorAt(dc, 3, 1), QColor(1, 2, 3));
  DeleteDC(dc);
  EXPECT_EQ(ZMBitmap::LoadBmp(9999u, width, height, nullptr), nullptr);
  RegisterBitmapResource(132, QImage());
}

TEST(ZMBitmap, TurnsComposeAsTheyShould)
{
  unsigned char* source = nullptr;
  HDC original = RandomPicture(5, 3, &source, 7);
  const std::vector<unsigned char> start = Visible(source, 5, 3);
  int w = 0, h = 0, w2 = 0, h2 = 0;
  unsigned char *turned = nullptr, *back = nullptr;

  HDC quarter = ZMBitmap::Rotate90(5, 3, source, w, h, &turned);
  ASSERT_NE(quarter, nullptr);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 5);
  // Clockwise as displayed: the top-left pixel goes to the top-right corner.
  EXPECT_EQ(GetPixel(quarter, 2, 0), GetPixel(original, 0, 0));
  EXPECT_EQ(GetPixel(quarter, 0, 4), GetPixel(original, 4, 2));
  HDC restored = ZMBitmap::RotateBack90(w, h, turned, w2, h2, &back);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(w2, 5);
  EXPECT_EQ(h2, 3);
  EXPECT_EQ(Visible(back, 5, 3), start);
  DeleteDC(quarter);
  DeleteDC(restored);

  unsigned char *half = nullptr, *flipped = nullptr, *mirrored = nullptr;
  HDC halfDc = ZMBitmap::Rotate180(5, 3, source, w, h, &half);
  HDC flippedDc = ZMBitmap::RotateV(5, 3, source, w, h, &flipped);
  EXPECT_EQ(GetPixel(flippedDc, 1, 0), GetPixel(original, 1, 2));
  HDC mirroredDc = ZMBitmap::RotateH(5, 3, flipped, w, h, &mirrored);
  EXPECT_EQ(Visible(half, 5, 3), Visible(mirrored, 5, 3));
  EXPECT_EQ(GetPixel(halfDc, 0, 0), GetPixel(original, 4, 2));
  DeleteDC(halfDc);
  DeleteDC(flippedDc);
  DeleteDC(mirroredDc);

  EXPECT_EQ(ZMBitmap::Rotate90(0, 3, source, w, h, &turned), nullptr);
  EXPECT_EQ(turned, nullptr);
  EXPECT_EQ(ZMBitmap::RotateV(5, 3, nullptr, w, h, &turned), nullptr);
  DeleteDC(original);
}

TEST(ZMBitmap, ScaleAveragesTheCoveredArea)
{
  unsigned char* source = nullptr;
  HDC original = RandomPicture(7, 5, &source, 3);
  unsigned char* same = nullptr;
  HDC copy = ZMBitmap::Scale(source, 7, 5, &same, 7, 5);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Visible(same, 7, 5), Visible(source, 7, 5));
  DeleteDC(copy);
  DeleteDC(original);

  // 2 x 2 into 1 x 1: the mean of the four pixels (truncated).
  HDC square = ZMBitmap::CreateMemDc(2, 2, &source);
  SetPixel(square, 0, 0, RGB(0, 0, 0));
  SetPixel(square, 1, 0, RGB(100, 10, 255));
  SetPixel(square, 0, 1, RGB(200, 20, 255));
  SetPixel(square, 1, 1, RGB(101, 31, 255));
  unsigned char* small = nullptr;
  HDC shrunk = ZMBitmap::Scale(source, 2, 2, &small, 1, 1);
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(GetPixel(shrunk, 0, 0), RGB(100, 15, 191));
  unsigned char* large = nullptr;
  HDC enlarged = ZMBitmap::Scale(small, 1, 1, &large, 3, 2);
  ASSERT_NE(enlarged, nullptr);
  // Thirds do not add up exactly in single precision; the truncated sums may lose one level.
  const COLORREF spread = GetPixel(enlarged, 2, 1);
  EXPECT_NEAR(GetRValue(spread), 100, 1);
  EXPECT_NEAR(GetGValue(spread), 15, 1);
  EXPECT_NEAR(GetBValue(spread), 191, 1);
  DeleteDC(enlarged);
  DeleteDC(shrunk);
  EXPECT_EQ(ZMBitmap::Scale(source, 2, 2, &small, 0, 1), nullptr);
  DeleteDC(square);
}

TEST(ZMBitmap, AlphaBlendWeighsTheSourceInPercent)
{
  unsigned char *target = nullptr, *source = nullptr;
  HDC targetDc = ZMBitmap::CreateMemDc(4, 4, &target);
  HDC sourceDc = ZMBitmap::CreateMemDc(4, 4, &source);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      SetPixel(sourceDc, x, y, RGB(0, 0, 0));
  SetPixel(sourceDc, 0, 0, RGB(10, 20, 30));
  ZMBitmap::AlphaBlt(target, 4, 4, source, 4, 4, 1, 1, 0, 0, 1, 1, 100);
  EXPECT_EQ(GetPixel(targetDc, 1, 1), RGB(10, 20, 30));  // rows count from the top
  ZMBitmap::AlphaBlt(target, 4, 4, source, 4, 4, 0, 0, 0, 0, 4, 4, 0);
  EXPECT_EQ(GetPixel(targetDc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(targetDc, 1, 1), RGB(10, 20, 30));
  ZMBitmap::AlphaBlt(target, 4, 4, source, 4, 4, 2, 2, 1, 1, 10, 10, 50);  // clipped to both
  EXPECT_EQ(GetPixel(targetDc, 3, 3), RGB(127, 127, 127));
  EXPECT_EQ(GetPixel(targetDc, 1, 2), RGB(255, 255, 255));
  // Starting outside the target: only the overlapping part is blended.
  ZMBitmap::AlphaBlt(target, 4, 4, source, 4, 4, -3, -3, 0, 0, 4, 4, 100);
  EXPECT_EQ(GetPixel(targetDc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(targetDc, 1, 0), RGB(255, 255, 255));
  ZMBitmap::AlphaBlt(target, 4, 4, source, 4, 4, 0, 0, -2, -100, 4, 4, 100);  // nothing left
  EXPECT_EQ(GetPixel(targetDc, 2, 1), RGB(255, 255, 255));
  DeleteDC(targetDc);
  DeleteDC(sourceDc);
}

TEST(ZMBitmap, PngRowsHoldNoPaddingAndReadBackThroughLibpng)
{
  TempDir dir;
  unsigned char* bits = nullptr;
  HDC dc = PatternPicture(5, 3, &bits);
  ASSERT_EQ(ZMBitmap::WritePNG(dir.File("p.png").c_str(), dc, RECT{0, 0, 5, 3}), 1);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, dir.File("p.png").c_str()));
  EXPECT_EQ(image.width, 5u);
  EXPECT_EQ(image.height, 3u);
  EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGB));
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_EQ(pixels.size(), 5u * 3 * 3);  // rows of exactly width x 3 bytes
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const unsigned char* p = &pixels[static_cast<std::size_t>((y * 5 + x) * 3)];
      EXPECT_EQ(p[0], x * 40);
      EXPECT_EQ(p[1], y * 40);
      EXPECT_EQ(p[2], 7);
    }

  ASSERT_EQ(ZMBitmap::WritePNG(dir.File("area.png").c_str(), dc, RECT{3, -1, 7, 2}), 1);
  const QImage area = QImageReader(QString::fromStdString(dir.File("area.png"))).read();
  ASSERT_EQ(area.size(), QSize(4, 3));
  EXPECT_EQ(area.pixelColor(0, 1), QColor(120, 0, 7));
  EXPECT_EQ(area.pixelColor(0, 0), QColor(255, 255, 255));
  EXPECT_EQ(area.pixelColor(3, 1), QColor(255, 255, 255));

  EXPECT_EQ(ZMBitmap::WritePNG(dir.File("empty.png").c_str(), dc, RECT{2, 2, 2, 5}), 0);
  EXPECT_EQ(ZMBitmap::WritePNG(dir.File("missing/x.png").c_str(), dc, RECT{0, 0, 5, 3}), 0);
  // The whole picture saved from its bits is the file written from its context.
  ASSERT_EQ(ZMBitmap::SavePng(bits, 5, 3, dir.File("bits.png").c_str()), 1);
  EXPECT_EQ(zamra_test::ReadAll(dir.File("bits.png")), zamra_test::ReadAll(dir.File("p.png")));
  EXPECT_EQ(ZMBitmap::SavePng(nullptr, 5, 3, dir.File("none.png").c_str()), 0);
  EXPECT_EQ(ZMBitmap::SavePng(bits, 0, 3, dir.File("none.png").c_str()), 0);
  DeleteDC(dc);
}

TEST(ZMBitmap, TallPngsDeflatedInPiecesReadBackWhole)
{
  // Tall enough to be deflated in pieces on every core; random halves and flat halves, so
  // that the pieces hold both stored-like and well-compressed data.
  TempDir dir;
  constexpr int kWidth = 301, kHeight = 1100;
  unsigned char* bits = nullptr;
  HDC dc = RandomPicture(kWidth, kHeight, &bits, 5);
  for (int y = 0; y < kHeight; y += 2)
    for (int x = 0; x < kWidth; ++x)
      SetPixel(dc, x, y, RGB(200, 180, (x / 50) * 40));
  ASSERT_EQ(ZMBitmap::WritePNG(dir.File("tall.png").c_str(), dc, RECT{0, 0, kWidth, kHeight}), 1);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, dir.File("tall.png").c_str()));
  ASSERT_EQ(image.width, static_cast<png_uint_32>(kWidth));
  ASSERT_EQ(image.height, static_cast<png_uint_32>(kHeight));
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
  int differing = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const unsigned char* p = &pixels[static_cast<size_t>((y * kWidth + x) * 3)];
      differing += RGB(p[0], p[1], p[2]) != GetPixel(dc, x, y) ? 1 : 0;
    }
  EXPECT_EQ(differing, 0);
  DeleteDC(dc);
}

TEST(ZMBitmap, JpegRoundTripsThroughLibjpeg)
{
  TempDir dir;
  unsigned char* bits = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(16, 8, &bits);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x)
      SetPixel(dc, x, y, x < 8 ? RGB(200, 30, 30) : RGB(20, 40, 220));
  ASSERT_EQ(ZMBitmap::WriteJpeg(dir.File("j.jpg").c_str(), dc, RECT{0, 0, 16, 8}), 1);

  const DecodedJpeg decoded = DecodeWithLibjpeg(dir.File("j.jpg"));
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.width, 16);
  EXPECT_EQ(decoded.height, 8);
  ASSERT_EQ(decoded.components, 3);
  const unsigned char* left = &decoded.pixels[(2 * 16 + 2) * 3];
  EXPECT_NEAR(left[0], 200, 8);
  EXPECT_NEAR(left[1], 30, 8);
  EXPECT_NEAR(left[2], 30, 8);

  int width = 0, height = 0;
  HDC loaded = ZMBitmap::LoadJpeg(dir.File("j.jpg").c_str(), width, height);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 8);
  const COLORREF right = GetPixel(loaded, 13, 6);
  EXPECT_NEAR(GetRValue(right), 20, 8);
  EXPECT_NEAR(GetGValue(right), 40, 8);
  EXPECT_NEAR(GetBValue(right), 220, 8);
  DeleteDC(loaded);
  DeleteDC(dc);
}

TEST(ZMBitmap, LoadJpegRefusesWhatItCannotDecode)
{
  TempDir dir;
  const int open = OpenDescriptors();
  int width = -1, height = -1;
  QImage grey(8, 8, QImage::Format_Grayscale8);
  grey.fill(128);
  ASSERT_TRUE(grey.save(QString::fromStdString(dir.File("grey.jpg")), "JPEG"));
  ASSERT_EQ(DecodeWithLibjpeg(dir.File("grey.jpg")).components, 1);
  EXPECT_EQ(ZMBitmap::LoadJpeg(dir.File("grey.jpg").c_str(), width, height), nullptr);

  // Fatal decoding errors come back as failures instead of ending the process.
  zamra_test::WriteAll(dir.File("text.jpg"), {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
  EXPECT_EQ(ZMBitmap::LoadJpeg(dir.File("text.jpg").c_str(), width, height), nullptr);
  std::vector<unsigned char> header = zamra_test::ReadAll(dir.File("grey.jpg"));
  header.resize(20);
  zamra_test::WriteAll(dir.File("cut.jpg"), header);
  EXPECT_EQ(ZMBitmap::LoadJpeg(dir.File("cut.jpg").c_str(), width, height), nullptr);
  EXPECT_EQ(ZMBitmap::LoadJpeg(dir.File("none.jpg").c_str(), width, height), nullptr);
  // A 52-byte header claiming 9121 x 63513 pixels (found by the fuzzer): libjpeg would pad it
  // with grey into 1.7 GB of picture; no file that small can hold that many blocks.
  const QByteArray claim = QByteArray::fromBase64(
      "/9j/4AABAQEBAQH/wAARCCOh+BkDASJbAhEBAxHz8unq6PT19vf4+fr/2gAMAwEAAhEDmA==");
  zamra_test::WriteAll(dir.File("claim.jpg"), std::vector<unsigned char>(claim.begin(), claim.end()));
  EXPECT_EQ(ZMBitmap::LoadJpeg(dir.File("claim.jpg").c_str(), width, height), nullptr);
  // Whole tables and a frame claiming 4000 x 4000 pixels, cut after the scan header: libjpeg
  // would answer a grey picture of 48 MB for it.
  QImage colour(8, 8, QImage::Format_RGB888);
  colour.fill(QColor(200, 30, 30));
  ASSERT_TRUE(colour.save(QString::fromStdString(dir.File("colour.jpg")), "JPEG"));
  std::vector<unsigned char> cut = zamra_test::ReadAll(dir.File("colour.jpg"));
  const auto frame = std::search(cut.begin(), cut.end(), kStartOfFrame, kStartOfFrame + 2);
  const auto scan = std::search(cut.begin(), cut.end(), kStartOfScan, kStartOfScan + 2);
  ASSERT_TRUE(frame != cut.end() && scan != cut.end());
  frame[5] = frame[7] = 4000 >> 8;
  frame[6] = frame[8] = 4000 & 0xff;
  cut.resize(static_cast<std::size_t>(scan - cut.begin()) + 2 + 12);
  zamra_test::WriteAll(dir.File("claim2.jpg"), cut);
  EXPECT_EQ(DecodeWithLibjpeg(dir.File("claim2.jpg")).width, 4000);
  EXPECT_EQ(ZMBitmap::LoadJpeg(dir.File("claim2.jpg").c_str(), width, height), nullptr);
  EXPECT_EQ(width, -1);
  EXPECT_EQ(OpenDescriptors(), open) << "each refused file is closed";

  // The tightest real pictures, one colour all over, still load.
  QImage plain(1600, 1200, QImage::Format_RGB888);
  plain.fill(QColor(40, 90, 160));
  ASSERT_TRUE(plain.save(QString::fromStdString(dir.File("plain.jpg")), "JPEG", 0));
  HDC loaded = ZMBitmap::LoadJpeg(dir.File("plain.jpg").c_str(), width, height);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(width, 1600);
  DeleteDC(loaded);

  unsigned char* bits = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(4, 4, &bits);
  EXPECT_EQ(ZMBitmap::WriteJpeg(dir.File("missing/x.jpg").c_str(), dc, RECT{0, 0, 4, 4}), 0);
  EXPECT_EQ(ZMBitmap::WriteJpeg(dir.File("empty.jpg").c_str(), dc, RECT{0, 0, 0, 4}), 0);
  DeleteDC(dc);
}

TEST(ZMBitmap, LoadJpegReportsAFileItCannotOpenOrReadAndKeepsIt)
{
  using zamra::sys::Call;
  using zamra::sys::ScopedCallFailure;
  TempDir dir;
  const std::string path = dir.File("noise.jpg");
  unsigned char* bits = nullptr;
  HDC dc = RandomPicture(128, 128, &bits, 3);
  ASSERT_EQ(ZMBitmap::WriteJpeg(path.c_str(), dc, RECT{0, 0, 128, 128}), 1);
  DeleteDC(dc);
  const std::vector<unsigned char> saved = zamra_test::ReadAll(path);
  ASSERT_GT(saved.size(), 3 * 4096u) << "noise at full quality: several reads' worth";
  const int open = OpenDescriptors();
  int width = -1, height = -1;
  {
    ScopedCallFailure refused(Call::kOpen, EACCES);
    EXPECT_EQ(ZMBitmap::LoadJpeg(path.c_str(), width, height), nullptr);
  }
  {
    ScopedCallFailure broken(Call::kRead, EIO);
    EXPECT_EQ(ZMBitmap::LoadJpeg(path.c_str(), width, height), nullptr);
  }
  {
    // The header has come, the pixels fail: a read error is no cut file to pad with grey.
    ScopedCallFailure broken(Call::kRead, EIO, 1);
    EXPECT_EQ(ZMBitmap::LoadJpeg(path.c_str(), width, height), nullptr);
  }
  EXPECT_EQ(width, -1);
  EXPECT_EQ(OpenDescriptors(), open) << "nothing left open";
  EXPECT_EQ(zamra_test::ReadAll(path), saved);
  HDC loaded = ZMBitmap::LoadJpeg(path.c_str(), width, height);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(width, 128);
  EXPECT_EQ(height, 128);
  DeleteDC(loaded);
}

TEST(ZMBitmap, GetBmpCopiesTheArea)
{
  unsigned char* bits = nullptr;
  HDC dc = PatternPicture(6, 4, &bits);
  HBITMAP bitmap = ZMBitmap::GetBmp(dc, 3, 2);
  ASSERT_NE(bitmap, nullptr);
  const QImage image = ImageFromBitmap(bitmap);
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixelColor(2, 1), QColor(80, 40, 7));
  DeleteObject(bitmap);
  DeleteDC(dc);
  EXPECT_EQ(ZMBitmap::GetBmp(nullptr, 3, 2), nullptr);
}

TEST(ZMBitmap, ClipboardCarriesAPicture)
{
  unsigned char* bits = nullptr;
  HDC dc = PatternPicture(5, 3, &bits);
  HBITMAP bitmap = ZMBitmap::GetBmp(dc, 5, 3);
  ASSERT_EQ(ZMBitmap::CopyToClipboard(bitmap), 1);
  HBITMAP pasted = ZMBitmap::GetClipboardBmp();
  ASSERT_NE(pasted, nullptr);
  const QImage image = ImageFromBitmap(pasted);
  ASSERT_EQ(image.size(), QSize(5, 3));
  EXPECT_EQ(image.pixelColor(4, 2), QColor(160, 80, 7));
  EXPECT_EQ(ZMBitmap::CopyToClipboard(nullptr), 0);  // empties it
  EXPECT_EQ(ZMBitmap::GetClipboardBmp(), nullptr);
  DeleteDC(dc);
}

TEST(ZMBitmap, CaptureScreenCopiesThePrimaryScreenOrReportsNone)
{
  int width = 0, height = 0;
  HDC dc = ZMBitmap::CaptureScreen(width, height);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (dc == nullptr) {
    SUCCEED() << "no screen to grab here";
    return;
  }
  ASSERT_NE(screen, nullptr);
  const QSize expected = screen->grabWindow(0).size();
  EXPECT_EQ(width, expected.width());
  EXPECT_EQ(height, expected.height());
  EXPECT_NE(GetPixel(dc, width - 1, height - 1), CLR_INVALID);
  DeleteDC(dc);
}

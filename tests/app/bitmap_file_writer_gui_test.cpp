// The 32-bit BMP writer behind Save as bmp, and its naming rule.
// SPDX-License-Identifier: MIT
#include "bitmap_file_writer.h"

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "support/temp_dir.h"

using mapory::BitmapFileName;
using mapory::WriteBitmapFile;
using zamra_test::ReadAll;
using zamra_test::TempDir;

namespace {

uint32_t U32(const std::vector<unsigned char>& bytes, size_t at)
{
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}
uint16_t U16(const std::vector<unsigned char>& bytes, size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); }

}  // namespace

TEST(BitmapFileWriter, ThreeByTwoPictureIsSeventyEightBytesBottomRowFirst)
{
  TempDir dir;
  HDC dc = ZMBitmap::CreateMemDc(3, 2);
  ASSERT_NE(dc, nullptr);
  SetPixel(dc, 0, 0, RGB(255, 0, 0));  // top-left red
  SetPixel(dc, 2, 1, RGB(0, 0, 255));  // bottom-right blue
  SetPixel(dc, 1, 1, RGB(10, 20, 30));
  const std::string path = dir.File("map.bmp");
  ASSERT_TRUE(WriteBitmapFile(dc, RECT{0, 0, 3, 2}, QString::fromStdString(path)));
  DeleteDC(dc);

  const std::vector<unsigned char> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 78u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(U32(bytes, 2), 78u);
  EXPECT_EQ(U32(bytes, 6), 0u);
  EXPECT_EQ(U32(bytes, 10), 54u);
  EXPECT_EQ(U32(bytes, 14), 40u);
  EXPECT_EQ(U32(bytes, 18), 3u);
  EXPECT_EQ(U32(bytes, 22), 2u);
  EXPECT_EQ(U16(bytes, 26), 1);
  EXPECT_EQ(U16(bytes, 28), 32);
  for (size_t at = 30; at < 54; at += 4)
    EXPECT_EQ(U32(bytes, at), 0u) << "header field at " << at;
  // The first stored row is the bottom one: white, (30,20,10) as B,G,R, blue.
  const std::vector<unsigned char> bottom(bytes.begin() + 54, bytes.begin() + 66);
  EXPECT_EQ(bottom, (std::vector<unsigned char>{255, 255, 255, 0, 30, 20, 10, 0, 255, 0, 0, 0}));
  const std::vector<unsigned char> top(bytes.begin() + 66, bytes.end());
  EXPECT_EQ(top, (std::vector<unsigned char>{0, 0, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0}));
}

TEST(BitmapFileWriter, ReportsAFileThatCannotBeCreated)
{
  TempDir dir;
  HDC dc = ZMBitmap::CreateMemDc(4, 4);
  EXPECT_FALSE(WriteBitmapFile(dc, RECT{0, 0, 4, 4}, QString::fromStdString(dir.File("missing/folder/map.bmp"))));
  EXPECT_FALSE(WriteBitmapFile(dc, RECT{0, 0, 0, 4}, QString::fromStdString(dir.File("empty.bmp"))));
  DeleteDC(dc);
}

TEST(BitmapFileName, AppendsBmpUnlessTheExtensionIsBmpInAnyCase)
{
  EXPECT_EQ(BitmapFileName(QStringLiteral("/tmp/map")), QStringLiteral("/tmp/map.bmp"));
  EXPECT_EQ(BitmapFileName(QStringLiteral("/tmp/map.bmp")), QStringLiteral("/tmp/map.bmp"));
  EXPECT_EQ(BitmapFileName(QStringLiteral("/tmp/map.BmP")), QStringLiteral("/tmp/map.BmP"));
  EXPECT_EQ(BitmapFileName(QStringLiteral("/tmp/map.png")), QStringLiteral("/tmp/map.png.bmp"));
  EXPECT_EQ(BitmapFileName(QStringLiteral("/tmp/maps.d/world")), QStringLiteral("/tmp/maps.d/world.bmp"));
  EXPECT_EQ(BitmapFileName(QStringLiteral("/tmp/map.bmpx")), QStringLiteral("/tmp/map.bmpx.bmp"));
}

// ZMType: field codec, main header and multi-part content, including hostile counts.
// SPDX-License-Identifier: MIT
#include "api/formats/shape_type.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/temp_dir.h"

using zamra_test::TempDir;

namespace {

// Multi-part content with the given part starts and `pointCount` points (x = index, y = -index).
std::vector<unsigned char> MultiPart(const std::vector<int>& starts, int pointCount)
{
  std::vector<unsigned char> bytes(40 + 4 * starts.size() + 16 * static_cast<size_t>(pointCount));
  ST_RECT box{1, 2, 3, 4};
  ZMType::WriteEnvelop(bytes.data(), &box);
  ZMType::WriteInt(bytes.data() + 32, static_cast<int>(starts.size()));
  ZMType::WriteInt(bytes.data() + 36, pointCount);
  for (size_t i = 0; i < starts.size(); ++i)
    ZMType::WriteInt(bytes.data() + 40 + 4 * i, starts[i]);
  unsigned char* points = bytes.data() + 40 + 4 * starts.size();
  for (int i = 0; i < pointCount; ++i) {
    ZMType::WriteDouble(points + 16 * i, i);
    ZMType::WriteDouble(points + 16 * i + 8, -i);
  }
  return bytes;
}

}  // namespace

TEST(ZMType, ScalarsInBothByteOrders)
{
  const unsigned char code[4] = {0x00, 0x00, 0x27, 0x0A};
  EXPECT_EQ(ZMType::ReadEsriInt(code), 9994);
  EXPECT_EQ(ZMType::ReadInt(code), 0x0A270000) << "the same bytes little-endian";
  EXPECT_EQ(ZMType::SwapInt(0x01020304), 0x04030201);

  unsigned char buffer[8];
  ZMType::WriteEsriInt(buffer, 9994);
  EXPECT_EQ(std::memcmp(buffer, code, 4), 0);
  ZMType::WriteInt(buffer, -2);
  EXPECT_EQ(buffer[0], 0xFE);
  EXPECT_EQ(buffer[3], 0xFF);
  EXPECT_EQ(ZMType::ReadInt(buffer), -2);
  ZMType::WriteShort(buffer, -300);
  EXPECT_EQ(ZMType::ReadShort(buffer), -300);
  ZMType::WriteDouble(buffer, -123.25);
  EXPECT_EQ(ZMType::ReadDouble(buffer), -123.25);
  ZMType::WriteFloat(buffer, 1.5f);
  EXPECT_EQ(ZMType::ReadFloat(buffer), 1.5f);
  EXPECT_EQ(buffer[3], 0x3F);
  ZMType::WriteChar(buffer, 'Z');
  EXPECT_EQ(ZMType::ReadChar(buffer), 'Z');
}

TEST(ZMType, TextFieldsAndTrimming)
{
  const unsigned char field[5] = {'a', 0, 'b', ' ', ' '};
  char text[6];
  ZMType::ReadString(field, 5, text);
  EXPECT_EQ(std::memcmp(text, field, 5), 0) << "zero bytes are copied like any other";
  EXPECT_EQ(text[5], '\0');

  unsigned char out[4] = {9, 9, 9, 9};
  ZMType::WriteString(out, 3, "xy\0z");
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 9) << "no terminator written";

  char a[] = "ab  ";
  ZMType::TrimRight(a);
  EXPECT_STREQ(a, "ab");
  char b[] = "   ";
  ZMType::TrimString(b);
  EXPECT_STREQ(b, "");
  char c[] = " ab";
  ZMType::TrimRight(c);
  EXPECT_STREQ(c, " ab");
  char d[] = "  ab ";
  ZMType::TrimLeft(d);
  EXPECT_STREQ(d, "ab ");
  char e[] = "\tab\t";
  ZMType::TrimLeft(e);
  ZMType::TrimRight(e);
  EXPECT_STREQ(e, "\tab\t") << "tabs are not trimmed";
  char empty[] = "";
  ZMType::TrimRight(empty);
  EXPECT_STREQ(empty, "");
}

TEST(ZMType, HeaderRoundTripAndZeroedFields)
{
  tagShpHead head;
  head.shapeType = 5;
  head.fileLength = 101;
  head.version = 1000;
  head.envelop = {-10.5, 20.25, 45.0, -30.0};
  unsigned char buffer[100];
  std::memset(buffer, 0xAB, sizeof buffer);
  ASSERT_TRUE(ZMType::WriteShpHead(buffer, &head));
  EXPECT_EQ(ZMType::ReadEsriInt(buffer + 24), 50) << "101 bytes truncate to 50 words";
  for (int i = 4; i < 24; ++i)
    EXPECT_EQ(buffer[i], 0) << "byte " << i;
  for (int i = 68; i < 100; ++i)
    EXPECT_EQ(buffer[i], 0) << "byte " << i;
  EXPECT_EQ(ZMType::ReadDouble(buffer + 36), -10.5) << "minimum x first";
  EXPECT_EQ(ZMType::ReadDouble(buffer + 44), -30.0) << "then minimum y";

  tagShpHead back;
  ASSERT_TRUE(ZMType::ReadShpHead(buffer, &back));
  EXPECT_EQ(back.fileCode, 9994);
  EXPECT_EQ(back.fileLength, 100);
  EXPECT_EQ(back.version, 1000);
  EXPECT_EQ(back.shapeType, 5);
  EXPECT_EQ(back.envelop.left, -10.5);
  EXPECT_EQ(back.envelop.right, 20.25);
  EXPECT_EQ(back.envelop.top, 45.0);
  EXPECT_EQ(back.envelop.bottom, -30.0);
}

TEST(ZMType, HeaderRejections)
{
  tagShpHead head;
  head.version = 1000;
  head.shapeType = 8;  // any type is accepted by the codec
  unsigned char buffer[100];
  ASSERT_TRUE(ZMType::WriteShpHead(buffer, &head));
  tagShpHead decoded;
  EXPECT_TRUE(ZMType::ReadShpHead(buffer, &decoded));
  EXPECT_EQ(decoded.shapeType, 8);

  // Version 1001: code, length and version are stored, type and box keep their values.
  ZMType::WriteInt(buffer + 28, 1001);
  ZMType::WriteEsriInt(buffer + 24, 60);
  tagShpHead rejected;
  rejected.shapeType = 77;
  EXPECT_FALSE(ZMType::ReadShpHead(buffer, &rejected));
  EXPECT_EQ(rejected.fileCode, 9994);
  EXPECT_EQ(rejected.fileLength, 120);
  EXPECT_EQ(rejected.version, 1001);
  EXPECT_EQ(rejected.shapeType, 77);

  buffer[3] = 0x0B;  // file code 9995
  tagShpHead wrongCode;
  wrongCode.fileLength = 5;
  EXPECT_FALSE(ZMType::ReadShpHead(buffer, &wrongCode));
  EXPECT_EQ(wrongCode.fileLength, 5);

  // A writer refuses a header of another version and writes only code and length.
  tagShpHead other;
  other.version = 999;
  other.fileLength = 200;
  other.shapeType = 3;
  EXPECT_FALSE(ZMType::WriteShpHead(buffer, &other));
  EXPECT_EQ(ZMType::ReadEsriInt(buffer), 9994);
  EXPECT_EQ(ZMType::ReadEsriInt(buffer + 24), 100);
  EXPECT_EQ(ZMType::ReadInt(buffer + 28), 0);
  EXPECT_EQ(ZMType::ReadInt(buffer + 32), 0);
}

TEST(ZMType, HeaderFromFile)
{
  TempDir dir;
  tagShpHead head;
  EXPECT_FALSE(ZMType::ReadShpHead(dir.File("missing.shp").c_str(), &head));

  std::vector<unsigned char> bytes(100);
  head.version = 1000;
  head.shapeType = 1;
  head.fileLength = 100;
  ASSERT_TRUE(ZMType::WriteShpHead(bytes.data(), &head));
  zamra_test::WriteAll(dir.File("ok.shp"), bytes);
  tagShpHead read;
  EXPECT_TRUE(ZMType::ReadShpHead(dir.File("ok.shp").c_str(), &read));
  EXPECT_EQ(read.shapeType, 1);

  bytes.resize(99);
  zamra_test::WriteAll(dir.File("short.shp"), bytes);
  EXPECT_FALSE(ZMType::ReadShpHead(dir.File("short.shp").c_str(), &read)) << "shorter than a header";
}

TEST(ZMType, MultiPartDecodeAndEncode)
{
  const std::vector<unsigned char> bytes = MultiPart({0, 3}, 5);
  ST_MPOLYGON polygon;
  ZMType::ReadMPolygon(bytes.data(), &polygon);
  ASSERT_EQ(polygon.partCount, 2);
  EXPECT_EQ(polygon.parts[0].pointCount, 3);
  EXPECT_EQ(polygon.parts[1].pointCount, 2);
  EXPECT_EQ(polygon.parts[1].points[0].x, 3);
  EXPECT_EQ(polygon.parts[1].points[1].y, -4);
  EXPECT_EQ(polygon.parts[1].envelop.right, 0) << "part boxes stay zero until computed";
  // Written from {left 1, right 2, top 3, bottom 4} in file order and read back the same way.
  EXPECT_EQ(polygon.envelop.left, 1);
  EXPECT_EQ(polygon.envelop.right, 2);
  EXPECT_EQ(polygon.envelop.top, 3);
  EXPECT_EQ(polygon.envelop.bottom, 4);
  EXPECT_EQ(ZMType::ReadDouble(bytes.data() + 8), 4) << "file order: min x, min y, max x, max y";

  EXPECT_EQ(ZMType::GetMPolygonSize(&polygon), 40 + 8 + 80);
  std::vector<unsigned char> again(static_cast<size_t>(ZMType::GetMPolygonSize(&polygon)));
  ZMType::WriteMPolygon(again.data(), &polygon);
  EXPECT_EQ(again, bytes);

  ST_MPOLYLINE line;
  ASSERT_TRUE(ZMType::ReadMPolyline(MultiPart({0}, 4).data(), 40 + 4 + 64, &line));
  ASSERT_EQ(line.partCount, 1);
  EXPECT_EQ(line.parts[0].pointCount, 4);
}

TEST(ZMType, MultiPartHostileCountsAreRefused)
{
  struct Case {
    const char* what;
    std::vector<int> starts;
    int points;
    int partCountOverride;   // when >= -2^30: written over the real part count
    int pointCountOverride;  // likewise for the point count
    int cut;                 // bytes removed from the end of the buffer
  };
  const int keep = -(1 << 30);
  const Case cases[] = {
      {"starts that fall", {0, 4, 2}, 6, keep, keep, 0},
      {"a start beyond P", {0, 7}, 6, keep, keep, 0},
      {"a negative start", {-1}, 6, keep, keep, 0},
      {"a negative part count", {0}, 6, -1, keep, 0},
      {"a negative point count", {0}, 6, keep, -3, 0},
      {"a point count beyond the buffer", {0}, 6, keep, 7, 0},
      {"a huge part count", {0}, 6, 0x7FFFFFFF, keep, 0},
      {"a buffer too short for the points", {0, 2}, 6, keep, keep, 1},
      {"a buffer too short for the counts", {}, 0, keep, keep, 5},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes = MultiPart(c.starts, c.points);
    if (c.partCountOverride != keep)
      ZMType::WriteInt(bytes.data() + 32, c.partCountOverride);
    if (c.pointCountOverride != keep)
      ZMType::WriteInt(bytes.data() + 36, c.pointCountOverride);
    const int available = static_cast<int>(bytes.size()) - c.cut;
    // Copy into a buffer of exactly the bytes available, so that the sanitizer sees any overread.
    std::vector<unsigned char> exact(bytes.begin(), bytes.begin() + available);
    ST_MPOLYLINE record;
    EXPECT_FALSE(ZMType::ReadMPolyline(exact.data(), available, &record)) << c.what;
    EXPECT_EQ(record.partCount, 0) << c.what;
    EXPECT_EQ(record.parts, nullptr) << c.what;
  }

  // The trusted form never produces a negative point count either.
  std::vector<unsigned char> falling = MultiPart({0, 4, 2}, 6);
  ST_MPOLYGON polygon;
  ZMType::ReadMPolygon(falling.data(), &polygon);
  EXPECT_EQ(polygon.partCount, 0);
}

TEST(ZMType, MultiPartEdgeCountsAreAccepted)
{
  // Parts without points and records without parts are legal.
  std::vector<unsigned char> emptyParts = MultiPart({0, 0, 0}, 0);
  ST_MPOLYLINE record;
  ASSERT_TRUE(ZMType::ReadMPolyline(emptyParts.data(), static_cast<int>(emptyParts.size()), &record));
  EXPECT_EQ(record.partCount, 3);
  EXPECT_EQ(record.parts[2].pointCount, 0);
  EXPECT_EQ(record.parts[2].points, nullptr);

  // Decoding into a filled record replaces its parts instead of leaking them.
  std::vector<unsigned char> two = MultiPart({0, 1}, 2);
  ASSERT_TRUE(ZMType::ReadMPolyline(two.data(), static_cast<int>(two.size()), &record));
  EXPECT_EQ(record.partCount, 2);
}

TEST(ZMType, PointsAndVariableTypes)
{
  ST_POINT points[2] = {{1.5, -2.5}, {3, 4}};
  unsigned char buffer[32];
  ZMType::WritePoint(buffer, points, 2);
  ST_POINT back[2];
  ZMType::ReadPoint(buffer, back, 2);
  EXPECT_EQ(back[1].y, 4);
  ZMType::ReadPoint(buffer, back, 0);
  ZMType::ReadPoint(buffer, back, -5);

  char name[16] = "unchanged";
  ZMType::GetVarName(81, name);
  EXPECT_STREQ(name, "DOUBLE");
  ZMType::GetVarName(12, name);
  EXPECT_STREQ(name, "DOUBLE") << "an unknown code leaves the name";
  ZMType::GetVarName(static_cast<char>(0xAB), name);
  EXPECT_STREQ(name, "DOUBLE") << "negative codes are unknown";

  int length = -7;
  ZMType::GetVarLength(21, 99, length);
  EXPECT_EQ(length, 4) << "SHORT is stored in 4 bytes";
  ZMType::GetVarLength(11, 30, length);
  EXPECT_EQ(length, 30);
  ZMType::GetVarLength(91, 254, length);
  EXPECT_EQ(length, 254);
  ZMType::GetVarLength(71, 1, length);
  EXPECT_EQ(length, 16);
  ZMType::GetVarLength(12, 5, length);
  EXPECT_EQ(length, 16) << "an unknown code leaves the length";
}

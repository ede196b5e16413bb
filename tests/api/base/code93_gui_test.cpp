// ZMCode93: module strings against the published table and worked examples, and drawing.
// SPDX-License-Identifier: MIT
#include "api/base/code93.h"

#include <string>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "platform/gdi.h"

namespace {

// The module string of the last Encode, read back from the drawing: one pixel per module.
std::string DrawnModules(ZMCode93& code, int count)
{
  HDC dc = ZMBitmap::CreateMemDc(count + 10, 4);
  code.Draw(dc, 0, 0, 1, 4);
  std::string modules;
  for (int i = 0; i < count + 10; ++i) {
    const COLORREF color = GetPixel(dc, i, 1);
    modules += color == RGB(0, 0, 0) ? '1' : '0';
  }
  DeleteDC(dc);
  return modules;
}

const char kStart[] = "101011110";
const char kStopAndBar[] = "1010111101";

}  // namespace

TEST(ZMCode93, CodeNinetyThreeMatchesThePublishedExample)
{
  // "CODE 93" has the check characters E (14) and 0 in the published worked example.
  ZMCode93 code;
  char text[] = "CODE 93";
  EXPECT_EQ(code.GetCheckCValue(text, 7), 14);
  EXPECT_EQ(code.GetCheckKValue(text, 7, 14), 0);
  ASSERT_EQ(code.Encode("CODE 93"), 100);
  const std::string expected = std::string(kStart) + "110100010" /* C */ + "100101100" /* O */ + "110010100" /* D */ +
                               "110010010" /* E */ + "111010010" /* space */ + "100001010" /* 9 */ +
                               "101000010" /* 3 */ + "110010010" /* check E */ + "100010100" /* check 0 */ +
                               kStopAndBar;
  EXPECT_EQ(DrawnModules(code, 100), expected + std::string(10, '0'));
}

TEST(ZMCode93, CheckValuesOfOtherWorkedExamples)
{
  ZMCode93 code;
  char digits[] = "12345678";
  EXPECT_EQ(code.GetCheckCValue(digits, 8), 26);      // Q
  EXPECT_EQ(code.GetCheckKValue(digits, 8, 26), 41);  // +
  char word[] = "DATALOGIC";
  EXPECT_EQ(code.GetCheckCValue(word, 9), 5);
  EXPECT_EQ(code.GetCheckKValue(word, 9, 5), 22);
  // 21 characters: the first one is weighted 1 again, not 21.
  char longText[] = "ABCDEFGHIJKLMNOPQRSTU";
  EXPECT_EQ(code.GetCheckCValue(longText, 21), 31);
  char outside[] = "A@";
  EXPECT_EQ(code.GetCheckCValue(outside, 2), -1);
  EXPECT_EQ(code.GetCharIndex('%'), 42);
  EXPECT_EQ(code.GetCharIndex(' '), 38);
  EXPECT_EQ(code.GetCharIndex('a'), -1);
  EXPECT_EQ(code.GetCharIndex(0), -1);
}

TEST(ZMCode93, EmptyAndLowerCaseTexts)
{
  ZMCode93 code;
  ASSERT_EQ(code.Encode(""), 37);
  EXPECT_EQ(DrawnModules(code, 37).substr(0, 37), std::string(kStart) + "100010100" + "100010100" + kStopAndBar);
  ASSERT_EQ(code.Encode("abc-1"), 82);
  const std::string lower = DrawnModules(code, 82);
  ASSERT_EQ(code.Encode("ABC-1"), 82);
  EXPECT_EQ(DrawnModules(code, 82), lower);
}

TEST(ZMCode93, UnencodableCharacterKeepsOnlyWhatWasWritten)
{
  ZMCode93 code;
  ASSERT_EQ(code.Encode("A LONG TEXT BEFORE"), 9 * 18 + 37);
  EXPECT_EQ(code.Encode("AB@CD"), -1);
  // Start, A and B were written; drawing stops there instead of running on.
  const std::string drawn = DrawnModules(code, 27);
  EXPECT_EQ(drawn.substr(0, 27), std::string(kStart) + "110101000" + "110100100");
  EXPECT_EQ(drawn.substr(27), std::string(10, '0'));
  EXPECT_EQ(code.Encode(nullptr), -1);
}

TEST(ZMCode93, CopiesOwnTheirModules)
{
  ZMCode93 code;
  code.Encode("12");
  ZMCode93 copy(code);
  code.Encode("XYZ");
  ZMCode93 assigned;
  assigned = copy;
  EXPECT_EQ(DrawnModules(copy, 55), DrawnModules(assigned, 55));
  EXPECT_NE(DrawnModules(copy, 55).substr(9, 9), DrawnModules(code, 55).substr(9, 9));
}

TEST(ZMCode93, DrawsBarsAndACaptionUnderThem)
{
  ZMCode93 code;
  ASSERT_EQ(code.Encode("93"), 55);
  HDC dc = ZMBitmap::CreateMemDc(140, 50);
  code.Draw(dc, 10, 5, 2, 20);
  EXPECT_EQ(GetPixel(dc, 10, 5), RGB(0, 0, 0));  // module 0: bar
  EXPECT_EQ(GetPixel(dc, 11, 24), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 12, 10), RGB(255, 255, 255));  // module 1: space
  EXPECT_EQ(GetPixel(dc, 10, 4), RGB(255, 255, 255));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  int ink = 0;
  for (int y = 25; y < 35; ++y)
    for (int x = 10; x < 120; ++x)
      ink += GetPixel(dc, x, y) != RGB(255, 255, 255) ? 1 : 0;
  EXPECT_GT(ink, 10) << "the caption is drawn below the bars";
  for (int x = 0; x < 140; ++x)
    EXPECT_EQ(GetPixel(dc, x, 40), RGB(255, 255, 255)) << x;  // nothing below the caption box
  DeleteDC(dc);

  dc = ZMBitmap::CreateMemDc(140, 50);
  code.Draw(dc, 0, 5, 2, 20);
  int belowBars = 0;
  for (int y = 25; y < 50; ++y)
    for (int x = 0; x < 140; ++x)
      belowBars += GetPixel(dc, x, y) != RGB(255, 255, 255) ? 1 : 0;
  EXPECT_EQ(belowBars, 0) << "no caption at x = 0";
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  DeleteDC(dc);

  ZMCode93 fresh;
  dc = ZMBitmap::CreateMemDc(20, 20);
  fresh.Draw(dc, 1, 1, 1, 10);  // nothing encoded: nothing drawn
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));
  DeleteDC(dc);
}

// Code page conversion: UTF-8, GBK (936), invalid input and the Win32 length rules.
// SPDX-License-Identifier: MIT
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(CodePage, Utf8RoundTripWithSurrogatePairs)
{
  const std::string text = "Tōkyō 東京 \xF0\x9F\x8C\x8D";  // ends with U+1F30D, outside the BMP
  const std::u16string wide = ToUtf16(text, CP_UTF8);
  EXPECT_EQ(wide, u"Tōkyō 東京 \U0001F30D");
  EXPECT_EQ(FromUtf16(wide, CP_UTF8), text);
}

TEST(CodePage, GbkRoundTrip)
{
  const std::string gbk = "\xB1\xE0\xBA\xC5";  // 编号 in GBK
  EXPECT_EQ(ToUtf16(gbk, 936), u"编号");
  EXPECT_EQ(FromUtf16(u"编号", 936), gbk);
  EXPECT_EQ(CodePageCharset(936), "GBK");
}

TEST(CodePage, InvalidInputIsReplacedNotDropped)
{
  EXPECT_EQ(ToUtf16("a\xFF"
                    "b",
                    CP_UTF8),
            u"a\uFFFDb");
  EXPECT_EQ(ToUtf16("\xE6\x9D", CP_UTF8), u"\uFFFD\uFFFD") << "a sequence cut at the end";
  EXPECT_EQ(ToUtf16("x\x81", 936), u"x\uFFFD") << "a GBK lead byte without its trail";
  BOOL usedDefault = FALSE;
  char out[8] = {};
  const int n = WideCharToMultiByte(936, 0, u"a\u0E01", 2, out, sizeof out, nullptr, &usedDefault);
  EXPECT_EQ(std::string(out, n), "a?");
  EXPECT_TRUE(usedDefault);
}

TEST(CodePage, Win32LengthRules)
{
  // -1 converts up to and including the terminator; a zero target length asks for the size.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "héllo", -1, nullptr, 0), 6);
  WCHAR wide[6];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "héllo", -1, wide, 6), 6);
  EXPECT_EQ(std::u16string(wide), u"héllo");
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "héllo", -1, wide, 3), 0) << "too small a target";
  char narrow[4];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"é", -1, nullptr, 0, nullptr, nullptr), 3);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"é", -1, narrow, 2, nullptr, nullptr), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, wide, 6), 0);
}

TEST(CodePage, ProcessCodePageFollowsTheOverride)
{
  setenv("ZAMRA_CODEPAGE", "936", 1);
  EXPECT_EQ(GetACP(), 936u);
  EXPECT_EQ(ToUtf16("\xB1\xE0"), u"编");
  setenv("ZAMRA_CODEPAGE", "GBK", 1);
  EXPECT_EQ(GetACP(), 936u);
  unsetenv("ZAMRA_CODEPAGE");
  EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the tests run under C.UTF-8 or C";
}

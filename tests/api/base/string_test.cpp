// ZMString: code pages, colour text, time stamps, validators, unique names.
// SPDX-License-Identifier: MIT
#include "api/base/string.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// "中文" in GBK and in UTF-16.
const char kGbkText[] = "\xD6\xD0\xCE\xC4";
const char16_t kWideText[] = u"\u4E2D\u6587";

class ScopedEnvironment final {
public:
  ScopedEnvironment(const char* name, const char* value) : m_name(name)
  {
    if (const char* old = std::getenv(name))
      m_old = old, m_had = true;
    setenv(name, value, 1);
  }
  ~ScopedEnvironment()
  {
    if (m_had)
      setenv(m_name.c_str(), m_old.c_str(), 1);
    else
      unsetenv(m_name.c_str());
  }

private:
  std::string m_name;
  std::string m_old;
  bool m_had = false;
};

}  // namespace

TEST(ZMString, ToUnicodeAsksSizeThenConvertsGbk)
{
  EXPECT_EQ(ZMString::ToUnicode(kGbkText, nullptr, 936), 3);
  char16_t wide[8];
  std::fill(std::begin(wide), std::end(wide), u'#');
  ASSERT_EQ(ZMString::ToUnicode(kGbkText, wide, 936), 3);
  EXPECT_EQ(std::u16string(wide), kWideText);
  EXPECT_EQ(wide[3], u'#');  // exactly the answered number of units is written

  EXPECT_EQ(ZMString::ToUnicode("", nullptr, 0), 1);
  EXPECT_EQ(ZMString::ToUnicode(nullptr, nullptr, 0), 0);
  EXPECT_EQ(ZMString::ToUnicode("abc", wide, 99999), 0);  // no such code page
  EXPECT_EQ(ZMString::ToAnsi(u"abc", nullptr, 99999), 0);
}

TEST(ZMString, ToAnsiRoundTripsGbkAndZeroesMissingCharacters)
{
  ASSERT_EQ(ZMString::ToAnsi(kWideText, nullptr, 936), 5);
  char narrow[8] = {};
  ASSERT_EQ(ZMString::ToAnsi(kWideText, narrow, 936), 5);
  EXPECT_STREQ(narrow, kGbkText);

  // Thai has no place in GBK: one zero byte stands for it.
  char withMissing[8];
  std::memset(withMissing, '#', sizeof withMissing);
  ASSERT_EQ(ZMString::ToAnsi(u"a\u0E01b", withMissing, 936), 4);
  EXPECT_EQ(std::string(withMissing, 4), std::string("a\0b\0", 4));
}

TEST(ZMString, CodePageZeroFollowsTheOverrideSetting)
{
  char16_t wide[8] = {};
  {
    ScopedEnvironment gbk("ZAMRA_CODEPAGE", "936");
    ASSERT_EQ(ZMString::ToUnicode(kGbkText, wide, 0), 3);
    EXPECT_EQ(std::u16string(wide), kWideText);
  }
  ScopedEnvironment utf8("ZAMRA_CODEPAGE", "65001");
  char narrow[16] = {};
  ASSERT_EQ(ZMString::ToAnsi(kWideText, narrow, 0), 7);
  EXPECT_STREQ(narrow, "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(ZMString, TextToColorReadsRedGreenBlue)
{
  EXPECT_EQ(ZMString::TextToColor("255,0,0"), 0x000000FFu);
  EXPECT_EQ(ZMString::TextToColor("0,0,255"), 0x00FF0000u);
  EXPECT_EQ(ZMString::TextToColor("10,20,30"), RGB(10, 20, 30));
  EXPECT_EQ(ZMString::TextToColor("10,20"), 0u);
  EXPECT_EQ(ZMString::TextToColor("garbage"), 0u);
  EXPECT_EQ(ZMString::TextToColor("300,0,0"), 0x0000002Cu);  // low 8 bits of 300
  EXPECT_EQ(ZMString::TextToColor("-1,0,0"), 0x000000FFu);
  EXPECT_EQ(ZMString::TextToColor(" 1, 2, 3"), RGB(1, 2, 3));
  // Only 11 characters are looked at: "100,100,12" of "100,100,123".
  EXPECT_EQ(ZMString::TextToColor("100, 100,123"), RGB(100, 100, 12));
}

TEST(ZMString, TimeStringsAndBitStrings)
{
  SYSTEMTIME time{};
  time.wYear = 2024, time.wMonth = 1, time.wDay = 5, time.wHour = 7, time.wMinute = 8, time.wSecond = 9;
  char narrow[20];
  ZMString::GetLocalTimeString(narrow, time);
  EXPECT_STREQ(narrow, "2024-01-05 07:08:09");
  char16_t wide[20];
  ZMString::GetLocalTimeString(wide, time);
  EXPECT_EQ(std::u16string(wide), u"2024-01-05 07:08:09");

  ZMString::GetLocalTimeString(narrow);
  EXPECT_EQ(std::strlen(narrow), 19u);
  EXPECT_EQ(narrow[4], '-');
  char16_t date[9];
  ZMString::GetShortLocalDateString(date);
  const std::string now(narrow);
  const std::string expected = now.substr(0, 4) + now.substr(5, 2) + now.substr(8, 2);
  EXPECT_EQ(std::u16string(date), std::u16string(expected.begin(), expected.end()));  // unless midnight passed

  char bits[33];
  ZMString::GetBitString(static_cast<std::uint16_t>(5), bits);
  EXPECT_STREQ(bits, "0000000000000101");
  ZMString::GetBitString(static_cast<std::uint32_t>(0x80000001u), bits);
  EXPECT_STREQ(bits, "10000000000000000000000000000001");
}

TEST(ZMString, ValidatorsFollowTheirRules)
{
  EXPECT_TRUE(ZMString::IsNumber("12.5", 4));
  EXPECT_TRUE(ZMString::IsNumber("", 0));
  EXPECT_TRUE(ZMString::IsNumber(".", 1));
  EXPECT_FALSE(ZMString::IsNumber("1.2.3", 5));
  EXPECT_FALSE(ZMString::IsNumber("-1", 2));
  EXPECT_TRUE(ZMString::IsNumber("12x", 2));  // only the first `length` characters count

  EXPECT_TRUE(ZMString::IsIntNumber("0123", 4));
  EXPECT_FALSE(ZMString::IsIntNumber("1.0", 3));

  EXPECT_TRUE(ZMString::IsMail("a@b.c", 5));
  EXPECT_TRUE(ZMString::IsMail("@.", 2));
  EXPECT_FALSE(ZMString::IsMail("a@b@c.d", 7));
  EXPECT_FALSE(ZMString::IsMail("a.b@c", 5));
  EXPECT_FALSE(ZMString::IsMail("a~b@c.d", 7));
  EXPECT_FALSE(ZMString::IsMail("", 0));

  EXPECT_TRUE(ZMString::IsIpAddr("1.2.3.4", 7));
  EXPECT_TRUE(ZMString::IsIpAddr(".......", 7));
  EXPECT_FALSE(ZMString::IsIpAddr("1.2.3.256", 9));
  EXPECT_FALSE(ZMString::IsIpAddr("1234.1.1", 8));
  EXPECT_FALSE(ZMString::IsIpAddr("1.2.3.4a", 8));
  EXPECT_FALSE(ZMString::IsIpAddr("1.2.3", 5));
}

TEST(ZMString, ReplaceRemovesPatternIgnoringCase)
{
  char out[64];
  EXPECT_STREQ(ZMString::Replace("a.SHP and b.shp", ".shp", out), "a and b");
  EXPECT_STREQ(ZMString::Replace("abc", "", out), "abc");
  EXPECT_STREQ(ZMString::Replace("aaa", "aa", out), "a");
}

TEST(ZMString, ErrorMessagesAreCutToTheBuffer)
{
  char text[128];
  ASSERT_GT(ZMString::GetErrorMessage(ENOENT, text, sizeof text), 0);
  EXPECT_STREQ(text, std::strerror(ENOENT));
  char small[5];
  EXPECT_EQ(ZMString::GetErrorMessage(ENOENT, small, sizeof small), 4);
  EXPECT_EQ(std::strlen(small), 4u);
  char16_t wide[128];
  ASSERT_GT(ZMString::GetErrorMessage(ENOENT, wide, 128), 0);
  EXPECT_EQ(wide[0], static_cast<char16_t>(std::strerror(ENOENT)[0]));
}

TEST(ZMString, MakeGUIDGivesDistinctNamesAcrossThreads)
{
  constexpr int kThreads = 8;
  constexpr int kEach = 2000;
  std::vector<std::vector<std::string>> names(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&names, t] {
      char buffer[32];
      for (int i = 0; i < kEach; ++i) {
        ZMString::MakeGUID(buffer);
        names[t].push_back(buffer);
      }
    });
  for (std::thread& thread : threads)
    thread.join();
  std::set<std::string> distinct;
  for (const auto& list : names)
    for (const std::string& name : list) {
      EXPECT_GE(name.size(), 18u);
      EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos) << name;
      // The counter part, after the 14 time digits, is what makes names distinct.
      distinct.insert(name.substr(14));
    }
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kEach));
}

TEST(ZMString, NumbersIgnoreADecimalCommaLocale)
{
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/setup generates it)";
  SYSTEMTIME time{};
  time.wYear = 2031, time.wMonth = 12, time.wDay = 31, time.wHour = 23, time.wMinute = 59, time.wSecond = 58;
  char text[20];
  ZMString::GetLocalTimeString(text, time);
  const COLORREF colour = ZMString::TextToColor("1,2,3");
  char guid[32];
  ZMString::MakeGUID(guid);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_STREQ(text, "2031-12-31 23:59:58");
  EXPECT_EQ(colour, RGB(1, 2, 3));
  EXPECT_EQ(std::string(guid).find_first_not_of("0123456789"), std::string::npos) << guid;
}

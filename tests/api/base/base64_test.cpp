// ZMBase64: RFC 4648 vectors, short final groups, bytes outside the alphabet.
// SPDX-License-Identifier: MIT
#include "api/base/base64.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string Encode(const std::string& bytes)
{
  std::vector<char> out((bytes.size() + 2) / 3 * 4 + 1, '#');
  const int length = ZMBase64::Base64Encode(bytes.data(), static_cast<int>(bytes.size()), out.data());
  EXPECT_EQ(static_cast<size_t>(length) + 1, out.size());  // exactly the documented room
  return out.data();
}

std::string Decode(const std::string& text)
{
  // The documented bound: as long as the text with its terminator, and a guard byte after it.
  std::vector<char> out(text.size() + 2, '#');
  const int length = ZMBase64::Base64Decode(text.c_str(), out.data());
  EXPECT_EQ(out[text.size() + 1], '#') << "wrote past the bound for " << text;
  EXPECT_EQ(out[static_cast<size_t>(length)], '\0');
  return std::string(out.data(), static_cast<size_t>(length));
}

}  // namespace

TEST(ZMBase64, Rfc4648Vectors)
{
  const char* vectors[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
  for (const auto& vector : vectors) {
    EXPECT_EQ(Encode(vector[0]), vector[1]);
    EXPECT_EQ(Decode(vector[1]), vector[0]);
  }
  EXPECT_EQ(Encode("\xFF\xFE\xFD"), "//79");
  EXPECT_EQ(Decode("//79"), "\xFF\xFE\xFD");
}

TEST(ZMBase64, ShortGroupsAndZeroBytes)
{
  EXPECT_EQ(Decode("QQ=="), "A");  // "==" gives exactly one byte
  EXPECT_EQ(Decode("QQ"), "A");    // unpadded final groups
  EXPECT_EQ(Decode("QUI"), "AB");
  EXPECT_EQ(Decode("AAEC"), std::string("\0\1\2", 3));
  std::string all;
  for (int i = 0; i < 256; ++i)
    all.push_back(static_cast<char>(i));
  EXPECT_EQ(Decode(Encode(all)), all);
}

TEST(ZMBase64, CharactersOutsideTheAlphabetNeverOverrunTheOutput)
{
  EXPECT_EQ(Decode("Zm9v\r\nYmFy"), "foobar");  // line breaks skipped
  EXPECT_EQ(Decode("!!!!!!!!"), "");
  EXPECT_EQ(Decode("\x80\xFF*Q"), "");  // a lone sextet gives no byte
  EXPECT_EQ(Decode("Zg==Zm9v"), "f");   // padding ends the data
}

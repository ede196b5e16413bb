// ZMStringSplit: tokens at a separator, empty ones included.
// SPDX-License-Identifier: MIT
#include "api/base/string_split.h"

#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Tokens(const ZMStringSplit& split)
{
  std::vector<std::string> tokens;
  for (int i = 0; i < split.GetCount(); ++i)
    tokens.emplace_back(split.GetAt(i));
  return tokens;
}

}  // namespace

TEST(ZMStringSplit, KeepsEmptyTokensAndReplacesEarlierResults)
{
  ZMStringSplit split;
  EXPECT_EQ(split.GetCount(), 0);
  ASSERT_TRUE(split.Split("a,,b", ','));
  EXPECT_EQ(Tokens(split), (std::vector<std::string>{"a", "", "b"}));
  ASSERT_TRUE(split.Split("abc", ','));
  EXPECT_EQ(Tokens(split), (std::vector<std::string>{"abc"}));
  ASSERT_TRUE(split.Split(",x,", ','));
  EXPECT_EQ(Tokens(split), (std::vector<std::string>{"", "x", ""}));
  ASSERT_TRUE(split.Split("", ','));
  EXPECT_EQ(Tokens(split), (std::vector<std::string>{""}));
}

TEST(ZMStringSplit, EdgesOfTheInterface)
{
  ZMStringSplit split;
  ASSERT_TRUE(split.Split("a,b", '\0'));  // a zero separator is never met
  EXPECT_EQ(Tokens(split), (std::vector<std::string>{"a,b"}));
  EXPECT_EQ(split.GetAt(1), nullptr);
  EXPECT_EQ(split.GetAt(-1), nullptr);
  // The tokens belong to the splitter's own copy, not to the caller's text.
  std::string text = "k=v";
  ASSERT_TRUE(split.Split(text.c_str(), '='));
  text = "changed";
  EXPECT_STREQ(split.GetAt(1), "v");
  static_assert(!std::is_copy_constructible_v<ZMStringSplit>, "a copy would share the token buffer");
}

// ZMURLCode: form-style percent-encoding and its reverse.
// SPDX-License-Identifier: MIT
#include "api/base/url_code.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

TEST(ZMURLCode, EncodesEverythingButTheUnreservedSet)
{
  char out[64];
  EXPECT_STREQ(ZMURLCode::URLEncode(out, "\n"), "%0A");
  EXPECT_STREQ(ZMURLCode::URLEncode(out, "a b"), "a+b");
  EXPECT_STREQ(ZMURLCode::URLEncode(out, "AZaz09-._"), "AZaz09-._");
  EXPECT_STREQ(ZMURLCode::URLEncode(out, "~/\xE4"), "%7E%2F%E4");
}

TEST(ZMURLCode, DecodeReversesEncodeForEveryByte)
{
  std::string all;
  for (int i = 1; i < 256; ++i)
    all.push_back(static_cast<char>(i));
  std::vector<char> encoded(all.size() * 3 + 1);
  ZMURLCode::URLEncode(encoded.data(), all.c_str());
  std::vector<char> decoded(all.size() + 1);
  EXPECT_EQ(std::string(ZMURLCode::URLDecode(decoded.data(), encoded.data())), all);

  char out[16];
  EXPECT_STREQ(ZMURLCode::URLDecode(out, "%4a%4B+"), "JK ");
}

TEST(ZMURLCode, IncompleteEscapesStopAtTheTerminator)
{
  // Each input sits at the end of its own heap block, so AddressSanitizer sees a read past it.
  for (const std::string text : {"%", "%4", "a%", "%G1", "%1G"}) {
    std::vector<char> input(text.begin(), text.end());
    input.push_back('\0');
    std::vector<char> out(input.size());
    EXPECT_EQ(std::string(ZMURLCode::URLDecode(out.data(), input.data())), text);
  }
}

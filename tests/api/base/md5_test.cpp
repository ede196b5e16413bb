// ZMMD5: the RFC 1321 test suite and block-boundary lengths.
// SPDX-License-Identifier: MIT
#include "api/base/md5.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

std::string Hex(const std::string& message)
{
  unsigned char digest[16];
  ZMMD5::GetMD5(message.data(), static_cast<std::uint32_t>(message.size()), digest);
  std::string hex;
  char pair[3];
  for (unsigned char byte : digest) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return hex;
}

}  // namespace

TEST(ZMMD5, Rfc1321TestSuite)
{
  EXPECT_EQ(Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"), "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(ZMMD5, AgreesWithMd5sumAcrossBlockBoundaries)
{
  zamra_test::TempDir dir;
  for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string message;
    for (size_t i = 0; i < length; ++i)
      message.push_back(static_cast<char>(i * 7 + 3));
    const std::string path = dir.File("m" + std::to_string(length));
    zamra_test::WriteAll(path, std::vector<unsigned char>(message.begin(), message.end()));
    int status = 0;
    const std::string peer = zamra_test::RunCommand("md5sum '" + path + "'", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Hex(message), peer.substr(0, 32)) << "length " << length;
  }
}

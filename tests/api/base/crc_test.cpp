// ZMCRC: CRC-16/XMODEM check values.
// SPDX-License-Identifier: MIT
#include "api/base/crc.h"

#include <string>

#include <gtest/gtest.h>

TEST(ZMCRC, MatchesCrc16XmodemCheckValues)
{
  const std::string digits = "123456789";
  EXPECT_EQ(ZMCRC::GetCRCCode16_12_5(digits.data(), 9), 0x31C3);
  EXPECT_EQ(ZMCRC::GetCRCCode16_12_5("A", 1), 0x58E5);
  EXPECT_EQ(ZMCRC::GetCRCCode16_12_5("\xFF\xFF", 2), 0x1D0F);  // Python's binascii.crc_hqx(b"\xff\xff", 0)
  EXPECT_EQ(ZMCRC::GetCRCCode16_12_5(nullptr, 5), 0);
  EXPECT_EQ(ZMCRC::GetCRCCode16_12_5(digits.data(), 0), 0);
  EXPECT_EQ(digits, "123456789");
}

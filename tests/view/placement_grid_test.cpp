// The placement grid's bits answer as a plain grid of one byte a pixel would, across words.
// SPDX-License-Identifier: MIT
#include "drawing/placement_grid.h"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

using namespace zamra::view;

TEST(PlacementGrid, AnswersAsAByteGridWould)
{
  constexpr int kWidth = 203, kHeight = 37;  // rows of four words, the last one partly used
  PlacementGrid grid;
  grid.Resize(kWidth, kHeight);
  std::vector<unsigned char> bytes(static_cast<size_t>(kWidth) * kHeight, 0);
  const auto plainAny = [&](int left, int top, int right, int bottom) {
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x)
        if (bytes[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] != 0)
          return true;
    return false;
  };
  std::mt19937 random(99);
  std::uniform_int_distribution<int> column(0, kWidth - 1), row(0, kHeight - 1), wide(0, 140), high(0, 6);
  for (int i = 0; i < 3000; ++i) {
    const int left = column(random), top = row(random);
    const int right = std::min(kWidth - 1, left + wide(random) - 2);  // sometimes empty
    const int bottom = std::min(kHeight - 1, top + high(random));
    ASSERT_EQ(grid.AnyClaimed(left, top, right, bottom), plainAny(left, top, right, bottom)) << i;
    if (i % 7 == 0) {
      grid.Claim(left, top, right, bottom);
      for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
          bytes[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] = 1;
    }
  }
  int claimed = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_EQ(grid.IsClaimed(x, y), bytes[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] != 0);
      claimed += grid.IsClaimed(x, y) ? 1 : 0;
    }
  EXPECT_GT(claimed, kWidth * kHeight / 4);
  grid.Clear();
  EXPECT_FALSE(grid.AnyClaimed(0, 0, kWidth - 1, kHeight - 1));
  grid.Resize(0, 5);
  EXPECT_TRUE(grid.IsEmpty());
}

// Class breaks (equal intervals, quantiles, Jenks's natural breaks) and the ColorBrewer ramps and
// palettes thematic styles take their colours from.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "thematic/class_breaks.h"
#include "view/thematic_style.h"

namespace zt = zamra::thematic;

TEST(ClassBreaks, EqualIntervalsEndAtTheMaximumAndRefuseBadBounds)
{
  EXPECT_EQ(zt::EqualIntervalBreaks(0, 100, 4), (std::vector<double>{25, 50, 75, 100}));
  EXPECT_EQ(zt::EqualIntervalBreaks(7, 7, 5), (std::vector<double>{7}));
  EXPECT_TRUE(zt::EqualIntervalBreaks(0, 1, 0).empty());
  EXPECT_TRUE(zt::EqualIntervalBreaks(5, 1, 3).empty());
  EXPECT_TRUE(zt::EqualIntervalBreaks(0, 1.0 / 0.0, 3).empty());
}

TEST(ClassBreaks, QuantilesShareTheValuesAndMergeTies)
{
  std::vector<double> values;
  for (int i = 100; i >= 1; --i)
    values.push_back(i);
  EXPECT_EQ(zt::QuantileBreaks(values, 4), (std::vector<double>{25, 50, 75, 100}));
  // Ties: eight ones and two twos cannot make five classes.
  std::vector<double> tied{1, 1, 2, 1, 1, 1, 2, 1, 1, 1};
  EXPECT_EQ(zt::QuantileBreaks(tied, 5), (std::vector<double>{1, 2}));
  std::vector<double> none;
  EXPECT_TRUE(zt::QuantileBreaks(none, 3).empty());
}

TEST(ClassBreaks, NaturalBreaksFindTheGapsBetweenClusters)
{
  // Exact on few distinct values, weighted by how often each occurs.
  const std::vector<double> clusters{52, 1, 2, 3, 10, 11, 12, 50, 51, 3, 3};
  EXPECT_EQ(zt::NaturalBreaks(clusters, 3), (std::vector<double>{3, 12, 52}));
  // Fewer distinct values than classes: a class each.
  EXPECT_EQ(zt::NaturalBreaks(std::vector<double>{4, 4, 9}, 5), (std::vector<double>{4, 9}));

  // Many values: three clusters of 200,000 each, found on the fixed sample; the last bound is
  // the largest value however unlikely the sample was to draw it.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> spread(0.0, 1.0);
  std::vector<double> many;
  for (double centre : {100.0, 500.0, 900.0})
    for (int i = 0; i < 200000; ++i)
      many.push_back(centre + spread(random) * 50);
  many.push_back(2000.0);  // one far outlier
  const std::vector<double> bounds = zt::NaturalBreaks(many, 4);
  ASSERT_EQ(bounds.size(), 4u);
  EXPECT_GT(bounds[0], 149.0);
  EXPECT_LT(bounds[0], 500.0);
  EXPECT_GT(bounds[1], 549.0);
  EXPECT_LT(bounds[1], 900.0);
  EXPECT_GT(bounds[2], 949.0);
  EXPECT_LT(bounds[2], 2000.0);
  EXPECT_EQ(bounds[3], 2000.0);
  EXPECT_EQ(zt::NaturalBreaks(many, 4), bounds);  // the same sample every time
}

TEST(ColorRamps, RampsHaveTheirOwnColoursForEachCount)
{
  // ColorBrewer's Blues in 3 and in 5 classes, and YlOrRd in 9.
  EXPECT_EQ(zt::RampColors("Blues", 3),
            (std::vector<COLORREF>{RGB(0xde, 0xeb, 0xf7), RGB(0x9e, 0xca, 0xe1), RGB(0x31, 0x82, 0xbd)}));
  const std::vector<COLORREF> five = zt::RampColors("Blues", 5);
  ASSERT_EQ(five.size(), 5u);
  EXPECT_EQ(five.front(), RGB(0xef, 0xf3, 0xff));
  EXPECT_EQ(five.back(), RGB(0x08, 0x51, 0x9c));
  const std::vector<COLORREF> nine = zt::RampColors("YlOrRd", 9);
  ASSERT_EQ(nine.size(), 9u);
  EXPECT_EQ(nine.front(), RGB(0xff, 0xff, 0xcc));
  EXPECT_EQ(nine.back(), RGB(0x80, 0x00, 0x26));
  EXPECT_TRUE(zt::RampColors("Blues", 2).empty());
  EXPECT_TRUE(zt::RampColors("Blues", 10).empty());
  EXPECT_TRUE(zt::RampColors("NoSuchRamp", 5).empty());
  for (const std::string& name : zt::RampNames())
    for (int count = 3; count <= 9; ++count)
      EXPECT_EQ(zt::RampColors(name, count).size(), static_cast<size_t>(count)) << name;
}

TEST(ColorRamps, PalettesGoOnWithTheOthersPastTheirEnd)
{
  // Set1 starts red, blue; its tenth colour is the next palette's first.
  EXPECT_EQ(zt::PaletteColor("Set1", 0), RGB(0xe4, 0x1a, 0x1c));
  EXPECT_EQ(zt::PaletteColor("Set1", 1), RGB(0x37, 0x7e, 0xb8));
  const std::vector<std::string> names = zt::PaletteNames();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], "Set1");
  EXPECT_EQ(zt::PaletteColor("Set1", 9), zt::PaletteColor(names[1], 0));
  std::vector<COLORREF> colours;
  for (int i = 0; i < 64; ++i)
    colours.push_back(zt::PaletteColor("Set3", i));
  EXPECT_EQ(colours[0], RGB(0x8d, 0xd3, 0xc7));
  EXPECT_EQ(zt::PaletteColor("NoSuchPalette", 0), RGB(0, 0, 0));
  EXPECT_EQ(zt::PaletteColor("Set1", -1), RGB(0, 0, 0));
}

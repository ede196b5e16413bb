// shpinfo on the bundled samples and on broken files.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

std::string ShpInfo(const std::string& arguments, int* status)
{
  return RunCommand(std::string(ZAMRA_TOOLS_DIR) + "/shpinfo " + arguments + " 2>&1", status);
}

}  // namespace

TEST(ShpInfo, DescribesTheSamples)
{
  int status = -1;
  const std::string out = ShpInfo("-n 2 " + std::string(ZAMRA_SAMPLES_DIR) + "/world_countries.shp", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("type      5 (polygon)"), std::string::npos) << out;
  EXPECT_NE(out.find("records   177"), std::string::npos) << out;
  EXPECT_NE(out.find("walked    177 records"), std::string::npos) << out;
  EXPECT_EQ(out.find("record 3 "), std::string::npos) << "only the first two records are listed";

  const std::string cities = ShpInfo(std::string(ZAMRA_SAMPLES_DIR) + "/world_cities.shp", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(cities.find("record 243"), std::string::npos);
}

TEST(ShpInfo, ReportsBrokenFilesWithoutCrashing)
{
  TempDir dir;
  const std::vector<unsigned char> good = zamra_test::ReadAll(std::string(ZAMRA_SAMPLES_DIR) + "/world_borders.shp");
  ASSERT_GT(good.size(), 300u);

  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    const char* message;
  };
  std::vector<unsigned char> truncated(good.begin(), good.begin() + 250);
  std::vector<unsigned char> lyingCounts = good;
  lyingCounts[100 + 8 + 4 + 32 + 3] = 0x7F;  // first record claims 2^31-ish parts
  std::vector<unsigned char> notShapefile(good.begin(), good.end());
  notShapefile[3] = 0;
  const Case cases[] = {
      {"short.shp", std::vector<unsigned char>(good.begin(), good.begin() + 60), "shorter than the 100-byte header"},
      {"truncated.shp", truncated, "broken"},
      {"lying.shp", lyingCounts, "counts do not fit"},
      {"other.shp", notShapefile, "not a shapefile"},
  };
  for (const Case& c : cases) {
    zamra_test::WriteAll(dir.File(c.name), c.bytes);
    int status = 0;
    const std::string out = ShpInfo(dir.File(c.name), &status);
    EXPECT_EQ(status, 1) << c.name << "\n" << out;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.name << "\n" << out;
  }
  int status = 0;
  ShpInfo(dir.File("missing.shp"), &status);
  EXPECT_EQ(status, 1);
}

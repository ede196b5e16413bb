// mapory-identify and mapory-render on the bundled samples, and on files they must refuse.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

std::string Tool(const std::string& name, const std::string& arguments, int* status)
{
  return RunCommand(
      "QT_QPA_PLATFORM=offscreen " + std::string(ZAMRA_TOOLS_DIR) + "/" + name + " " + arguments + " 2>&1", status);
}

std::string Sample(const char* name) { return std::string(ZAMRA_SAMPLES_DIR) + "/" + name; }

std::uint32_t BigEndian(const std::vector<unsigned char>& bytes, size_t at)
{
  return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) | (std::uint32_t(bytes[at + 2]) << 8) |
         bytes[at + 3];
}

}  // namespace

TEST(MaporyIdentify, FindsTheFeatureUnderAPointInEachLayer)
{
  int status = -1;
  const std::string out = Tool("mapory-identify",
                               "139.7 35.7 " + Sample("world_countries.shp") + " " + Sample("world_cities.shp") + " " +
                                   Sample("world_borders.shp"),
                               &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("world_countries.shp: record"), std::string::npos) << out;
  EXPECT_NE(out.find("Japan"), std::string::npos) << out;
  EXPECT_NE(out.find("日本"), std::string::npos) << "UTF-8 attributes come through" << out;
  EXPECT_NE(out.find("Tokyo"), std::string::npos) << out;
  EXPECT_NE(out.find("world_borders.shp: nothing at"), std::string::npos) << out;

  TempDir dir;
  zamra_test::WriteAll(dir.File("broken.shp"), std::vector<unsigned char>(50, 7));
  Tool("mapory-identify", "10 10 " + dir.File("broken.shp"), &status);
  EXPECT_EQ(status, 1);
  Tool("mapory-identify", "ten 10 " + Sample("world_cities.shp"), &status);
  EXPECT_EQ(status, 2);
}

TEST(MaporyRender, WritesPicturesOfTheRequestedSize)
{
  TempDir dir;
  int status = -1;
  const std::string png = dir.File("world.png");
  const std::string out = Tool(
      "mapory-render",
      "-o " + png + " -W 320 -H 200 " + Sample("world_countries.shp") + " " + Sample("world_cities.shp"), &status);
  EXPECT_EQ(status, 0) << out;
  const std::vector<unsigned char> bytes = zamra_test::ReadAll(png);
  ASSERT_GT(bytes.size(), 24u);
  EXPECT_EQ(bytes[1], 'P');
  EXPECT_EQ(BigEndian(bytes, 16), 320u) << "IHDR width";
  EXPECT_EQ(BigEndian(bytes, 20), 200u) << "IHDR height";

  const std::string bmp = dir.File("tokyo.bmp");
  Tool("mapory-render", "-o " + bmp + " -W 64 -H 48 -s 2000000 -c 139.7,35.7 " + Sample("world_countries.shp"),
       &status);
  EXPECT_EQ(status, 0);
  const std::vector<unsigned char> picture = zamra_test::ReadAll(bmp);
  ASSERT_GT(picture.size(), 54u);
  EXPECT_EQ(picture[0], 'B');
  EXPECT_EQ(picture.size(), 54u + 48u * 192u) << "rows of 64 x 3 bytes";

  Tool("mapory-render", "-o " + dir.File("x.gif") + " " + Sample("world_countries.shp"), &status);
  EXPECT_EQ(status, 2) << "only PNG and BMP";
  Tool("mapory-render", "-o " + dir.File("none.png") + " " + dir.File("missing.shp"), &status);
  EXPECT_EQ(status, 1);
}

// The tools under an address-space limit (`ulimit -v`): a file too large for the memory they
// may use is reported as such ("not enough memory to load"), not as a broken file, and
// mapory-render still draws the layers that did load.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/address_space.h"
#include "support/memory_hungry_layer.h"
#include "support/shapelib_writer.h"  // linked with shapelib, which the layer is written with
#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

std::string Tool(long limitKilobytes, const std::string& name, const std::string& arguments, int* status)
{
  return RunCommand("ulimit -v " + std::to_string(limitKilobytes) + "; QT_QPA_PLATFORM=offscreen exec " +
                        std::string(ZAMRA_TOOLS_DIR) + "/" + name + " " + arguments + " 2>&1",
                    status);
}

// The smallest limit (to 4 MB) under which the tool runs `arguments` with success: what it
// needs for itself, which differs between machines and builds.
long SmallestLimit(const std::string& name, const std::string& arguments)
{
  long low = 8 * 1024, high = 8L * 1024 * 1024;  // KB: fails at low, runs at high
  int status = -1;
  Tool(high, name, arguments, &status);
  if (status != 0)
    return -1;
  while (high - low > 4 * 1024) {
    const long middle = (low + high) / 2;
    Tool(middle, name, arguments, &status);
    (status == 0 ? high : low) = middle;
  }
  return high;
}

// A .shp of one multipoint record of `points` points, with no .shx or .dbf beside it.
void WriteLargeMultipoint(const std::string& path, std::int32_t points)
{
  const std::int64_t content = 4 + 32 + 4 + 16 * static_cast<std::int64_t>(points);
  const std::int64_t length = 100 + 8 + content;
  std::vector<unsigned char> bytes(static_cast<size_t>(length), 0);
  const auto big = [&bytes](size_t at, std::uint32_t value) {
    for (int byte = 0; byte < 4; ++byte)
      bytes[at + static_cast<size_t>(byte)] = static_cast<unsigned char>(value >> (24 - 8 * byte));
  };
  const auto little = [&bytes](size_t at, std::int32_t value) { std::memcpy(&bytes[at], &value, 4); };
  big(0, 9994);
  big(24, static_cast<std::uint32_t>(length / 2));
  little(28, 1000);
  little(32, 8);  // multipoint
  big(100, 1);
  big(104, static_cast<std::uint32_t>(content / 2));
  little(108, 8);
  little(108 + 4 + 32, points);  // the box and the points stay zero: one point at (0, 0)
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(OutOfMemoryTools, AFileTooLargeForTheLimitIsNamedSoAndTheRestIsDrawn)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
  TempDir dir;
  const std::string sample = std::string(ZAMRA_SAMPLES_DIR) + "/world_countries.shp";
  // 120000 records of 1000 one-digit numbers: 120 MB of .dbf.
  const std::string hungry = dir.File("hungry");
  ASSERT_TRUE(zamra_test::WriteMemoryHungryLayer(hungry, 120000, 1000));

  const std::string render = "-W 200 -H 100 -o '" + dir.File("map.png") + "' ";
  const long renderLimit = SmallestLimit("mapory-render", render + "'" + sample + "'");
  ASSERT_GT(renderLimit, 0);
  std::filesystem::remove(dir.File("map.png"));
  int status = -1;
  std::string out = Tool(renderLimit + 64 * 1024, "mapory-render", render + "'" + sample + "' '" + hungry + ".shp'",
                         &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("hungry.shp: not enough memory to load the shapefile"), std::string::npos) << out;
  EXPECT_EQ(out.find("missing, broken"), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::exists(dir.File("map.png"))) << "the countries are drawn all the same";

  const long identifyLimit = SmallestLimit("mapory-identify", "139.7 35.7 '" + sample + "'");
  ASSERT_GT(identifyLimit, 0);
  out = Tool(identifyLimit + 64 * 1024, "mapory-identify", "139.7 35.7 '" + hungry + ".shp' '" + sample + "'", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("hungry.shp: not enough memory to load the shapefile"), std::string::npos) << out;
  EXPECT_NE(out.find("Japan"), std::string::npos) << "the countries answer all the same:\n" << out;

  // shpinfo reads the .shp whole: 16 MB of points under 8 MB of room.
  const long infoLimit = SmallestLimit("shpinfo", "-n 1 '" + sample + "'");
  ASSERT_GT(infoLimit, 0);
  WriteLargeMultipoint(dir.File("large.shp"), 1 << 20);
  out = Tool(infoLimit + 8 * 1024, "shpinfo", "-n 1 '" + dir.File("large.shp") + "'", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("large.shp: not enough memory to load the file"), std::string::npos) << out;
  out = Tool(infoLimit + 64 * 1024, "shpinfo", "-n 1 '" + dir.File("large.shp") + "'", &status);
  EXPECT_EQ(status, 0) << "with room it is read:\n" << out;
}

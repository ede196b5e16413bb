// mapory-identify and mapory-render take a .zip of shapefiles as they take a .shp, and say why
// when an archive cannot be read.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/python_script.h"
#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

std::string Tool(const std::string& name, const std::string& arguments, int* status)
{
  return RunCommand(
      "QT_QPA_PLATFORM=offscreen " + std::string(ZAMRA_TOOLS_DIR) + "/" + name + " " + arguments + " 2>&1", status);
}

// The bundled cities and countries in one archive, in folders.
std::string ZipSamples(const TempDir& dir)
{
  int status = -1;
  const std::string output = zamra_test::RunPython(
      dir, R"(
import sys, zipfile
samples, archive = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as z:
    for name in ('world_cities', 'world_countries'):
        for extension in ('.shp', '.shx', '.dbf', '.prj', '.cpg'):
            try:
                z.write(samples + '/' + name + extension, 'natural/' + name + extension)
            except FileNotFoundError:
                pass
)",
      "'" + std::string(ZAMRA_SAMPLES_DIR) + "' '" + dir.File("world.zip") + "'", &status);
  EXPECT_EQ(status, 0) << output;
  return dir.File("world.zip");
}

}  // namespace

TEST(ZippedFilesTools, AnArchiveGivesEveryShapefileInIt)
{
  TempDir dir;
  const std::string archive = ZipSamples(dir);
  int status = -1;
  std::string out = Tool("mapory-identify", "139.7 35.7 '" + archive + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("world_cities.shp: record"), std::string::npos) << out;
  EXPECT_NE(out.find("Tokyo"), std::string::npos) << out;
  EXPECT_NE(out.find("world_countries.shp: record"), std::string::npos) << out;
  EXPECT_NE(out.find("Japan"), std::string::npos) << out;
  out = Tool("mapory-identify", "139.7 35.7 '" + archive + "/natural/world_cities.shp'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Tokyo"), std::string::npos) << out;

  out = Tool("mapory-render", "-W 200 -H 100 -o '" + dir.File("map.png") + "' '" + archive + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("2 layers"), std::string::npos) << out;

  zamra_test::WriteAll(dir.File("broken.zip"), std::vector<unsigned char>(40, 'q'));
  out = Tool("mapory-identify", "10 10 '" + dir.File("broken.zip") + "'", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("not a zip archive"), std::string::npos) << out;
}

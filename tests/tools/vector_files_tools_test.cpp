// mapory-identify and mapory-render take files of the formats GDAL reads as they take a .shp:
// every table and kind of a file, or one named by its layer path; and say why when a file
// cannot be read.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <string>

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

// The bundled cities and countries as two tables of one GeoPackage.
std::string PackageSamples(const TempDir& dir)
{
  const std::string package = dir.File("world.gpkg");
  int status = -1;
  std::string output = RunCommand("ogr2ogr -f GPKG '" + package +
                                      "' '" ZAMRA_SAMPLES_DIR
                                      "/world_countries.shp' -nln countries -nlt PROMOTE_TO_MULTI 2>&1",
                                  &status);
  EXPECT_EQ(status, 0) << output;
  output = RunCommand(
      "ogr2ogr -update -f GPKG '" + package + "' '" ZAMRA_SAMPLES_DIR "/world_cities.shp' -nln cities 2>&1", &status);
  EXPECT_EQ(status, 0) << output;
  return package;
}

}  // namespace

TEST(VectorFilesTools, AFileGivesEveryTableAndKindInIt)
{
  TempDir dir;
  const std::string package = PackageSamples(dir);
  int status = -1;
  std::string out = Tool("mapory-identify", "139.7 35.7 '" + package + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("cities: record"), std::string::npos) << out;
  EXPECT_NE(out.find("Tokyo"), std::string::npos) << out;
  EXPECT_NE(out.find("countries: record"), std::string::npos) << out;
  EXPECT_NE(out.find("Japan"), std::string::npos) << out;
  out = Tool("mapory-identify", "139.7 35.7 '" + package + "|cities|points'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Tokyo"), std::string::npos) << out;
  EXPECT_EQ(out.find("Japan"), std::string::npos) << out;

  out = Tool("mapory-render", "-W 200 -H 100 -o '" + dir.File("map.png") + "' '" + package + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_TRUE(std::ifstream(dir.File("map.png")).good());
}

TEST(VectorFilesTools, FilesThatCannotBeReadSayWhy)
{
  TempDir dir;
  std::ofstream(dir.File("broken.geojson")) << "{\"type\": \"FeatureCollection\", \"features\": [";
  std::ofstream(dir.File("empty.geojson")) << R"({"type":"FeatureCollection","features":[]})";
  int status = -1;
  std::string out = Tool("mapory-identify", "0 0 '" + dir.File("broken.geojson") + "'", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("cannot open the file"), std::string::npos) << out;
  out = Tool("mapory-render", "-o '" + dir.File("map.png") + "' '" + dir.File("empty.geojson") + "'", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("no points, lines or polygons"), std::string::npos) << out;
  out = Tool("mapory-identify", "0 0 '" + dir.File("missing.gpkg") + "'", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("cannot open the file"), std::string::npos) << out;
}

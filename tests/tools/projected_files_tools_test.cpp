// The tools on files in projected systems: the map tools find records at longitude/latitude and
// say what they made of each .prj; shpinfo and the formats library show the file's own numbers.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "api/formats/shape_file.h"
#include "support/projected_samples.h"
#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

std::string Tool(const std::string& name, const std::string& arguments, int* status)
{
  return RunCommand(
      "QT_QPA_PLATFORM=offscreen " + std::string(ZAMRA_TOOLS_DIR) + "/" + name + " " + arguments + " 2>&1", status);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ProjectedFilesTools : public ::testing::Test {
protected:
  void SetUp() override
  {
    const std::string error = zamra_test::WriteProjectedSamples(m_dir);
    ASSERT_TRUE(error.empty()) << error;
  }
  std::string Shp(const char* name) const { return m_dir.File(std::string(name) + ".shp"); }

  TempDir m_dir;
};

}  // namespace

TEST_F(ProjectedFilesTools, IdentifyFindsRecordsAtLongitudeLatitudeAndCountsDroppedOnes)
{
  int status = -1;
  std::string out = Tool("mapory-identify", "13.40 52.52 " + Shp("utm33_polygons"), &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_TRUE(Has(out, "utm33_polygons.shp: record 0")) << out;
  EXPECT_TRUE(Has(out, "Berlin")) << out;
  EXPECT_TRUE(Has(out, "utm33_polygons.shp: transformed from \"")) << out;
  EXPECT_TRUE(Has(out, "UTM")) << "the system's name: " << out;
  EXPECT_TRUE(Has(out, "utm33_polygons.shp: records with a vertex outside that system's domain, left out as null "
                       "shapes: 1"))
      << out;

  out = Tool("mapory-identify", "-73.9857 40.7484 " + Shp("stateplane_points"), &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_TRUE(Has(out, "Empire State")) << out;
  EXPECT_FALSE(Has(out, "outside")) << out;
}

TEST_F(ProjectedFilesTools, MapToolsSayWhenNumbersAreTakenAsTheyAre)
{
  int status = -1;
  const std::string out = Tool(
      "mapory-identify",
      "5.5 45.5 " + Shp("noprj_polygons") + " " + Shp("bad_prj_polygons") + " " + Shp("wgs84_polygons"), &status);
  EXPECT_EQ(status, 0) << out;
  for (const char* name : {"noprj_polygons", "bad_prj_polygons", "wgs84_polygons"})
    EXPECT_TRUE(Has(out, std::string(name) + ".shp: record 0")) << out;
  EXPECT_TRUE(Has(out, "noprj_polygons.shp: no .prj beside it")) << out;
  EXPECT_TRUE(Has(out, "bad_prj_polygons.shp: its .prj names no coordinate system")) << out;
  EXPECT_FALSE(Has(out, "wgs84_polygons.shp: no")) << "longitude/latitude files need no note: " << out;
  EXPECT_FALSE(Has(out, "wgs84_polygons.shp: its")) << out;

  const std::string png = m_dir.File("map.png");
  const std::string render = Tool("mapory-render",
                                  "-o " + png + " -W 200 -H 150 " + std::string(ZAMRA_SAMPLES_DIR) +
                                      "/world_countries.shp " + Shp("utm33_polygons") + " " + Shp("noprj_polygons"),
                                  &status);
  EXPECT_EQ(status, 0) << render;
  EXPECT_TRUE(Has(render, "mapory-render: utm33_polygons.shp: transformed from")) << render;
  EXPECT_TRUE(Has(render, "mapory-render: utm33_polygons.shp: records with a vertex outside")) << render;
  EXPECT_TRUE(Has(render, "mapory-render: noprj_polygons.shp: no .prj beside it")) << render;
  EXPECT_FALSE(Has(render, "world_countries.shp:")) << render;
}

TEST_F(ProjectedFilesTools, ShpInfoAndTheFormatsLibraryKeepTheFilesOwnNumbers)
{
  std::unique_ptr<ZMShapeFile> file(ZMShapeFile::GetInstance(Shp("utm33_polygons").c_str()));
  ASSERT_NE(file, nullptr);
  ST_RECT box;
  file->GetEnvelop(&box);
  EXPECT_GT(box.left, 100000.0) << "metres of easting, not degrees";
  EXPECT_GT(box.bottom, 5000000.0 - 1.0);
  int status = -1;
  const std::string out = Tool("shpinfo", Shp("utm33_polygons"), &status);
  EXPECT_EQ(status, 0) << out;
  char left[64];
  std::snprintf(left, sizeof left, "(%.6f, %.6f)", box.left, box.bottom);
  EXPECT_TRUE(Has(out, left)) << left << " in " << out;
}

// A machine without GDAL: shapefiles open as ever, other formats are refused with a status that
// says GDAL is missing (the library named by ZAMRA_GDAL_LIBRARY cannot be opened here).
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "model/map_model.h"
#include "view/vector_source.h"

using namespace zamra::view;

TEST(VectorSourceWithoutGdal, ShapefilesOpenAndOtherFormatsSayWhatIsMissing)
{
  // Before anything opens GDAL in this process: it is opened once.
  ASSERT_EQ(setenv("ZAMRA_GDAL_LIBRARY", "libgdal-not-installed.so.0", 1), 0);
  zamra_test::TempDir dir;
  const std::string json = dir.File("point.geojson");
  std::ofstream(json) << R"({"type":"FeatureCollection","features":[)"
                         R"({"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[1,2]}}]})";
  CMapModel model;
  EXPECT_EQ(model.AddLayer(json.c_str()), nullptr);
  EXPECT_FALSE(ZamraVectorSource::IsAvailable());
  EXPECT_EQ(ZamraVectorSource::CheckLayer(json), ZamraVectorStatus::NoGdal);
  std::vector<ZamraVectorLayer> layers;
  EXPECT_EQ(ZamraVectorSource::ListLayers(json, layers), ZamraVectorStatus::NoGdal);
  EXPECT_NE(model.AddLayer(ZAMRA_SAMPLES_DIR "/world_cities.shp"), nullptr);
}

// LayerProjection: what it makes of .prj texts, and its transformation of large point blocks
// over several threads, which must give the very numbers one thread gives.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "coordinates/layer_projection.h"

using namespace zamra::view;

using zamra_test::TempDir;

namespace {

// As ESRI software (and projinfo -o WKT1_ESRI) writes them.
const char* const kUtm33Esri =
    R"(PROJCS["WGS_1984_UTM_Zone_33N",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],PARAMETER["Central_Meridian",15.0],PARAMETER["Scale_Factor",0.9996],PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]])";
const char* const kWgs84Esri =
    R"(GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]])";
// As GDAL writes it (OGC WKT 1 with authority codes and axes).
const char* const kWgs84Ogc =
    R"(GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563,AUTHORITY["EPSG","7030"]],AUTHORITY["EPSG","6326"]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AXIS["Latitude",NORTH],AXIS["Longitude",EAST],AUTHORITY["EPSG","4326"]])";
// A local grid that nothing relates to the earth.
const char* const kLocal =
    R"(LOCAL_CS["Site grid",LOCAL_DATUM["Site",0],UNIT["metre",1],AXIS["X",EAST],AXIS["Y",NORTH]])";

void WriteText(const std::string& path, const std::string& text)
{
  zamra_test::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace

TEST(LayerProjection, TellsWhatAPrjTextMakesOfTheNumbers)
{
  const struct {
    std::string wkt;
    LayerCoordinates expected;
  } cases[] = {
      {kUtm33Esri, LayerCoordinates::Transformed},
      {kWgs84Esri, LayerCoordinates::LongitudeLatitude},
      {kWgs84Ogc, LayerCoordinates::LongitudeLatitude},
      {"\xEF\xBB\xBF" + std::string(kUtm33Esri) + "\r\n", LayerCoordinates::Transformed},  // a mark and a line end
      {kLocal, LayerCoordinates::UnreadablePrj},
      {"PROJCS[\"Half\",GEOGCS[", LayerCoordinates::UnreadablePrj},
      {"   \r\n", LayerCoordinates::UnreadablePrj},
      {"EPSG:32633", LayerCoordinates::UnreadablePrj},  // a code, not the WKT a .prj holds
      {std::string("GEOGCS\0[\"x\"]", 12), LayerCoordinates::UnreadablePrj},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.wkt);
    LayerProjection projection;
    projection.ReadWkt(each.wkt);
    EXPECT_EQ(projection.Coordinates(), each.expected);
    EXPECT_EQ(projection.NeedsTransform(), each.expected == LayerCoordinates::Transformed);
  }
  LayerProjection utm;
  utm.ReadWkt(kUtm33Esri);
  EXPECT_NE(utm.SystemName().find("UTM"), std::string::npos) << utm.SystemName();
}

TEST(LayerProjection, FindsThePrjBesideTheShpInEitherLetterCase)
{
  TempDir dir;
  LayerProjection projection;
  projection.ReadPrjBeside(dir.File("roads.shp").c_str());
  EXPECT_EQ(projection.Coordinates(), LayerCoordinates::NoPrj);
  WriteText(dir.File("ROADS.PRJ"), kUtm33Esri);
  projection.ReadPrjBeside(dir.File("ROADS.SHP").c_str());
  EXPECT_EQ(projection.Coordinates(), LayerCoordinates::Transformed);
  projection.ReadPrjBeside(dir.File("roads.shp").c_str());
  EXPECT_EQ(projection.Coordinates(), LayerCoordinates::NoPrj) << "another base name";
  WriteText(dir.File("empty.prj"), "");
  projection.ReadPrjBeside(dir.File("empty.shp").c_str());
  EXPECT_EQ(projection.Coordinates(), LayerCoordinates::UnreadablePrj);
  projection.ReadPrjBeside(nullptr);
  EXPECT_EQ(projection.Coordinates(), LayerCoordinates::NoPrj);
}

TEST(LayerProjection, ManyThreadsGiveTheNumbersOfOne)
{
  LayerProjection projection;
  projection.ReadWkt(kUtm33Esri);
  ASSERT_TRUE(projection.NeedsTransform());
  // A grid over zone 33 with, every 997th point, an easting no one can invert.
  const std::int64_t count = LayerProjection::kParallelPoints * 3 / 2 + 13;
  std::vector<ST_POINT> whole(static_cast<size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    whole[static_cast<size_t>(i)].x = i % 997 == 0 ? 1e10 : 300000.0 + static_cast<double>(i % 1000) * 400.0;
    whole[static_cast<size_t>(i)].y = 4000000.0 + static_cast<double>(i / 1000) * 10.0;
  }
  std::vector<ST_POINT> sliced = whole;
  ASSERT_TRUE(projection.Transform(whole.data(), count));
  const std::int64_t slice = LayerProjection::kParallelPoints / 4;  // one thread each
  for (std::int64_t first = 0; first < count; first += slice)
    ASSERT_TRUE(projection.Transform(sliced.data() + first, std::min(slice, count - first)));
  std::int64_t failed = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    const ST_POINT& a = whole[static_cast<size_t>(i)];
    const ST_POINT& b = sliced[static_cast<size_t>(i)];
    ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "point " << i;
    ASSERT_EQ(IsTransformedPoint(a), i % 997 != 0) << "point " << i;
    failed += IsTransformedPoint(a) ? 0 : 1;
    if (IsTransformedPoint(a)) {
      // Zone 33 lies round 15 degrees east, and the grid round 36 degrees north.
      ASSERT_GT(a.x, 9.0);
      ASSERT_LT(a.x, 21.0);
      ASSERT_GT(a.y, 35.0);
      ASSERT_LT(a.y, 37.0);
    }
  }
  EXPECT_EQ(failed, (count + 996) / 997);
}

TEST(LayerProjection, TransformsNothingWithoutASystem)
{
  ST_POINT points[2] = {{500000, 4000000}, {1, 2}};
  for (const char* wkt : {kWgs84Esri, "nonsense"}) {
    LayerProjection projection;
    projection.ReadWkt(wkt);
    EXPECT_FALSE(projection.Transform(points, 2));
  }
  LayerProjection none;
  EXPECT_FALSE(none.Transform(points, 2));
  EXPECT_EQ(points[0].x, 500000);
  EXPECT_EQ(points[1].y, 2);
  LayerProjection utm;
  utm.ReadWkt(kUtm33Esri);
  EXPECT_TRUE(utm.Transform(points, 0)) << "an empty layer";
  EXPECT_FALSE(utm.Transform(nullptr, 5));
}

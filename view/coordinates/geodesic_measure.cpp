// ZamraGeodesic: PROJ's geodesic functions on the WGS 84 ellipsoid.
// SPDX-License-Identifier: MIT
#include "view/geodesic_measure.h"

#include <cmath>

#include "coordinates/proj_library.h"

using namespace zamra::view;

namespace {

// The WGS 84 ellipsoid: equatorial radius in metres and flattening.
constexpr double kWgs84Radius = 6378137.0;
constexpr double kWgs84Flattening = 1.0 / 298.257223563;

bool IsPoint(double lon, double lat) { return std::isfinite(lon) && std::isfinite(lat) && std::fabs(lat) <= 90.0; }

// The ellipsoid's constants, worked out once; null without PROJ.
const geod_geodesic* Wgs84(const ProjLibrary*& proj)
{
  proj = OpenProjLibrary();
  if (proj == nullptr)
    return nullptr;
  static const geod_geodesic ellipsoid = [proj] {
    geod_geodesic made{};
    proj->geodesic_init(&made, kWgs84Radius, kWgs84Flattening);
    return made;
  }();
  return &ellipsoid;
}

}  // namespace

bool ZamraGeodesic::IsAvailable() { return OpenProjLibrary() != nullptr; }

bool ZamraGeodesic::Distance(double lon1, double lat1, double lon2, double lat2, double& metres)
{
  metres = 0.0;
  const ProjLibrary* proj = nullptr;
  const geod_geodesic* ellipsoid = Wgs84(proj);
  if (ellipsoid == nullptr || !IsPoint(lon1, lat1) || !IsPoint(lon2, lat2))
    return false;
  double length = 0.0;
  proj->geodesic_inverse(ellipsoid, lat1, lon1, lat2, lon2, &length, nullptr, nullptr);
  if (!std::isfinite(length))
    return false;
  metres = length;
  return true;
}

bool ZamraGeodesic::Measure(const double* lonLat, int count, bool closed, double& length, double& area)
{
  length = area = 0.0;
  const ProjLibrary* proj = nullptr;
  const geod_geodesic* ellipsoid = Wgs84(proj);
  if (ellipsoid == nullptr || count < 0 || (count > 0 && lonLat == nullptr))
    return false;
  for (size_t i = 0; i < static_cast<size_t>(count); ++i)
    if (!IsPoint(lonLat[2 * i], lonLat[2 * i + 1]))
      return false;
  geod_polygon polygon{};
  proj->polygon_init(&polygon, closed ? 0 : 1);  // the second argument asks for a line
  for (size_t i = 0; i < static_cast<size_t>(count); ++i)
    proj->polygon_add_point(ellipsoid, &polygon, lonLat[2 * i + 1], lonLat[2 * i]);
  double perimeter = 0.0, enclosed = 0.0;
  // Signed: unsigned asks for the area of the rest of the earth when the ring runs clockwise.
  proj->polygon_compute(ellipsoid, &polygon, 0, 1, closed ? &enclosed : nullptr, &perimeter);
  if (!std::isfinite(perimeter) || !std::isfinite(enclosed))
    return false;
  length = perimeter;
  area = std::fabs(enclosed);
  return true;
}

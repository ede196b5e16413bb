// ZamraGeodesic: lengths and areas on the WGS 84 ellipsoid for points given in longitude and
// latitude degrees, the coordinates the view's map is drawn in. Worked out by PROJ's geodesic
// functions, opened on first use like the rest of PROJ; without PROJ every measure fails. No
// state is kept between calls: any thread may call.
// SPDX-License-Identifier: MIT
#pragma once

#include "view/zamra_view_export.h"

/// Geodesic lengths and areas on the WGS 84 ellipsoid, from longitude/latitude degrees (PROJ).
class ZAMRA_VIEW_API ZamraGeodesic {
public:
  // Whether PROJ and its geodesic functions could be opened.
  static bool IsAvailable();

  // Metres along the shortest path on the ellipsoid from (lon1, lat1) to (lon2, lat2); any finite
  // longitude. False, with `metres` 0, for a latitude outside -90 .. 90, a coordinate that is
  // not finite, an answer that is not finite, or no PROJ.
  static bool Distance(double lon1, double lat1, double lon2, double lat2, double& metres);

  // The line through `count` points; `lonLat` holds them as longitude, latitude pairs. `length`
  // receives its length in metres: with `closed`, the way back to the first point counts, and
  // `area` receives the area the ring encloses in square metres (whichever way it runs; a ring
  // that crosses itself counts its loops against each other). Without `closed`, `area` is 0.
  // Fewer than two points measure 0 (true). False, with both 0, for a negative count, null
  // points with a count above 0, a point Distance refuses, an answer that is not finite, or no
  // PROJ.
  static bool Measure(const double* lonLat, int count, bool closed, double& length, double& area);
};

// Private: the coordinate system a .prj beside a .shp names, and the transformation of a layer's
// points from it to WGS 84 longitude/latitude, which is what the view's map is drawn in. The
// layers call it once while they load, after their points are decoded.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "api/formats/shape_records.h"

namespace zamra::view {

// What a layer's numbers are, as its .prj says.
enum class LayerCoordinates {
  NoPrj,              // no .prj: the numbers are taken as they are
  UnreadablePrj,      // a .prj PROJ cannot read or relate to WGS 84: taken as they are
  LongitudeLatitude,  // WGS 84 longitude/latitude already
  Transformed,        // another system, transformed to WGS 84 longitude/latitude
};

// The outcome of a layer's load as far as coordinates go; the tools report it.
struct LayerProjectionInfo {
  LayerCoordinates coordinates = LayerCoordinates::NoPrj;
  std::string systemName;  // the coordinate system's name from the .prj, when PROJ read it
  int droppedRecords = 0;  // records with a vertex outside the system's domain, kept as null shapes
};

class LayerProjection final {
public:
  // Layers with more points than this are transformed on every core.
  static constexpr std::int64_t kParallelPoints = 200000;
  // A .prj is a line of WKT; anything much longer is not one.
  static constexpr std::int64_t kMaxPrjBytes = 1 << 20;

  LayerProjection();
  ~LayerProjection();
  LayerProjection(const LayerProjection&) = delete;
  LayerProjection& operator=(const LayerProjection&) = delete;

  // Reads the .prj beside `shpPath` (same base name, in the letter case of the .shp's extension
  // or the other) and prepares the transformation when one is needed. Never fails: a missing or
  // unreadable .prj is a verdict (Coordinates()).
  void ReadPrjBeside(const char* shpPath);
  // The same for the text of a .prj held in memory; null for none.
  void ReadPrjText(const std::string* text);
  // Reads WKT (OGC or ESRI flavour) as a .prj holds it.
  void ReadWkt(const std::string& wkt);

  LayerCoordinates Coordinates() const { return m_coordinates; }
  const std::string& SystemName() const { return m_systemName; }
  bool NeedsTransform() const { return m_coordinates == LayerCoordinates::Transformed; }

  // Transforms `count` points in place to longitude (x) and latitude (y) in degrees. A point that
  // cannot be transformed becomes HUGE_VAL in both. Large blocks are split over threads, each
  // with its own PROJ context (the calling thread does the share of a thread that cannot start).
  // To be called on the thread that read the .prj. False, with the points left as they were,
  // when no transformation is prepared.
  bool Transform(ST_POINT* points, std::int64_t count) const;

private:
  struct Transformer;

  std::string m_wkt;
  LayerCoordinates m_coordinates = LayerCoordinates::NoPrj;
  std::string m_systemName;
  std::unique_ptr<Transformer> m_transformer;  // used by the calling thread
};

// Whether a transformed point is usable (Transform marks the others with HUGE_VAL).
inline bool IsTransformedPoint(const ST_POINT& point)
{
  return point.x > -1e300 && point.x < 1e300 && point.y > -1e300 && point.y < 1e300;
}

// Transforms the records of a polyline or polygon layer, whose points lie one after another in
// `points` (`pointCount` of them), and rebuilds every part's and record's box from its new points.
// A record with a point that cannot be transformed loses its parts (a null shape); null shapes
// get the box of all the other records. Returns the number of records lost, or -1 when nothing
// was transformed.
template <typename Multi>
int ProjectPartRecords(const LayerProjection& projection, Multi* records, int recordCount, ST_POINT* points,
                       std::int64_t pointCount);

}  // namespace zamra::view

// GEOS (its C API) as an independent oracle for geometry tests and benchmarks: building rings
// and rectangles, and asking areas, intersections and point-in-polygon.
// SPDX-License-Identifier: MIT
#pragma once

#include <geos_c.h>

#include <memory>
#include <vector>

#include "api/formats/shape_records.h"

namespace zamra_test {

class GeosContext final {
public:
  GeosContext() : m_handle(GEOS_init_r()) {}
  ~GeosContext() { GEOS_finish_r(m_handle); }
  GeosContext(const GeosContext&) = delete;
  GeosContext& operator=(const GeosContext&) = delete;

  GEOSContextHandle_t get() const { return m_handle; }

  struct Deleter {
    GEOSContextHandle_t handle;
    void operator()(GEOSGeometry* geometry) const { GEOSGeom_destroy_r(handle, geometry); }
  };
  using Geometry = std::unique_ptr<GEOSGeometry, Deleter>;

  Geometry Wrap(GEOSGeometry* geometry) const { return Geometry(geometry, Deleter{m_handle}); }

  // A polygon from a ring given without its closing point (or with it: a repeat is not added
  // twice). Null when GEOS refuses the ring.
  Geometry Polygon(const std::vector<ST_POINT>& ring) const
  {
    std::vector<ST_POINT> closed = ring;
    if (closed.front().x != closed.back().x || closed.front().y != closed.back().y)
      closed.push_back(closed.front());
    GEOSCoordSequence* sequence = GEOSCoordSeq_create_r(m_handle, static_cast<unsigned>(closed.size()), 2);
    for (std::size_t i = 0; i < closed.size(); ++i)
      GEOSCoordSeq_setXY_r(m_handle, sequence, static_cast<unsigned>(i), closed[i].x, closed[i].y);
    GEOSGeometry* shell = GEOSGeom_createLinearRing_r(m_handle, sequence);
    if (shell == nullptr)
      return Wrap(nullptr);
    return Wrap(GEOSGeom_createPolygon_r(m_handle, shell, nullptr, 0));
  }

  Geometry Rectangle(double xmin, double ymin, double xmax, double ymax) const
  {
    return Wrap(GEOSGeom_createRectangle_r(m_handle, xmin, ymin, xmax, ymax));
  }

  double Area(const GEOSGeometry* geometry) const
  {
    double area = -1.0;
    GEOSArea_r(m_handle, geometry, &area);
    return area;
  }

private:
  GEOSContextHandle_t m_handle;
};

}  // namespace zamra_test

// MapViewport: the arithmetic between geographic points and pixels.
// SPDX-License-Identifier: MIT
#include "coordinates/map_viewport.h"

#include <algorithm>
#include <cmath>

namespace zamra::view {

double MapViewport::LargestScaleFor(const ST_RECT& extent)
{
  const double widths = (extent.right - extent.left) / 360.0;
  const double heights = (extent.top - extent.bottom) / 180.0;
  const double growth = std::max(widths, heights);
  // A broken box (not a number, endless) grows nothing.
  return std::isfinite(growth) && growth > 1.0 ? kMaxScale * growth : kMaxScale;
}

void MapViewport::SetPixelRatio(double ratio)
{
  m_pixelRatio = ratio;
  m_pixelsPerMeter = kPixelsPerMeter * ratio;
  m_metersPerPixel = 1.0 / m_pixelsPerMeter;
}

int MapViewport::DevicePenWidth(int width) const
{
  if (width <= 1 || m_pixelRatio == 1.0)
    return width;
  return std::max(1, static_cast<int>(std::lround(width * m_pixelRatio)));
}

int MapViewport::DeviceLength(int length) const
{
  return m_pixelRatio == 1.0 ? length : static_cast<int>(std::lround(length * m_pixelRatio));
}

void MapViewport::PixelToGeo(double px, double py, double& x, double& y) const
{
  // Whole pixels give the very numbers of the integer arithmetic this replaced.
  const double dx = px - m_halfWidth;
  const double dy = py - m_halfHeight;
  x = dx * m_scale / kMetersPerDegreeX * m_metersPerPixel + m_centerX;
  y = m_centerY - dy * m_scale / kMetersPerDegreeY * m_metersPerPixel;
}

void MapViewport::WindowToGeo(double wx, double wy, double& x, double& y) const
{
  PixelToGeo(wx * m_pixelRatio, wy * m_pixelRatio, x, y);
}

void MapViewport::GeoToWindow(double x, double y, int& wx, int& wy) const
{
  wx = TruncateToInt(((x - m_centerX) * kMetersPerDegreeX / m_scale * m_pixelsPerMeter + m_halfWidth) / m_pixelRatio);
  wy = TruncateToInt((m_halfHeight - (y - m_centerY) * kMetersPerDegreeY / m_scale * m_pixelsPerMeter) / m_pixelRatio);
}

void MapViewport::UpdateVisibleExtent()
{
  PixelToGeo(0, 2 * m_halfHeight, m_visibleExtent.left, m_visibleExtent.bottom);
  PixelToGeo(2 * m_halfWidth, 0, m_visibleExtent.right, m_visibleExtent.top);
}

}  // namespace zamra::view

// MapViewport: where the map is looked at from (its centre, scale and surface size) and the
// arithmetic between geographic points, surface pixels and window pixels. A value: the model
// keeps one, and anything that needs the same pixels can copy it.
// SPDX-License-Identifier: MIT
#pragma once

#include <climits>

#include "api/formats/shape_records.h"
#include "view/izamra_view.h"

namespace zamra::view {

class MapViewport final {
public:
  // Ground length of one degree; one window pixel is 0.25 mm of paper, so 4000 pixels make a
  // metre. On a screen of pixel ratio r the surface has r device pixels a window pixel, 4000 x r
  // a metre: the scale means the same ground per window pixel at every ratio.
  static constexpr double kMetersPerDegreeY = 111180.0;
  static constexpr double kMetersPerDegreeX = 96284.7044;  // 111180 x cos 30 degrees
  static constexpr double kPixelsPerMeter = 4000.0;
  static constexpr double kMinScale = ZM_SCALE_SMALLEST;
  // The largest scale shows the whole world (360 degrees) in under 500 pixels, so that the full
  // extent of world data fits any window.
  static constexpr double kMaxScale = ZM_SCALE_LARGEST;

  // The largest scale that shows `extent` in no more room than kMaxScale gives the whole world:
  // kMaxScale for any box within 360 by 180 units, more for layers whose numbers are metres or
  // feet and have no .prj to make degrees of them.
  static double LargestScaleFor(const ST_RECT& extent);

  // The setters take what they are given; the model keeps the centre in its extent and the
  // scale within its limits. None of them updates the visible extent.
  void SetCenter(double x, double y)
  {
    m_centerX = x;
    m_centerY = y;
  }
  void SetScale(double scale) { m_scale = scale; }
  // The surface pixel of the window's centre; the surface is twice these.
  void SetHalfSize(int halfWidth, int halfHeight)
  {
    m_halfWidth = halfWidth;
    m_halfHeight = halfHeight;
  }
  // Device pixels a window pixel.
  void SetPixelRatio(double ratio);

  double CenterX() const { return m_centerX; }
  double CenterY() const { return m_centerY; }
  double Scale() const { return m_scale; }
  int HalfWidth() const { return m_halfWidth; }
  int HalfHeight() const { return m_halfHeight; }
  double PixelRatio() const { return m_pixelRatio; }
  double PixelsPerMeter() const { return m_pixelsPerMeter; }

  // A pen of `width` window pixels in surface pixels: 0 and 1 stay one device pixel (a hairline),
  // wider pens grow with the ratio (rounded, at least 1).
  int DevicePenWidth(int width) const;
  // A length of window pixels (a font's size, a margin) in surface pixels, rounded.
  int DeviceLength(int length) const;

  // Geographic point to surface pixel, truncated toward zero (saturated to the int range for
  // points too far away to be drawn anyway). Inline: it runs for every vertex drawn.
  void GeoToPixel(double x, double y, int& px, int& py) const
  {
    // The order of operations (multiply, divide, multiply) is kept so that pixels match exactly.
    px = TruncateToInt((x - m_centerX) * kMetersPerDegreeX / m_scale * m_pixelsPerMeter + m_halfWidth);
    py = TruncateToInt(m_halfHeight - (y - m_centerY) * kMetersPerDegreeY / m_scale * m_pixelsPerMeter);
  }
  // Surface pixel (fractions allowed) to geographic point.
  void PixelToGeo(double px, double py, double& x, double& y) const;
  // The same for window pixels, as pointer positions count them: the surface pixel is the
  // window pixel times the ratio, so a window pixel maps to the same point at every ratio.
  void WindowToGeo(double wx, double wy, double& x, double& y) const;
  // Geographic point to window pixel, truncated toward zero (the inverse of WindowToGeo).
  void GeoToWindow(double x, double y, int& wx, int& wy) const;

  // The geographic rectangle the surface covers, as of the last UpdateVisibleExtent.
  const ST_RECT& VisibleExtent() const { return m_visibleExtent; }
  void UpdateVisibleExtent();
  // Culling tests include the edges.
  bool IsVisible(const ST_RECT& envelope) const
  {
    return m_visibleExtent.left <= envelope.right && m_visibleExtent.right >= envelope.left &&
           m_visibleExtent.top >= envelope.bottom && m_visibleExtent.bottom <= envelope.top;
  }
  bool IsVisible(double x, double y) const
  {
    return x >= m_visibleExtent.left && x <= m_visibleExtent.right && y >= m_visibleExtent.bottom &&
           y <= m_visibleExtent.top;
  }

  // A coordinate of pixels as an int: truncated toward zero, NaN as 0, saturated to the range.
  static int TruncateToInt(double value)
  {
    if (value > -2147483648.0 && value < 2147483647.0)
      return static_cast<int>(value);
    if (value != value)
      return 0;  // NaN
    return value < 0 ? INT_MIN : INT_MAX;
  }

private:
  double m_centerX = 0.0;
  double m_centerY = 0.0;
  double m_scale = 30000000.0;
  int m_halfWidth = 2;
  int m_halfHeight = 2;
  double m_pixelRatio = 1.0;
  double m_pixelsPerMeter = kPixelsPerMeter;        // surface pixels a metre of paper
  double m_metersPerPixel = 1.0 / kPixelsPerMeter;  // of paper, a surface pixel
  ST_RECT m_visibleExtent{};
};

}  // namespace zamra::view

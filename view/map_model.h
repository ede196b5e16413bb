// CMapModel: everything the map view holds besides its window: the layer list, the viewport,
// the drawing surface and the placement grid. It can be driven without any window.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "band_workers.h"
#include "label_batch.h"
#include "placement_grid.h"
#include "api/formats/shape_records.h"
#include "platform/win_types.h"
#include "view/izamra_view.h"

class CShapeLayer;
class CUserPoiLayer;
class CUserPolygonLayer;
class CUserPolylineLayer;
class ILayer;

class CMapModel final {
public:
  // Ground length of one degree; one window pixel is 0.25 mm of paper, so 4000 pixels make a
  // metre. On a screen of pixel ratio r the surface has r device pixels a window pixel, 4000 x r
  // a metre: the scale means the same ground per window pixel at every ratio.
  static constexpr double kMetersPerDegreeY = 111180.0;
  static constexpr double kMetersPerDegreeX = 96284.7044;  // 111180 x cos 30 degrees
  static constexpr double kPixelsPerMeter = 4000.0;
  // The pixel ratios the model takes (device pixels a window pixel).
  static constexpr double kMinPixelRatio = 0.25;
  static constexpr double kMaxPixelRatio = 16.0;
  static constexpr int kDefaultSymbolSize = 24;  // window pixels, until a strip arrives
  static constexpr double kMinScale = ZM_SCALE_SMALLEST;
  // The largest scale shows the whole world (360 degrees) in under 500 pixels, so that the full
  // extent of world data fits any window.
  static constexpr double kMaxScale = ZM_SCALE_LARGEST;

  CMapModel();
  ~CMapModel();
  CMapModel(const CMapModel&) = delete;
  CMapModel& operator=(const CMapModel&) = delete;

  // --- Layer list (index 0 is drawn first, at the bottom) ---

  // Loads a shapefile as the last layer; null when the path is already loaded, too long, or
  // the .shp is missing or broken, or the .dbf is broken (a missing .dbf gives a table of
  // record numbers only). A path to the .shx or .dbf loads the .shp beside it. Nothing is added
  // on failure. A shapefile in a .zip archive is named by its member path (ZamraArchive), and an
  // archive that holds a single shapefile stands for it. Files of other formats are read through
  // GDAL (ZamraVectorSource names their layers). The layer stays owned by the model.
  ILayer* AddLayer(const char* path);
  // AddLayer in two steps, for loading on another thread. The path of the layer that `path`
  // names (the .shp of a .shx or .dbf, an archive's one shapefile), as the layer will keep it.
  static std::string ResolveLayerPath(const char* path);
  // Reads the layer at a resolved path without touching the list, so any thread may call it;
  // `owner` is only remembered by the layer. Null when the files fail to load, or when `stop`
  // (set by another thread; may be null) gives the load up.
  static std::unique_ptr<CShapeLayer> LoadLayer(CMapModel* owner, const char* layerPath, const std::atomic<bool>* stop);
  // Makes a loaded layer the last one and widens the full extent by its box; null (the layer
  // destroyed) for none, or when a layer of the same path is in the list by now.
  ILayer* AdoptLayer(std::unique_ptr<CShapeLayer> layer);
  // 1 when the layer at `index` was removed, else 0. The selection follows the rules of the
  // layer bar: the selected layer removed clears it, an earlier one leaves the index as it is.
  int DeleteLayer(int index);
  // Exchanges the layers at `a` and `b`; 1 on success (also for a == b), 0 out of range.
  int MoveLayer(int a, int b);
  int GetLayerCount() const { return static_cast<int>(m_layers.size()); }
  // Null outside 0 .. count - 1.
  CShapeLayer* GetLayer(int index) const;
  // Removes every layer and clears the selection.
  void DeleteAllLayers();
  int GetSelectLayer() const { return m_selectedLayer; }
  void SetSelectLayer(int index) { m_selectedLayer = index; }  // no range check: a number the host reads back
  const ST_RECT& GetFullExtent() const { return m_fullExtent; }

  // --- Viewport ---

  // Stores the centre clamped to the full extent and marks the surface dirty.
  void ClampCenter(double x, double y);
  // Stores a scale from 100 to LargestScale() (1), or refuses it (0, nothing changes).
  int SetScaleValue(double scale);
  // The largest scale that shows `extent` in no more room than kMaxScale gives the whole world:
  // kMaxScale for any box within 360 by 180 units, more for layers whose numbers are metres or
  // feet and have no .prj to make degrees of them.
  static double LargestScaleFor(const ST_RECT& extent);
  // The view's largest scale: that of the full extent of the layers.
  double LargestScale() const { return LargestScaleFor(m_fullExtent); }
  // The window was resized to width x height window pixels: new half sizes (the surface
  // pixel of the window's centre, (width / 2) x the pixel ratio, rounded), a new surface of twice
  // them and a new placement grid, unless the half sizes stay the same.
  void OnSize(int width, int height);
  // Device pixels a window pixel (1 until set): 1 (1), or refused (0, nothing changes) outside
  // kMinPixelRatio .. kMaxPixelRatio. A new ratio resizes the surface for the last window size,
  // scales the default symbol size of a model without a strip, and marks the surface dirty.
  int SetPixelRatio(double ratio);
  double PixelRatio() const { return m_pixelRatio; }
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
  // The scale a wheel step asks for: half the current one for a forward rotation (the sign of
  // the rotation is the sign of the 32-bit parameter), twice it otherwise.
  double WheelScale(int wheelParameter) const;
  // Recentres after a drag from (x0, y0) to (x1, y1) in a client area of width x height, all in
  // window pixels; false when the pointer did not move (nothing changes).
  bool DragPan(int x0, int y0, int x1, int y1, int width, int height);
  // The geographic rectangle the surface covers now.
  void UpdateVisibleExtent();

  // --- Rendering ---

  // Redraws the surface when it is dirty (white, then shapes, user layers, labels), then
  // copies it to `dc` at (x, y). 1 when it redrew, 0 when the cached picture sufficed.
  int Render(HDC dc, int x, int y);
  // Takes over the symbol strip (`count` tiles of width x height, red transparent) and
  // creates the point-of-interest layer the first time.
  void SetPoiDC(HDC strip, int count, int width, int height);
  CUserPoiLayer* GetUserPoiLayer() const { return m_userPoiLayer.get(); }
  CUserPolylineLayer* GetUserPolylineLayer() const { return m_userPolylineLayer.get(); }
  CUserPolygonLayer* GetUserPolygonLayer() const { return m_userPolygonLayer.get(); }

  // How many threads draw the shapes of polyline and polygon layers, each a horizontal band
  // of the surface with its own context (1: everything on the calling thread). The picture is
  // the same pixel for pixel whatever the number. Starts at the number of cores, at most
  // kMaxDrawingThreads; `count` is kept within 1 .. kMaxDrawingThreads.
  static constexpr int kMaxDrawingThreads = 4;
  void SetDrawingThreads(int count);
  int GetDrawingThreads() const { return m_drawingThreads; }
  // Antialiased lines, areas and outlines from the next redraw on; off, they are pixel-exact.
  void SetSmoothDrawing(bool smooth)
  {
    m_smooth = smooth;
    m_dirty = true;
  }
  bool SmoothDrawing() const { return m_smooth; }

  // Drawing services for the layers. Culling tests include the edges.
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
  // Whether a box can show in what `dc` draws: the surface's visible extent, or the part of it
  // that a band context of the surface covers (with room for wide pens).
  bool IsVisibleIn(HDC dc, const ST_RECT& envelope) const;
  // Draws one part as a filled polygon (current pen and brush) or a polyline, unless its box
  // misses what `dc` shows. A part whose box lies within one pixel is that pixel in `dotColor`
  // (the pen's): small things stay on the map, and cost no more than a pixel.
  void DrawPart(HDC dc, const ST_POINT* points, int count, const ST_RECT& envelope, bool filled, COLORREF dotColor);
  // Draws the rings of one polygon record as one area (current pen and brush), so that inner
  // rings cut holes; rings whose box misses what `dc` shows are left out. A record within one
  // pixel is that pixel in `dotColor`.
  void DrawRings(HDC dc, const ST_POLYGON* rings, int ringCount, COLORREF dotColor);
  // The points' pixels, leaving out each that repeats the one before; returns how many are
  // left in `out`, which must hold `count`.
  int ToDistinctPixels(const ST_POINT* points, int count, POINT* out) const;
  // Symbol `index` of the strip centred on a geographic point, if its box is free.
  void DrawSymbol(HDC dc, double x, double y, int index);
  // A round marker of the symbols' size in the pen and brush selected into `dc`, in a symbol's
  // place by the same rule (points coloured by value, whose symbols have colours of their own).
  void DrawMarker(HDC dc, double x, double y);
  // Whether a label at the geographic point (under it when `underPoint`, else centred on it),
  // `charWidth` pixels a column, is sure to find its box taken, whatever its text: the box of
  // one column that every label's box holds has a claimed pixel. Lets a layer skip reading
  // texts that cannot be placed.
  bool IsLabelPlaceTaken(double x, double y, bool underPoint, int charWidth) const;
  // Whether IsLabelPlaceTaken would answer true for a label centred on any point of `envelope`:
  // the pixels that every such box holds have a claimed one. Lets a layer skip finding the
  // label point of an area that is sure to find its place taken (small areas of a full view).
  bool IsLabelPlaceTakenThroughout(const ST_RECT& envelope, int charWidth) const;
  // A label under a point, or centred in an envelope, if its box is free; `charWidth` pixels
  // a byte of text. Layer labels come as UTF-8 (`utf8`: `charWidth` pixels a column, wide
  // characters two); user labels in the process's code page. A text of no columns is not drawn.
  // A label the map's edge would cut is moved inside it when its middle is on the map, else
  // left out.
  void DrawLabelAtPoint(HDC dc, const char* text, double x, double y, int charWidth, bool utf8 = false);
  void DrawLabelInEnvelope(HDC dc, const char* text, const ST_RECT& envelope, int charWidth, bool utf8 = false);
  // A label centred on a geographic point, as DrawLabelInEnvelope centres one in its envelope.
  void DrawLabelCentred(HDC dc, const char* text, double x, double y, int charWidth, bool utf8 = false);
  // The placement grid: a box is free when none of its pixels (edges included) is claimed; a
  // claim covers left .. right - 1 by top .. bottom - 1. Boxes wholly off the surface are
  // neither free nor claimed.
  bool IsBoxFree(int left, int top, int right, int bottom) const;
  // Claims the box of a symbol centred on a geographic point, when it is visible and free; its
  // left upper corner in `left` and `top`.
  bool TakeSymbolPlace(double x, double y, int& left, int& top);
  void ClaimBox(int left, int top, int right, int bottom);

  // The surface (null before the first size event) and its pixels.
  HDC GetSurface() const { return m_surface; }
  int SurfaceWidth() const { return 2 * m_halfWidth; }
  int SurfaceHeight() const { return 2 * m_halfHeight; }
  // Which surface pixels symbols and labels have claimed.
  const PlacementGrid& Placement() const { return m_placement; }

  // Viewport state; written only through the setters above, so that it stays valid.
  double CenterX() const { return m_centerX; }
  double CenterY() const { return m_centerY; }
  double Scale() const { return m_scale; }
  const ST_RECT& VisibleExtent() const { return m_visibleExtent; }
  int HalfWidth() const { return m_halfWidth; }
  int HalfHeight() const { return m_halfHeight; }
  // Whether the next Render redraws the surface; Invalidate asks it to.
  bool IsDirty() const { return m_dirty; }
  void Invalidate() { m_dirty = true; }
  // Counts the redraws: what a layer keeps from one drawing pass for the next is known to be
  // of the same redraw.
  std::uint64_t RedrawNumber() const { return m_redrawNumber; }
  // Symbol tile size in surface pixels (until a symbol strip arrives: 24 x 24 window pixels).
  int SymbolWidth() const { return m_symbolWidth; }
  int SymbolHeight() const { return m_symbolHeight; }

private:
  bool HasLayerPath(const char* layerPath) const;

  static int TruncateToInt(double value)
  {
    if (value > -2147483648.0 && value < 2147483647.0)
      return static_cast<int>(value);
    if (value != value)
      return 0;  // NaN
    return value < 0 ? INT_MIN : INT_MAX;
  }
  // One context drawn through during a redraw (the surface, or a band of it) with its own
  // scratch arrays, so that bands can be drawn on separate threads.
  struct DrawTarget {
    HDC dc = nullptr;
    int top = 0, bottom = 0;      // its rows, top .. bottom - 1
    ST_RECT extent{};             // the part of the visible extent it can show
    std::vector<POINT> points;    // reused for every part; grows, never shrinks
    std::vector<int> ringCounts;  // reused for every polygon record
  };
  // Sets the one pixel of a box within one pixel; false (nothing drawn) for a larger box.
  bool DrawIfDot(HDC dc, const ST_RECT& envelope, COLORREF color) const;
  const DrawTarget& TargetOf(HDC dc) const;
  DrawTarget& TargetOf(HDC dc) { return const_cast<DrawTarget&>(static_cast<const CMapModel*>(this)->TargetOf(dc)); }
  // The shapes of the visible layers in list order: point layers on this thread (their symbols
  // claim the placement grid one after another), the runs of other layers between them in bands.
  void DrawLayerShapes();
  void DrawInBands(const std::vector<CShapeLayer*>& layers);
  // Calls draw with each horizontal band of the surface, each on a thread of its own, or once
  // with the whole surface when bands would not pay. Bands cull with `margin` rows of room.
  void ForEachBand(int margin, const std::function<void(HDC dc, int top, int bottom)>& draw);

  void ReplaceSurface();
  // Half sizes and surface for the last window size at the current ratio.
  void ResizeSurface();
  void DrawLabelBox(HDC dc, const char* text, bool utf8, int left, int top, int right, int bottom);
  // Moves a label's box inside the surface when the edge would cut it; false when it cannot be.
  bool FitLabelBox(int& left, int& top, int& right, int& bottom) const;

  double m_centerX = 0.0;
  double m_centerY = 0.0;
  ST_RECT m_fullExtent;  // union of all layers ever added; the centre stays inside it
  double m_scale = 30000000.0;
  ST_RECT m_visibleExtent;
  int m_halfWidth = 2;
  int m_halfHeight = 2;
  int m_windowWidth = 4;  // the last size event's, in window pixels
  int m_windowHeight = 4;
  double m_pixelRatio = 1.0;
  double m_pixelsPerMeter = kPixelsPerMeter;        // surface pixels a metre of paper
  double m_metersPerPixel = 1.0 / kPixelsPerMeter;  // of paper, a surface pixel
  bool m_dirty = true;
  bool m_smooth = false;
  std::uint64_t m_redrawNumber = 0;
  int m_symbolWidth = 24;
  int m_symbolHeight = 24;

  std::vector<std::unique_ptr<CShapeLayer>> m_layers;
  int m_selectedLayer = -1;
  HDC m_surface = nullptr;
  unsigned char* m_surfaceBits = nullptr;
  PlacementGrid m_placement;
  LabelBatch m_labelBatch;                // labels placed by this redraw, not yet drawn
  bool m_batchingLabels = false;          // while labels are placed: the surface's go into m_labelBatch
  DrawTarget m_surfaceTarget;             // the whole surface
  std::vector<DrawTarget> m_bandTargets;  // bands of it, while a redraw draws in bands
  BandWorkers m_bandWorkers;              // the threads that draw the bands after the first
  int m_drawingThreads = 1;
  HDC m_symbolDC = nullptr;  // owned
  int m_symbolCount = 0;
  std::unique_ptr<CUserPoiLayer> m_userPoiLayer;
  std::unique_ptr<CUserPolylineLayer> m_userPolylineLayer;
  std::unique_ptr<CUserPolygonLayer> m_userPolygonLayer;
};

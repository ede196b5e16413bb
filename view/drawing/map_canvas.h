// MapCanvas: what the layers draw through: the viewport, the drawing surface and its bands,
// the symbol strip, and the placement grid that keeps symbols and labels apart. The layers
// know the map only as this; the model that owns them is a canvas with a layer list.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "drawing/band_workers.h"
#include "drawing/label_batch.h"
#include "coordinates/map_viewport.h"
#include "drawing/placement_grid.h"
#include "api/formats/shape_records.h"
#include "platform/win_types.h"

namespace zamra::view {

class MapCanvas {
public:
  static constexpr double kMetersPerDegreeY = MapViewport::kMetersPerDegreeY;
  static constexpr double kMetersPerDegreeX = MapViewport::kMetersPerDegreeX;
  static constexpr double kPixelsPerMeter = MapViewport::kPixelsPerMeter;
  // The pixel ratios the canvas takes (device pixels a window pixel).
  static constexpr double kMinPixelRatio = 0.25;
  static constexpr double kMaxPixelRatio = 16.0;
  static constexpr int kDefaultSymbolSize = 24;  // window pixels, until a strip arrives
  // How many threads draw the bands at most.
  static constexpr int kMaxDrawingThreads = 4;

  MapCanvas();
  ~MapCanvas();
  MapCanvas(const MapCanvas&) = delete;
  MapCanvas& operator=(const MapCanvas&) = delete;

  // --- Size and pixel ratio ---

  // The window was resized to width x height window pixels: new half sizes (the surface
  // pixel of the window's centre, (width / 2) x the pixel ratio, rounded), a new surface of twice
  // them and a new placement grid, unless the half sizes stay the same.
  void OnSize(int width, int height);
  // Device pixels a window pixel (1 until set): 1 (1), or refused (0, nothing changes) outside
  // kMinPixelRatio .. kMaxPixelRatio. A new ratio resizes the surface for the last window size,
  // scales the default symbol size of a canvas without a strip, and marks the surface dirty.
  int SetPixelRatio(double ratio);
  double PixelRatio() const { return m_viewport.PixelRatio(); }
  int DevicePenWidth(int width) const { return m_viewport.DevicePenWidth(width); }
  int DeviceLength(int length) const { return m_viewport.DeviceLength(length); }

  // --- Coordinates (the viewport's) ---

  const MapViewport& Viewport() const { return m_viewport; }
  void GeoToPixel(double x, double y, int& px, int& py) const { m_viewport.GeoToPixel(x, y, px, py); }
  void PixelToGeo(double px, double py, double& x, double& y) const { m_viewport.PixelToGeo(px, py, x, y); }
  void WindowToGeo(double wx, double wy, double& x, double& y) const { m_viewport.WindowToGeo(wx, wy, x, y); }
  void GeoToWindow(double x, double y, int& wx, int& wy) const { m_viewport.GeoToWindow(x, y, wx, wy); }
  // The geographic rectangle the surface covers now.
  void UpdateVisibleExtent() { m_viewport.UpdateVisibleExtent(); }
  double CenterX() const { return m_viewport.CenterX(); }
  double CenterY() const { return m_viewport.CenterY(); }
  double Scale() const { return m_viewport.Scale(); }
  const ST_RECT& VisibleExtent() const { return m_viewport.VisibleExtent(); }
  int HalfWidth() const { return m_viewport.HalfWidth(); }
  int HalfHeight() const { return m_viewport.HalfHeight(); }
  bool IsVisible(const ST_RECT& envelope) const { return m_viewport.IsVisible(envelope); }
  bool IsVisible(double x, double y) const { return m_viewport.IsVisible(x, y); }

  // --- Drawing ---

  // How many threads draw the shapes of polyline and polygon layers, each a horizontal band
  // of the surface with its own context (1: everything on the calling thread). The picture is
  // the same pixel for pixel whatever the number. Starts at the number of cores, at most
  // kMaxDrawingThreads; `count` is kept within 1 .. kMaxDrawingThreads.
  void SetDrawingThreads(int count);
  int GetDrawingThreads() const { return m_drawingThreads; }
  // Antialiased lines, areas and outlines from the next redraw on; off, they are pixel-exact.
  void SetSmoothDrawing(bool smooth)
  {
    m_smooth = smooth;
    m_dirty = true;
  }
  bool SmoothDrawing() const { return m_smooth; }

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
  // Whether every point of `envelope` lands on one pixel (an area far smaller than a pixel):
  // whatever its label point, its label is drawn the same.
  bool IsWithinOnePixel(const ST_RECT& envelope) const;
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
  int SurfaceWidth() const { return 2 * m_viewport.HalfWidth(); }
  int SurfaceHeight() const { return 2 * m_viewport.HalfHeight(); }
  // Which surface pixels symbols and labels have claimed.
  const PlacementGrid& Placement() const { return m_placement; }
  // Whether the next redraw draws the surface anew; Invalidate asks it to.
  bool IsDirty() const { return m_dirty; }
  void Invalidate() { m_dirty = true; }
  // Counts the redraws: what a layer keeps from one drawing pass for the next is known to be
  // of the same redraw.
  std::uint64_t RedrawNumber() const { return m_redrawNumber; }
  // Symbol tile size in surface pixels (until a symbol strip arrives: 24 x 24 window pixels).
  int SymbolWidth() const { return m_symbolWidth; }
  int SymbolHeight() const { return m_symbolHeight; }

protected:
  // Takes over the symbol strip: `count` tiles of width x height, red transparent.
  void SetSymbolStrip(HDC strip, int count, int width, int height);
  // Calls draw with each horizontal band of the surface, each on a thread of its own, or once
  // with the whole surface when bands would not pay. Bands cull with `margin` rows of room.
  void ForEachBand(int margin, const std::function<void(HDC dc, int top, int bottom)>& draw);
  // Starts a redraw: counts it, clears the placement grid, paints the surface white and takes
  // the visible extent of the viewport as it is now.
  void BeginRedraw();
  // While labels are placed, those drawn on the surface are batched; EndLabels draws them in
  // bands.
  void BeginLabels();
  void EndLabels();

  MapViewport m_viewport;
  int m_windowWidth = 4;  // the last size event's, in window pixels
  int m_windowHeight = 4;
  bool m_dirty = true;
  HDC m_surface = nullptr;

private:
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
  DrawTarget& TargetOf(HDC dc) { return const_cast<DrawTarget&>(static_cast<const MapCanvas*>(this)->TargetOf(dc)); }
  void ReplaceSurface();
  // Half sizes and surface for the last window size at the current ratio.
  void ResizeSurface();
  void DrawLabelBox(HDC dc, const char* text, bool utf8, int left, int top, int right, int bottom);
  // Moves a label's box inside the surface when the edge would cut it; false when it cannot be.
  bool FitLabelBox(int& left, int& top, int& right, int& bottom) const;

  bool m_smooth = false;
  std::uint64_t m_redrawNumber = 0;
  int m_symbolWidth = kDefaultSymbolSize;
  int m_symbolHeight = kDefaultSymbolSize;
  unsigned char* m_surfaceBits = nullptr;
  PlacementGrid m_placement;
  PlacementGrid m_symbolTried;            // pixels a symbol was tried on during this redraw
  LabelBatch m_labelBatch;                // labels placed by this redraw, not yet drawn
  bool m_batchingLabels = false;          // while labels are placed: the surface's go into m_labelBatch
  DrawTarget m_surfaceTarget;             // the whole surface
  std::vector<DrawTarget> m_bandTargets;  // bands of it, while a redraw draws in bands
  BandWorkers m_bandWorkers;              // the threads that draw the bands after the first
  int m_drawingThreads = 1;
  HDC m_symbolDC = nullptr;  // owned
  int m_symbolCount = 0;
};

}  // namespace zamra::view

// The view's three user layers, which a host fills with its own geometry: points of interest,
// polylines and polygons. They belong to the view and are reached only through it; call them on
// the thread that drives the view. Nothing is redrawn by these calls: changes show the next time
// the map is redrawn (IZamraView::Refresh). Coordinates are the map's (the layers' own units);
// names are drawn as text of the locale's character set, label sizes and pen widths are window
// pixels (grown with the screen's pixel ratio), and a face that is not installed draws with the
// default label face.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/shape_records.h"
#include "platform/win_types.h"
#include "view/zamra_view_export.h"

/// The view's layer of points of interest, filled by the host.
class ZAMRA_VIEW_API IUserPOILayer {
public:
  IUserPOILayer() = default;
  IUserPOILayer(const IUserPOILayer&) = default;
  IUserPOILayer& operator=(const IUserPOILayer&) = default;
  virtual ~IUserPOILayer() = default;

  // Appends an item (an existing key is not looked for): symbol `symbolIndex` of the strip at
  // (x, y), left out where another symbol was drawn first, and its name under it. Names are
  // cut to 23 bytes (null: ""). Answers 1, or 0 (nothing added) when memory runs out. A press
  // on an item's symbol posts NOTIFY_POI_CLICKED with its key.
  virtual int AddPoi(int key, const char* name, int value, double x, double y, int symbolIndex) = 0;
  // Removes every item; 1.
  virtual int ClearPois() = 0;
  // The first item with `key`: 1 and its fields (`name` takes 24 bytes; any output may be null),
  // or 0 with the outputs untouched.
  virtual int GetPoi(int key, char* name, int* value, double* x, double* y, int* symbolIndex) = 0;
  // Removes the first item with `key` (1), or none (0); a negative key clears the layer (1).
  virtual int RemovePoi(int key) = 0;
  // Non-zero shows the names (the default).
  virtual void SetLabelVisible(int visible) = 0;
  // The names' colour, face (kept up to 99 bytes, drawn with its first 31; null: "") and
  // height in window pixels. Red, "simsun" and 12 until set.
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
};

/// The view's layer of polylines, filled by the host.
class ZAMRA_VIEW_API IUserPolylineLayer {
public:
  IUserPolylineLayer() = default;
  IUserPolylineLayer(const IUserPolylineLayer&) = default;
  IUserPolylineLayer& operator=(const IUserPolylineLayer&) = default;
  virtual ~IUserPolylineLayer() = default;

  // The pen of the items added without a style of their own, those already added included:
  // RGB(200, 200, 200), 1 pixel until set (0 and 1 are a hairline). `tag` is stored and read
  // by nothing.
  virtual void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth) = 0;
  // Appends an item with a copy of the line's points (its box is worked out from them; the
  // caller keeps its record). A null or empty line is kept but neither drawn nor labelled.
  // Non-zero `ownStyle` draws it with `penColor` and `penWidth` rather than the layer's pen.
  // The name (null: "") is cut to 20 bytes and drawn centred in the item's box; `id`, `value`
  // and `tag` are stored only. 1, or 0 (nothing added) when memory runs out.
  virtual int AddShape(int id, int value, const char* name, ST_POLYLINE* line, BYTE ownStyle, BYTE tag,
                       COLORREF penColor, BYTE penWidth) = 0;
  virtual void ClearShapes() = 0;
  // Non-zero shows the names (the default).
  virtual void SetLabelVisible(int visible) = 0;
  // As IUserPOILayer::SetLabelFont; black, "simsun" and 12 until set.
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
};

/// The view's layer of polygons, filled by the host.
class ZAMRA_VIEW_API IUserPolygonLayer {
public:
  IUserPolygonLayer() = default;
  IUserPolygonLayer(const IUserPolygonLayer&) = default;
  IUserPolygonLayer& operator=(const IUserPolygonLayer&) = default;
  virtual ~IUserPolygonLayer() = default;

  // As IUserPolylineLayer::SetStyle, with the fill; RGB(255, 200, 200) until set.
  virtual void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth, COLORREF fillColor) = 0;
  // As IUserPolylineLayer::AddShape for one ring, drawn filled (and closed); `ownStyle` also
  // gives it `fillColor`.
  virtual int AddShape(int id, int value, const char* name, ST_POLYGON* ring, BYTE ownStyle, BYTE tag,
                       COLORREF penColor, BYTE penWidth, COLORREF fillColor) = 0;
  virtual void ClearShapes() = 0;
  virtual void SetLabelVisible(int visible) = 0;
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
};

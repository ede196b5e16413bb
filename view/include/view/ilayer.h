// ILayer: one shapefile layer of the map view, with its display settings. Layers belong to the
// view; a host never deletes them.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/win_types.h"
#include "view/idata_view.h"
#include "view/zamra_view_export.h"

// Pen style codes of SetLineStyle; polylines are drawn with it, polygon outlines always solid.
#define ZM_LINE_SOLID 0
#define ZM_LINE_DASH 1
#define ZM_LINE_DOT 2
#define ZM_LINE_DASHDOT 3
#define ZM_LINE_DASHDOTDOT 4

// Layer type codes of GetType: the shapefile's own codes of its three kinds.
#define ZM_LAYER_POINT 1
#define ZM_LAYER_POLYLINE 3
#define ZM_LAYER_POLYGON 5

/// One shapefile layer of the map view with its display settings; it belongs to the view.
class ZAMRA_VIEW_API ILayer {
public:
  ILayer() = default;
  ILayer(const ILayer&) = default;
  ILayer& operator=(const ILayer&) = default;
  virtual ~ILayer() = default;

  // ZM_LAYER_POINT, ZM_LAYER_POLYLINE or ZM_LAYER_POLYGON.
  virtual int GetType() = 0;
  // The file name after the last "/" or "\" of the path (the whole path when it has none); a
  // layer read through GDAL gives its file's or table's name instead. `out` holds 260 bytes.
  virtual void GetName(char* out) = 0;
  // The path the layer was loaded by into `out` (260 bytes): the .shp, an archive's member path,
  // or another format's layer path; answers its length + 1.
  virtual int GetPath(char* out) = 0;
  // A record's box; a point's (x, y, x, y). A record without geometry gives the layer's box;
  // an index out of range gives it too for polylines and polygons, nothing written for points.
  virtual void GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY) = 0;
  // The layer's box.
  virtual void GetRect(double* minX, double* minY, double* maxX, double* maxY) = 0;
  virtual void SetLabelVisible(int visible) = 0;
  virtual int GetLabelVisible() = 0;
  // Face names longer than 31 characters are cut.
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
  // `face` takes 32 bytes; any of the three may be null.
  virtual void GetLabelFont(COLORREF* color, char* face, int* size) = 0;
  // The record at a geographic point, or -1: the first polygon that holds it, the first polyline
  // that passes through it (within a thousandth of a unit), or the nearest point at most about
  // 1.41 units (degrees, or the layer's own units).
  virtual int HitTest(double x, double y) = 0;
  virtual void SetVisible(int visible) = 0;
  virtual int GetVisible() = 0;
  virtual void SetLineWidth(int width) = 0;
  virtual int GetLineWidth() = 0;
  virtual void SetLineColor(COLORREF color) = 0;
  virtual COLORREF GetLineColor() = 0;
  virtual void SetLineStyle(int style) = 0;
  virtual int GetLineStyle() = 0;
  virtual void SetBkColor(COLORREF color) = 0;
  virtual COLORREF GetBkColor() = 0;
  // Symbol index in the symbol strip; only point layers keep it (others answer 0).
  virtual void SetPointIndex(int index) = 0;
  virtual int GetPointIndex() = 0;
  // The layer is drawn only at scales in [minimum, maximum]; unchecked. A new layer has 30 to
  // ZM_SCALE_LARGEST, more for numbers that are not degrees, so that its extent shows.
  virtual void SetScaleRange(double minimum, double maximum) = 0;
  virtual void GetScaleRange(double* minimum, double* maximum) = 0;
  // The attribute table; owned by the layer, never null for a loaded layer.
  virtual IDataView* GetDataView() = 0;
  // Saving a layer is not supported: answers 0.
  virtual int SaveAsFile(char* path);
};

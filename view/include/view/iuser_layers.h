// The view's three user layers, which a host fills with its own geometry: points of interest,
// polylines and polygons. They belong to the view and are reached only through it.
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

  // Appends an item (an existing key is not looked for); names are kept up to 23 characters.
  virtual int AddPoi(int key, const char* name, int value, double x, double y, int symbolIndex) = 0;
  virtual int ClearPois() = 0;
  // The first item with `key`: 1 and its fields (`name` takes 24 bytes), or 0.
  virtual int GetPoi(int key, char* name, int* value, double* x, double* y, int* symbolIndex) = 0;
  // Removes the first item with `key` (1), or none (0); a negative key clears the layer.
  virtual int RemovePoi(int key) = 0;
  virtual void SetLabelVisible(int visible) = 0;
  // Face names are kept up to 99 characters.
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
};

/// The view's layer of polylines, filled by the host.
class ZAMRA_VIEW_API IUserPolylineLayer {
public:
  IUserPolylineLayer() = default;
  IUserPolylineLayer(const IUserPolylineLayer&) = default;
  IUserPolylineLayer& operator=(const IUserPolylineLayer&) = default;
  virtual ~IUserPolylineLayer() = default;

  // `tag` is stored and read by nothing.
  virtual void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth) = 0;
  // Copies the line's points; the caller keeps its record. Names are kept up to 20 characters.
  virtual int AddShape(int id, int value, const char* name, ST_POLYLINE* line, BYTE ownStyle, BYTE tag,
                       COLORREF penColor, BYTE penWidth) = 0;
  virtual void ClearShapes() = 0;
  virtual void SetLabelVisible(int visible) = 0;
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
};

/// The view's layer of polygons, filled by the host.
class ZAMRA_VIEW_API IUserPolygonLayer {
public:
  IUserPolygonLayer() = default;
  IUserPolygonLayer(const IUserPolygonLayer&) = default;
  IUserPolygonLayer& operator=(const IUserPolygonLayer&) = default;
  virtual ~IUserPolygonLayer() = default;

  virtual void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth, COLORREF fillColor) = 0;
  virtual int AddShape(int id, int value, const char* name, ST_POLYGON* ring, BYTE ownStyle, BYTE tag,
                       COLORREF penColor, BYTE penWidth, COLORREF fillColor) = 0;
  virtual void ClearShapes() = 0;
  virtual void SetLabelVisible(int visible) = 0;
  virtual void SetLabelFont(COLORREF color, const char* face, int size) = 0;
};

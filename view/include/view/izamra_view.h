// IZamraView: the map view control. A host gets a view with GetInstance, lets it create its
// child window, and drives layers, viewport, workspace file and painting through it. The view
// reports user actions by posting ZM_VIEW_NOTIFY to its parent window.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/win_types.h"
#include "view/ilayer.h"
#include "view/iuser_layers.h"
#include "view/zamra_view_export.h"

// The notification message posted to the view window's parent; wParam is one of the codes.
#define ZM_VIEW_NOTIFY 0x800
#define NOTIFY_POI_CLICKED 1     // lParam: key of the point of interest
#define NOTIFY_SCALE_CHANGED 2   // lParam: 0
#define NOTIFY_CENTER_CHANGED 3  // lParam: 0
#define NOTIFY_CLICK 4           // lParam: (y << 16) | x of the release point
#define NOTIFY_RIGHT_CLICK 5     // lParam: (y << 16) | x of the release point

// The scales SetScale takes: the smallest, and the largest for data in degrees (the whole world
// in under 500 pixels).
#define ZM_SCALE_SMALLEST 100.0
#define ZM_SCALE_LARGEST 300000000.0

/// The map view control: layers, viewport, workspace files and painting in a child window.
class ZAMRA_VIEW_API IZamraView {
public:
  IZamraView(const IZamraView&) = default;
  IZamraView& operator=(const IZamraView&) = default;
  // Destroys the view with its window, layers, user layers, pictures and symbol strip.
  virtual ~IZamraView() = default;

  // A new view on every call (null when memory runs out); the caller owns it.
  static IZamraView* GetInstance();

  // Creates the view's child window inside `parent`; 1 when it exists (also when it did
  // before), else 0. Every other operation needs the window: before it, setters do nothing and
  // getters give 0, -1 or null (SetPoiDC still takes over its strip and deletes it).
  virtual int Create(HINSTANCE instance, unsigned long style, unsigned long exStyle, int x, int y, int width,
                     int height, HWND parent, unsigned id);
  // Adds the layers of a workspace file after those already shown (files missing or already
  // loaded are skipped) and applies its centre (when both coordinates are finite numbers) and its
  // scale (when positive), as SetCenter and SetScale do; 1 when the file had a "map" root and a
  // "layers" element, even if no layer of it loaded.
  virtual int LoadXml(const char* path);
  // Writes the workspace file; 1 when written.
  virtual int SaveXml(const char* path);
  virtual void MoveWindow(int x, int y, int width, int height, int repaint);
  // Loads a shapefile as the topmost layer (a path to its .shx or .dbf loads the .shp beside
  // it; a .zip holding one shapefile stands for it; other formats are read through GDAL); null
  // on failure and for a path already loaded. The full extent grows by the layer's box and the
  // centre moves to the middle of it, without a notification. The layer belongs to the view.
  virtual ILayer* AddLayer(const char* shpPath);
  virtual ILayer* GetLayerByIndex(int index);
  virtual int GetLayerCount();
  // Exchanges two layers; 1 on success.
  virtual int MoveLayer(int a, int b);
  // 1 when the layer at `index` was removed. Deleting the selected layer clears the selection;
  // deleting another leaves the selected index as it is. The full extent does not shrink.
  virtual int DeleteLayer(int index);
  // The selected layer index, -1 for none. The first layer added to a view without a selection
  // becomes the selected one; SetSelectLayer keeps any number, unchecked.
  virtual int GetSelectLayer();
  virtual void SetSelectLayer(int index);
  virtual IUserPolygonLayer* GetUserPolygonLayer();
  // Null until SetPoiDC.
  virtual IUserPOILayer* GetUserPoiLayer();
  virtual IUserPolylineLayer* GetUserPolylineLayer();
  // Resizes the view window.
  virtual void SetView(int width, int height);
  virtual void GetView(int& width, int& height);
  // Hands over the strip of `count` point symbols of width x height, side by side, pure red
  // transparent; the view owns the context from then on.
  virtual void SetPoiDC(HDC strip, int count, int width, int height);
  // Any finite centre is accepted (either side of Greenwich and of the equator, or numbers in
  // metres) and clamped to the full extent: the union of every layer added so far, which only
  // grows ((0, 0) before the first layer). NaN or infinity changes nothing and posts nothing;
  // an accepted centre posts NOTIFY_CENTER_CHANGED.
  virtual void SetCenter(double x, double y);
  virtual void GetCenter(double& x, double& y);
  // Cut toward zero to a whole number; ZM_SCALE_SMALLEST to ZM_SCALE_LARGEST is accepted (the
  // largest grows for layers whose numbers are not degrees, so that their extent fits), anything
  // else leaves the scale unchanged. Posts NOTIFY_SCALE_CHANGED either way.
  virtual void SetScale(double scale);
  virtual double GetScale();
  // Client pixel to geographic point.
  virtual void ViewToGeo(int x, int y, double& gx, double& gy);
  // Marks the map for redrawing and repaints the window when it is visible.
  virtual void Refresh();
  // Redraws the map and copies all of it to `dc` at (x, y): the window's size times the pixel
  // ratio, whatever `width` and `height` say. The highlight, the sketch and the centre cross are
  // drawn in the window only.
  virtual void Draw(HDC dc, int x, int y, int width, int height);

protected:
  IZamraView() = default;
};

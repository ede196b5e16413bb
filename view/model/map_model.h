// CMapModel: everything the map view holds besides its window: the layer list and the user
// layers on the canvas they draw through, and the rules that keep the viewport on them. It can
// be driven without any window.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "drawing/map_canvas.h"
#include "api/formats/shape_records.h"
#include "platform/win_types.h"
#include "view/izamra_view.h"

class ILayer;

namespace zamra::view {

class CShapeLayer;
class CUserPoiLayer;
class CUserPolygonLayer;
class CUserPolylineLayer;

class CMapModel final : public MapCanvas {
public:
  static constexpr double kMinScale = MapViewport::kMinScale;
  static constexpr double kMaxScale = MapViewport::kMaxScale;

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
  // `canvas` is only remembered by the layer, to draw through. Null when the files fail to load, or when `stop`
  // (set by another thread; may be null) gives the load up.
  static std::unique_ptr<CShapeLayer> LoadLayer(MapCanvas* canvas, const char* layerPath,
                                                const std::atomic<bool>* stop);
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
  static double LargestScaleFor(const ST_RECT& extent) { return MapViewport::LargestScaleFor(extent); }
  // The view's largest scale: that of the full extent of the layers.
  double LargestScale() const { return LargestScaleFor(m_fullExtent); }
  // The scale a wheel step asks for: half the current one for a forward rotation (the sign of
  // the rotation is the sign of the 32-bit parameter), twice it otherwise.
  double WheelScale(int wheelParameter) const;
  // Recentres after a drag from (x0, y0) to (x1, y1) in a client area of width x height, all in
  // window pixels; false when the pointer did not move (nothing changes).
  bool DragPan(int x0, int y0, int x1, int y1, int width, int height);

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

private:
  bool HasLayerPath(const char* layerPath) const;
  // The shapes of the visible layers in list order: point layers on this thread (their symbols
  // claim the placement grid one after another), the runs of other layers between them in bands.
  void DrawLayerShapes();
  void DrawInBands(const std::vector<CShapeLayer*>& layers);

  ST_RECT m_fullExtent;  // union of all layers ever added; the centre stays inside it
  std::vector<std::unique_ptr<CShapeLayer>> m_layers;
  int m_selectedLayer = -1;
  std::unique_ptr<CUserPoiLayer> m_userPoiLayer;
  std::unique_ptr<CUserPolylineLayer> m_userPolylineLayer;
  std::unique_ptr<CUserPolygonLayer> m_userPolygonLayer;
};

}  // namespace zamra::view

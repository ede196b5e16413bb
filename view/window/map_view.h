// CMapView: the view object behind IZamraView, with its child window (CMapWindow) and the
// back buffer the window is painted from.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <vector>

#include <QPointer>

#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "window/map_window_events.h"

class ZMXmlNode;

namespace zamra::view {

class CMapModel;
class CMapWindow;
class CShapeLayer;
class LayerLoads;
struct WorkspaceLoad;
struct WorkspacePlace;

class CMapView final : public IZamraView, public IZamraViewExtras, public MapWindowEvents {
public:
  CMapView();
  ~CMapView() override;
  CMapView(const CMapView&) = delete;
  CMapView& operator=(const CMapView&) = delete;

  int Create(HINSTANCE instance, unsigned long style, unsigned long exStyle, int x, int y, int width, int height,
             HWND parent, unsigned id) override;
  int LoadXml(const char* path) override;
  int SaveXml(const char* path) override;
  void MoveWindow(int x, int y, int width, int height, int repaint) override;
  ILayer* AddLayer(const char* shpPath) override;
  ILayer* GetLayerByIndex(int index) override;
  int GetLayerCount() override;
  int MoveLayer(int a, int b) override;
  int DeleteLayer(int index) override;
  int GetSelectLayer() override;
  void SetSelectLayer(int index) override;
  IUserPolygonLayer* GetUserPolygonLayer() override;
  IUserPOILayer* GetUserPoiLayer() override;
  IUserPolylineLayer* GetUserPolylineLayer() override;
  void SetView(int width, int height) override;
  void GetView(int& width, int& height) override;
  void SetPoiDC(HDC strip, int count, int width, int height) override;
  void SetCenter(double x, double y) override;
  void GetCenter(double& x, double& y) override;
  void SetScale(double scale) override;
  double GetScale() override;
  void ViewToGeo(int x, int y, double& gx, double& gy) override;
  void Refresh() override;
  void Draw(HDC dc, int x, int y, int width, int height) override;

  // IZamraViewExtras (map_view_extras.cpp).
  void GeoToView(double x, double y, int& px, int& py) override;
  double GetGroundLengthPerPixel() override;
  void SetHighlight(ILayer* layer, int record) override;
  ILayer* GetHighlightLayer() override;
  int GetHighlightRecord() override;
  int SetLayerCodePage(ILayer* layer, unsigned codePage) override;
  unsigned GetLayerCodePage(ILayer* layer) override;
  unsigned GetLayerFileCodePage(ILayer* layer) override;
  int SetDevicePixelRatio(double ratio) override;
  double GetDevicePixelRatio() override;
  void SetSmoothDrawing(int smooth) override;
  int GetSmoothDrawing() override;
  // The tool's line (map_view_sketch.cpp).
  int SetSketch(const double* xy, int count, int closed) override;
  int GetSketchPointCount() override;
  // Label columns and colours by value (map_view_thematic.cpp).
  int SetLayerLabelColumn(ILayer* layer, int column) override;
  int GetLayerLabelColumn(ILayer* layer) override;
  int MakeThematicStyle(ILayer* layer, int mode, int column, int classCount, int method, const char* palette,
                        ZMThematicStyle* style) override;
  int SetLayerThematicStyle(ILayer* layer, const ZMThematicStyle* style) override;
  int GetLayerThematicStyle(ILayer* layer, ZMThematicStyle* style) override;
  // Loading in the background (map_view_loads.cpp).
  int BeginAddLayer(const char* path) override;
  int WaitAddLayer(int ticket, int milliseconds) override;
  ILayer* EndAddLayer(int ticket, int* memoryShort) override;
  void CancelAddLayer(int ticket) override;
  int GetAddLayerPath(int ticket, char* path) override;
  int BeginLoadXml(const char* path, int* firstTicket) override;
  int GetLayerCoordinates(ILayer* layer, char* system, int size, int* droppedRecords) override;
  int GetLayersExtent(double* minX, double* minY, double* maxX, double* maxY) override;
  double GetScaleToFit(double minX, double minY, double maxX, double maxY) override;

  // The window's events.
  void OnCreate();
  void OnSize(int width, int height) override;
  void FollowWindowRatio() override;
  void OnPaint(HDC windowDC, int width, int height) override;
  void OnMouseMove(int x, int y) override;
  void OnLeftPress(int x, int y) override;
  void OnLeftRelease(int x, int y) override;
  void OnRightRelease(int x, int y) override;
  void OnWheel(int rotation) override;
  bool IsDragging() const override { return m_dragging; }

  CMapModel* Model() const { return m_model.get(); }
  QWidget* Window() const;

private:
  // Posts a notification to the window's parent.
  void Notify(WPARAM code, LPARAM parameter);
  // The picture a paint is composed in, made on the first paint at this size: a view that is
  // only drawn into other pictures never needs one.
  HDC BackBuffer(int width, int height);
  // The layer of the view that `layer` is, or null.
  CShapeLayer* HeldLayer(ILayer* layer) const;
  // Outlines the highlighted record on the window's picture, shifted by a drag in progress.
  void DrawHighlight(HDC dc, int dx, int dy);
  // Draws the tool's line on the window's picture, shifted by a drag in progress.
  void DrawSketch(HDC dc, int dx, int dy);
  // A workspace's settings for one layer (its element), and for the map's centre and scale.
  void ApplyLayerSettings(const ZMXmlNode& element, ILayer* layer);
  void ApplyPlace(const WorkspacePlace& place);
  // A load of a workspace begun by BeginLoadXml ended (`layer` null when nothing was added):
  // the layer takes its settings, and after the last one the map takes its place.
  void EndWorkspaceLayer(int ticket, ILayer* layer);

  QPointer<CMapWindow> m_window;  // owned through Qt's parent; deleted with the view if still there
  HDC m_backBuffer = nullptr;     // owned
  int m_backBufferWidth = 0;
  int m_backBufferHeight = 0;
  std::unique_ptr<CMapModel> m_model;
  std::unique_ptr<LayerLoads> m_loads;             // made by the first BeginAddLayer; goes before the model
  std::unique_ptr<WorkspaceLoad> m_workspaceLoad;  // while the layers of a workspace load
  bool m_dragging = false;
  int m_dragStartX = 0;
  int m_dragStartY = 0;
  int m_dragLastX = 0;
  int m_dragLastY = 0;
  CShapeLayer* m_highlightLayer = nullptr;  // one of the model's layers, or null
  int m_highlightRecord = -1;
  double m_windowRatio = 0.0;    // the window's pixel ratio last followed; 0 before the first
  std::vector<double> m_sketch;  // the tool's line: x, y pairs
  bool m_sketchClosed = false;
};

}  // namespace zamra::view

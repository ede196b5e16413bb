// CMainFrame: the main window. An MDI frame with toolbar, status bar and the docking layer
// bar; it owns the map and properties child windows, carries out every command and receives
// the private messages of the other windows and the view's notifications.
// SPDX-License-Identifier: MIT
#pragma once

#include <map>

#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QUrl>

#include "platform/win_types.h"

class ILayer;
class IZamraView;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace mapory {

class CDataWnd;
class CFindBox;
class CLayerLoadBar;
class CMeasureTool;
class CInfoDialog;
class CLayerBar;
class CLegendBar;
class CResizableBar;
class CSessionKeeper;
class CShapeWnd;
struct MenuEntry;

class CMainFrame final : public QMainWindow {
  Q_OBJECT
public:
  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  // True when every part of the frame was created (the map view included).
  bool IsComplete() const;

  // The command with that id (null for an unknown id).
  QAction* Action(int command) const;
  // The view of the run, owned by the map window.
  IZamraView* View() const { return m_view; }
  CLayerBar* LayerBar() const { return m_layerBar; }
  CResizableBar* LayerDock() const { return m_layerDock; }
  CResizableBar* LegendDock() const { return m_legendDock; }
  CLegendBar* Legend() const { return m_legend; }
  CShapeWnd* ShapeWnd() const { return m_shapeWnd; }
  QMdiSubWindow* MapWindow() const { return m_mapWindow; }
  QMdiSubWindow* PropertyWindow() const { return m_propertyWindow; }
  CDataWnd* DataWnd() const { return m_dataWnd; }
  // The feature information dialog; null until the first identification.
  CInfoDialog* InfoDialog() const { return m_infoDialog; }
  QToolBar* ToolBar() const { return m_toolBar; }
  CMeasureTool* MeasureTool() const { return m_measureTool; }
  CFindBox* FindBox() const { return m_findBox; }
  QAction* SmoothDrawingAction() const { return m_smoothDrawing; }
  // Layers loading beside the window, shown in the status bar.
  CLayerLoadBar* LoadBar() const { return m_loadBar; }
  // Status pane i (0 message, 1 centre, 2 empty, 3-5 indicators).
  QLabel* StatusPane(int index) const;
  // The menus on the menu bar now.
  QList<QMenu*> MenuBarMenus() const;
  // The pointer's longitude/latitude and the scale "1:N", beside the centre pane.
  QLabel* PointerPane() const { return m_pointerPane; }
  QLabel* ScalePane() const { return m_scalePane; }
  // The System menu's submenu of recent layers.
  QMenu* RecentMenu() const { return m_recentMenu; }

  // Fits the map to a geographic box with Full Map's arithmetic. A box without width and
  // height asks the view for scale 0, which it refuses: the map is centred on the box and
  // keeps its scale.
  void ZoomToExtent(double minX, double minY, double maxX, double maxY);

  // The page Help > Website opens: the website configured at build time, or else the README
  // as HTML in the documentation folder installed beside the program in `programFolder`
  // (PREFIX/bin gives PREFIX/share/doc/mapory/README.html).
  static QUrl WebsiteUrl(const QString& programFolder);

  // Adds shapefiles named outside the Add Layer dialog (command line, drop); a file already
  // shown as a layer, or loading, is not added twice. Answers the number of layers added or
  // loading beside the window.
  int AddLayerFiles(const QStringList& paths);
  // Brings the last session's layers and map back from the workspace file, as AddLayerFiles
  // loads (the quick ones at once, the rest beside the window).
  void RestoreSession();

signals:
  // Every view notification, as it arrived (code, data).
  void viewNotified(WPARAM code, LPARAM data);

public slots:
  void updateMenus();

protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void createActions();
  void createMenus();
  void createToolBars();
  void createStatusBar();
  void createDockWindows();
  void createChildWindows();
  void createExploreTools();
  void createSmoothDrawing();
  void createLoadBar();

  QAction* addCommand(int command, void (CMainFrame::*handler)(), bool checkable = false);
  void buildMenu(const std::vector<MenuEntry>& entries, QMenu* menu, bool frameMenu);
  void showMenuSet(const QList<QMenu*>& menus);
  int messageBox(const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok);

  // Commands.
  void onAddLayer();
  // A layer load ended (`layer` null when nothing was added): tells the user, or brings the
  // layer into the tools (a workspace's layers quietly). True when the layer was added.
  bool onLayerLoaded(const QString& path, ILayer* layer, bool memoryShort, bool fromWorkspace);
  void onDelLayer();
  void onLayerInfo();
  void onLayerStyle();
  void onGoto();
  void onMoveUp();
  void onMoveDown();
  void onViewToolBar();
  void onViewLayerBar();
  void onViewStatusBar();
  void onShowMap();
  void onShowProperties();
  void onTileVertically();
  void onTileHorizontally();
  void onFullMap();
  void onSaveBmp();
  void onWebsite();
  void onExit();
  void onZoomToLayer();
  void onExportImage();
  void onTextEncoding();
  void onPointerMoved(int x, int y);
  void onPointerLeft();
  void zoomToFeature(int layerIndex, int record);
  void updateScalePane();
  // Panes 3-5 name a lock key while it is on and are blank otherwise (also where the state
  // cannot be read).
  void updateLockPanes();
  static QString lockText(int pane);
  void updateRecentMenu();

  // Private messages and view notifications.
  void onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void onViewNotify(WPARAM code, LPARAM data);

  bool addLayerFile(const QString& path);
  // Adds the shapefile of a .zip archive that holds one, or those chosen in a list of them;
  // says why when the archive cannot be read. The number of layers added.
  int addArchive(const QString& path);
  // Adds the layers of a file read through GDAL: its only one, or those the user picks from its
  // tables and kinds. The number added.
  int addVectorSource(const QString& path);
  // Whether a layer of the same shapefile (named by its .shp, .shx or .dbf) is on the map.
  bool isLayerShown(const QString& path) const;
  void showFeatureInformation(int layerIndex, int record);
  bool isMapWindowActive() const;
  void moveSelectedLayer(int step);
  void tile(Qt::Orientation orientation);

  QMdiArea* m_mdiArea = nullptr;
  std::map<int, QAction*> m_actions;
  QList<QMenu*> m_childMenus;  // menu 129, while a child window is active
  QList<QMenu*> m_frameMenus;  // menu 128, while none is
  QMenu* m_layerMenu = nullptr;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_panes[6] = {};
  QLabel* m_pointerPane = nullptr;
  QLabel* m_scalePane = nullptr;
  QMenu* m_recentMenu = nullptr;
  CResizableBar* m_layerDock = nullptr;
  CLayerBar* m_layerBar = nullptr;
  CResizableBar* m_legendDock = nullptr;
  CLegendBar* m_legend = nullptr;
  CShapeWnd* m_shapeWnd = nullptr;
  QMdiSubWindow* m_mapWindow = nullptr;
  QMdiSubWindow* m_propertyWindow = nullptr;
  CDataWnd* m_dataWnd = nullptr;
  CInfoDialog* m_infoDialog = nullptr;
  IZamraView* m_view = nullptr;
  CSessionKeeper* m_session = nullptr;  // writes the workspace soon after each change
  CMeasureTool* m_measureTool = nullptr;
  CFindBox* m_findBox = nullptr;
  QAction* m_smoothDrawing = nullptr;  // View menu: antialiased drawing
  CLayerLoadBar* m_loadBar = nullptr;
  bool m_fullMapWhenLoaded = false;  // files opened on an empty map, some still loading
};

}  // namespace mapory

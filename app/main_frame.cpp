// CMainFrame: commands, menus, bars, child windows and the frame's message handling.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "api/base/bitmap.h"
#include "archive_dialog.h"
#include "vector_files.h"
#include "bitmap_file_writer.h"
#include "data_wnd.h"
#include "encoding_dialog.h"
#include "find_box.h"
#include "goto_dialog.h"
#include "image_export.h"
#include "info_dialog.h"
#include "layer_bar.h"
#include "layer_info_dialog.h"
#include "layer_load_bar.h"
#include "mapory_app.h"
#include "measure_tool.h"
#include "program_bitmaps.h"
#include "recent_layers.h"
#include "resizable_bar.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "scale_bar.h"
#include "session_keeper.h"
#include "shape_wnd.h"
#include "style_dialog.h"
#include "legend_bar.h"
#include "workspace_file.h"
#include "platform/gdi.h"
#include "platform/keyboard_locks.h"
#include "platform/memory_room.h"
#include "platform/window_message.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "view/shapefile_archive.h"
#include "view/vector_source.h"

namespace mapory {

namespace {

// The lock keys of status panes 3, 4 and 5, and how often their states are read again.
constexpr zamra::platform::KeyLock kLocks[] = {zamra::platform::KeyLock::Caps, zamra::platform::KeyLock::Num,
                                               zamra::platform::KeyLock::Scroll};
constexpr int kLockPollMilliseconds = 300;

// Whether every layer's box lies within longitude/latitude's range.
bool InDegrees(IZamraView* view)
{
  for (int i = 0; i < view->GetLayerCount(); ++i) {
    double left = 0, bottom = 0, right = 0, top = 0;
    if (ILayer* layer = view->GetLayerByIndex(i))
      layer->GetRect(&left, &bottom, &right, &top);
    if (left < -180.0 || right > 180.0 || bottom < -90.0 || top > 90.0)
      return false;
  }
  return true;
}

const CResourceTable& Texts() { return CResourceTable::Current(); }

// What the user is told about an archive that cannot be read.
QString ArchiveProblem(ZamraArchiveStatus status)
{
  switch (status) {
  case ZamraArchiveStatus::Ok:
    break;
  case ZamraArchiveStatus::CannotOpen:
    return Texts().Text(QStringLiteral("archive_cannot_open"));
  case ZamraArchiveStatus::Damaged:
    return Texts().Text(QStringLiteral("archive_damaged"));
  case ZamraArchiveStatus::UnsafePath:
    return Texts().Text(QStringLiteral("archive_unsafe"));
  case ZamraArchiveStatus::TooLarge:
    return Texts().Text(QStringLiteral("archive_too_large"));
  case ZamraArchiveStatus::NoShapefile:
    return Texts().Text(QStringLiteral("archive_no_shapefile"));
  }
  return QString();
}

// A menu text without its access key, for tooltips: "Full Map(&F)" gives "Full Map".
QString PlainText(QString text)
{
  text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
  text.remove(u'&');
  return text.section(u'\t', 0, 0).trimmed();
}

// The text of a command's entry in a menu, searched through its submenus.
QString MenuText(const std::vector<MenuEntry>& entries, int command)
{
  for (const MenuEntry& entry : entries) {
    if (entry.kind == MenuEntry::Item && entry.command == command)
      return entry.text;
    if (entry.kind == MenuEntry::Popup) {
      const QString found = MenuText(entry.children, command);
      if (!found.isEmpty())
        return found;
    }
  }
  return {};
}

// The program's file dialogs are Qt's own, not the desktop's: they speak the interface language
// and can carry a field of ours; the filters show their names without their patterns.
void SetUpFileDialog(QFileDialog& dialog, const QStringList& filters, QFileDialog::FileMode mode,
                     QFileDialog::AcceptMode accept)
{
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(filters);
  dialog.setFileMode(mode);
  dialog.setAcceptMode(accept);
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
  setWindowTitle(Texts().String(IDR_MAINFRAME));
  setWindowIcon(ProgramIcon());
  m_mdiArea = new QMdiArea(this);
  setCentralWidget(m_mdiArea);

  createActions();
  createMenus();
  createToolBars();
  createStatusBar();
  createDockWindows();
  createChildWindows();
  createExploreTools();
  createSmoothDrawing();
  createLoadBar();

  connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::updateMenus);
  onShowMap();
  m_layerBar->Refresh();
}

CMainFrame::~CMainFrame()
{
  // Children hidden while the frame goes away must not reach its half-destroyed state, and
  // the bar must not paint from the view, which goes with the map window.
  disconnect(m_mdiArea, nullptr, this, nullptr);
  disconnect(m_toolBar, nullptr, this, nullptr);
  disconnect(m_layerDock, nullptr, this, nullptr);
  m_layerBar->SetView(nullptr);
  m_legend->SetView(nullptr);
  m_dataWnd->CancelRowOrder();  // it reads a table of the view, which may go first
  m_findBox->Cancel();          // so does a search
  disconnect(m_loadBar, nullptr, this, nullptr);
  m_loadBar->CancelAll();  // and so do loads
}

bool CMainFrame::IsComplete() const
{
  return m_view != nullptr && m_mapWindow != nullptr && m_propertyWindow != nullptr;
}

QAction* CMainFrame::Action(int command) const
{
  const auto found = m_actions.find(command);
  return found == m_actions.end() ? nullptr : found->second;
}

QLabel* CMainFrame::StatusPane(int index) const { return index >= 0 && index < 6 ? m_panes[index] : nullptr; }

QList<QMenu*> CMainFrame::MenuBarMenus() const
{
  QList<QMenu*> menus;
  for (QAction* action : menuBar()->actions())
    if (action->menu() != nullptr)
      menus << action->menu();
  return menus;
}

// --- Construction --------------------------------------------------------------------------

QAction* CMainFrame::addCommand(int command, void (CMainFrame::*handler)(), bool checkable)
{
  const QString text = MenuText(Texts().Menu(IDR_MAPTYPE), command);
  auto* action = new QAction(text, this);
  action->setObjectName(QString::number(command));
  action->setStatusTip(Texts().Prompt(command));
  const QString tooltip = Texts().Tooltip(command);
  action->setToolTip(tooltip.isEmpty() ? PlainText(text) : tooltip);
  action->setCheckable(checkable);
  if (handler != nullptr)
    connect(action, &QAction::triggered, this, handler);
  m_actions[command] = action;
  return action;
}

void CMainFrame::createActions()
{
  addCommand(ID_APP_EXIT, &CMainFrame::onExit);
  addCommand(ID_SAVE_BMP, &CMainFrame::onSaveBmp);
  addCommand(ID_ADD_LAYER, &CMainFrame::onAddLayer);
  addCommand(ID_DEL_LAYER, &CMainFrame::onDelLayer);
  addCommand(ID_LAYER_INFO, &CMainFrame::onLayerInfo);
  addCommand(ID_LAYER_STYLE, &CMainFrame::onLayerStyle);
  addCommand(ID_MOVE_UP, &CMainFrame::onMoveUp);
  addCommand(ID_MOVE_DOWN, &CMainFrame::onMoveDown);
  addCommand(ID_VIEW_TOOLBAR, &CMainFrame::onViewToolBar, true);
  addCommand(ID_VIEW_LAYERBAR, &CMainFrame::onViewLayerBar, true);
  addCommand(ID_VIEW_STATUS_BAR, &CMainFrame::onViewStatusBar, true);
  addCommand(ID_SHOW_MAP, &CMainFrame::onShowMap, true);
  addCommand(ID_SHOW_PROPERTIES, &CMainFrame::onShowProperties, true);
  addCommand(ID_TILE_VERTICALLY, &CMainFrame::onTileVertically);
  addCommand(ID_TILE_HORIZONTALLY, &CMainFrame::onTileHorizontally);
  addCommand(ID_FULL_MAP, &CMainFrame::onFullMap);
  addCommand(ID_GOTO, &CMainFrame::onGoto);
  // The language commands and About belong to the application object, which connects them.
  addCommand(ID_LANGUAGE_CHINESE, nullptr);
  addCommand(ID_LANGUAGE_JAPANESE, nullptr);
  addCommand(ID_LANGUAGE_ENGLISH, nullptr);
  addCommand(ID_APP_ABOUT, nullptr);
  addCommand(ID_WEBSITE, &CMainFrame::onWebsite);
  addCommand(ID_ZOOM_TO_LAYER, &CMainFrame::onZoomToLayer);
  addCommand(ID_EXPORT_IMAGE, &CMainFrame::onExportImage);
  addCommand(ID_TEXT_ENCODING, &CMainFrame::onTextEncoding);

  // The toolbar's open button has no menu entry and adds a layer.
  QAction* open = addCommand(ID_FILE_OPEN, &CMainFrame::onAddLayer);
  open->setText(PlainText(MenuText(Texts().Menu(IDR_MAPTYPE), ID_ADD_LAYER)));
  open->setToolTip(Texts().Tooltip(ID_ADD_LAYER));

  // Accelerator table 128: standard editing keys and New, none of which the program handles,
  // so they stay disabled and the keys do nothing.
  for (const Accelerator& accelerator : kAccelerators) {
    QAction* action = Action(accelerator.command);
    if (action == nullptr) {
      action = addCommand(accelerator.command, nullptr);
      addAction(action);
    }
    QList<QKeySequence> keys = action->shortcuts();
    keys << QKeySequence(QString::fromLatin1(accelerator.keys));
    action->setShortcuts(keys);
    action->setEnabled(false);
  }
}

void CMainFrame::buildMenu(const std::vector<MenuEntry>& entries, QMenu* menu, bool frameMenu)
{
  for (const MenuEntry& entry : entries) {
    switch (entry.kind) {
    case MenuEntry::Separator:
      menu->addSeparator();
      break;
    case MenuEntry::Popup:
      buildMenu(entry.children, menu->addMenu(entry.text), frameMenu);
      break;
    case MenuEntry::Item: {
      QAction* command = Action(entry.command);
      if (command != nullptr && !frameMenu) {
        command->setText(entry.text);
        menu->addAction(command);
        break;
      }
      // Menu 128 names some commands differently: its entries trigger the same commands.
      QAction* item = menu->addAction(entry.text);
      item->setObjectName(QString::number(entry.command));
      item->setEnabled(command != nullptr && command->isEnabled());
      if (command != nullptr) {
        item->setStatusTip(command->statusTip());
        item->setCheckable(command->isCheckable());
        connect(item, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::changed, item, [item, command] {
          item->setEnabled(command->isEnabled());
          item->setChecked(command->isChecked());
        });
      }
      break;
    }
    }
  }
}

void CMainFrame::createMenus()
{
  for (const MenuEntry& entry : Texts().Menu(IDR_MAPTYPE)) {
    if (entry.kind != MenuEntry::Popup)
      continue;
    auto* menu = new QMenu(entry.text, this);
    buildMenu(entry.children, menu, false);
    m_childMenus << menu;
  }
  for (const MenuEntry& entry : Texts().Menu(IDR_MAINFRAME)) {
    if (entry.kind != MenuEntry::Popup)
      continue;
    auto* menu = new QMenu(entry.text, this);
    buildMenu(entry.children, menu, true);
    m_frameMenus << menu;
  }
  // The layer bar's context menu is the second submenu of menu 129, "Layer(&L)".
  m_layerMenu = m_childMenus.value(1);
  // Recent layers, after the System menu's own entries.
  if (QMenu* system = m_childMenus.value(0)) {
    m_recentMenu = system->addMenu(Texts().Text(QStringLiteral("recent_layers")));
    m_recentMenu->setObjectName(QStringLiteral("recentLayers"));
    updateRecentMenu();
  }
  showMenuSet(m_frameMenus);
}

void CMainFrame::showMenuSet(const QList<QMenu*>& menus)
{
  if (MenuBarMenus() == menus)
    return;
  menuBar()->clear();
  for (QMenu* menu : menus)
    menuBar()->addMenu(menu);
}

void CMainFrame::createToolBars()
{
  m_toolBar = new QToolBar(PlainText(MenuText(Texts().Menu(IDR_MAPTYPE), ID_VIEW_TOOLBAR)), this);
  m_toolBar->setObjectName(QStringLiteral("bar%1").arg(ID_VIEW_TOOLBAR));
  m_toolBar->setIconSize(QSize(32, 32));
  m_toolBar->toggleViewAction()->setVisible(false);  // the View menu's own entry toggles it
  int image = 0;
  for (int command : kToolbarButtons) {
    if (command == 0) {
      m_toolBar->addSeparator();
      continue;
    }
    QAction* action = Action(command);
    action->setIcon(QIcon(MaskedStripImage(IDB_TOOLBAR, image++, 32, qRgb(192, 192, 192))));
    m_toolBar->addAction(action);
  }
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::updateMenus);
}

void CMainFrame::createStatusBar()
{
  // Pane 0 shows "Ready" while no command prompt covers it.
  m_panes[0] = new QLabel(Texts().String(IDS_READY));
  statusBar()->addWidget(m_panes[0], 1);
  m_panes[1] = new QLabel;  // the centre, after the view reports a change
  m_panes[1]->setMinimumWidth(100);
  m_panes[2] = new QLabel;
  m_panes[2]->setMinimumWidth(300);
  // Beside the centre: the point under the pointer and the scale.
  m_pointerPane = new QLabel;
  m_pointerPane->setObjectName(QStringLiteral("pointerPane"));
  m_pointerPane->setMinimumWidth(140);
  m_scalePane = new QLabel;
  m_scalePane->setObjectName(QStringLiteral("scalePane"));
  m_scalePane->setMinimumWidth(110);
  // The indicators name a lock key while it is on; they keep their width while blank.
  for (int pane = 3; pane < 6; ++pane) {
    m_panes[pane] = new QLabel;
    m_panes[pane]->setAlignment(Qt::AlignCenter);
    m_panes[pane]->setMinimumWidth(m_panes[pane]->fontMetrics().horizontalAdvance(lockText(pane)) + 10);
  }
  updateLockPanes();
  // Another program, or a key pressed while the frame had no focus, may change a lock: look
  // again now and then, where the display server tells the state at all.
  bool known = false;
  for (zamra::platform::KeyLock lock : kLocks)
    known = known || zamra::platform::ReadKeyLock(lock) != zamra::platform::KeyLockState::Unknown;
  if (known) {
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::updateLockPanes);
    poll->start(kLockPollMilliseconds);
  }
  for (QLabel* pane : {m_panes[1], m_pointerPane, m_scalePane, m_panes[2], m_panes[3], m_panes[4], m_panes[5]}) {
    pane->setFrameShape(QFrame::StyledPanel);
    pane->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(pane);
  }
}

void CMainFrame::createLoadBar()
{
  m_loadBar = new CLayerLoadBar(m_view, this);
  statusBar()->insertPermanentWidget(1, m_loadBar);  // after the prompt pane, before the others
  connect(m_loadBar, &CLayerLoadBar::layerLoaded, this, &CMainFrame::onLayerLoaded);
  connect(m_loadBar, &CLayerLoadBar::allDone, this, [this] {
    if (std::exchange(m_fullMapWhenLoaded, false) && m_view->GetLayerCount() > 0)
      onFullMap();
    m_view->Refresh();  // a workspace's centre and scale come with its last layer
    updateScalePane();
  });
  // The session is written only whole: not while the workspace's layers are still coming.
  m_session->SetWriteCondition([this] { return !m_loadBar->IsLoadingWorkspace(); });
}

void CMainFrame::RestoreSession()
{
  const QByteArray workspace = CWorkspaceFile::PathToLoad();
  if (m_view != nullptr && !workspace.isEmpty())
    m_loadBar->LoadWorkspace(workspace);
}

QString CMainFrame::lockText(int pane)
{
  static const int kIndicators[] = {IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM, IDS_INDICATOR_SCRL};
  return Texts().String(kIndicators[pane - 3]);
}

void CMainFrame::updateLockPanes()
{
  for (int pane = 3; pane < 6; ++pane) {
    const bool on = zamra::platform::ReadKeyLock(kLocks[pane - 3]) == zamra::platform::KeyLockState::On;
    const QString text = on ? lockText(pane) : QString();
    if (m_panes[pane]->text() != text)
      m_panes[pane]->setText(text);
  }
}

void CMainFrame::createDockWindows()
{
  m_layerDock = new CResizableBar(Texts().Text(QStringLiteral("layer_bar")), this, QSize(200, 400), ID_LAYER_BAR);
  // The bar grows with its rows; the scroll area shows as many as fit.
  auto* scroller = new QScrollArea(m_layerDock);
  scroller->setObjectName(QStringLiteral("layerBarScroller"));
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_layerBar = new CLayerBar(this, m_layerMenu, scroller);
  scroller->setWidget(m_layerBar);
  m_layerDock->setWidget(scroller);
  addDockWidget(Qt::LeftDockWidgetArea, m_layerDock);
  resizeDocks({m_layerDock}, {m_layerDock->sizeHint().width()}, Qt::Horizontal);
  m_layerDock->toggleViewAction()->setVisible(false);  // LayerBar in the View menu toggles it
  connect(m_layerDock, &QDockWidget::visibilityChanged, this, &CMainFrame::updateMenus);

  // The legend, below the layer bar and hidden until chosen in the View menu.
  m_legendDock = new CResizableBar(Texts().Text(QStringLiteral("legend_title")), this, QSize(200, 300),
                                   ID_LAYER_BAR + 1);
  m_legendDock->setObjectName(QStringLiteral("legendDock"));
  auto* legendScroller = new QScrollArea(m_legendDock);
  legendScroller->setFrameShape(QFrame::NoFrame);
  legendScroller->setWidgetResizable(true);
  m_legend = new CLegendBar(legendScroller);
  legendScroller->setWidget(m_legend);
  m_legendDock->setWidget(legendScroller);
  addDockWidget(Qt::LeftDockWidgetArea, m_legendDock);
  splitDockWidget(m_layerDock, m_legendDock, Qt::Vertical);
  m_legendDock->hide();
  m_legendDock->toggleViewAction()->setObjectName(QStringLiteral("legendToggle"));
  CLegendBar::AddToViewMenus(m_childMenus + m_frameMenus, m_legendDock->toggleViewAction());
  // Shown, it shares the side with the layer bar half and half rather than as a sliver.
  connect(m_legendDock->toggleViewAction(), &QAction::triggered, this, [this](bool shown) {
    if (shown && !m_legendDock->isFloating())
      resizeDocks({m_layerDock, m_legendDock}, {1, 1}, Qt::Vertical);
  });
}

void CMainFrame::createChildWindows()
{
  m_shapeWnd = new CShapeWnd(this);
  m_shapeWnd->setWindowTitle(Texts().String(IDS_MAP_TITLE));
  m_shapeWnd->setWindowIcon(ProgramIcon());
  m_mapWindow = m_mdiArea->addSubWindow(m_shapeWnd);
  m_mapWindow->setAttribute(Qt::WA_DeleteOnClose, false);
  m_view = m_shapeWnd->View();
  m_session = new CSessionKeeper(m_view, this);
  m_layerBar->SetView(m_view);
  m_legend->SetView(m_view);
  connect(m_shapeWnd, &CShapeWnd::shapeFilesDropped, this, &CMainFrame::AddLayerFiles);
  connect(m_shapeWnd, &CShapeWnd::pointerMoved, this, &CMainFrame::onPointerMoved);
  connect(m_shapeWnd, &CShapeWnd::pointerLeft, this, &CMainFrame::onPointerLeft);

  m_dataWnd = new CDataWnd(m_view, this, Texts().String(IDS_PROPERTY_TITLE));
  m_dataWnd->setWindowIcon(ProgramIcon());
  m_propertyWindow = m_mdiArea->addSubWindow(m_dataWnd);
  m_propertyWindow->setAttribute(Qt::WA_DeleteOnClose, false);
  m_dataWnd->FollowActivationOf(m_propertyWindow);
  m_propertyWindow->showMaximized();
  m_mapWindow->showMaximized();
  updateScalePane();
}

void CMainFrame::createExploreTools()
{
  // Measure and find: commands at the end of the View menu and of the toolbar, panels on the right.
  m_measureTool = new CMeasureTool(m_view, m_shapeWnd->ViewWindow(), m_panes[0], this);
  m_findBox = new CFindBox(m_view, this);
  m_actions[ID_MEASURE] = m_measureTool->Action();
  m_actions[ID_FIND] = m_findBox->Action();
  addAction(m_findBox->Action());  // Ctrl+F whichever window is active
  if (QMenu* view = m_childMenus.value(2)) {
    view->addSeparator();
    view->addAction(m_measureTool->Action());
    view->addAction(m_findBox->Action());
  }
  m_toolBar->addSeparator();
  m_toolBar->addAction(m_measureTool->Action());
  m_toolBar->addWidget(m_findBox->Edit());
  addDockWidget(Qt::RightDockWidgetArea, m_measureTool->Dock());
  addDockWidget(Qt::RightDockWidgetArea, m_findBox->Dock());
  connect(m_findBox, &CFindBox::matchChosen, this, &CMainFrame::zoomToFeature);
}

void CMainFrame::createSmoothDrawing()
{
  // Antialiased lines and areas, chosen in the View menu and kept for the next start.
  m_smoothDrawing = new QAction(Texts().Text(QStringLiteral("smooth_drawing")), this);
  m_smoothDrawing->setObjectName(QStringLiteral("smoothDrawing"));
  m_smoothDrawing->setCheckable(true);
  const QString key = QStringLiteral("Mapory/SmoothDrawing");
  const bool smooth = CMaporyApp::Settings().value(key, false).toBool();
  m_smoothDrawing->setChecked(smooth);
  if (IZamraViewExtras* extras = IZamraViewExtras::Of(m_view))
    extras->SetSmoothDrawing(smooth ? 1 : 0);
  connect(m_smoothDrawing, &QAction::toggled, this, [this, key](bool on) {
    CMaporyApp::Settings().setValue(key, on);
    if (IZamraViewExtras* extras = IZamraViewExtras::Of(m_view))
      extras->SetSmoothDrawing(on ? 1 : 0);
  });
  if (QMenu* view = m_childMenus.value(2)) {
    view->addSeparator();
    view->addAction(m_smoothDrawing);
  }
}

// --- Enable and check states ----------------------------------------------------------------

void CMainFrame::updateMenus()
{
  const int count = m_view ? m_view->GetLayerCount() : 0;
  const int selected = m_view ? m_view->GetSelectLayer() : -1;
  Action(ID_DEL_LAYER)->setEnabled(selected >= 0);
  Action(ID_MOVE_UP)->setEnabled(selected > 0);
  Action(ID_MOVE_DOWN)->setEnabled(selected >= 0 && selected < count - 1);
  Action(ID_LAYER_INFO)->setEnabled(selected >= 0);
  Action(ID_LAYER_STYLE)->setEnabled(selected >= 0);
  Action(ID_ZOOM_TO_LAYER)->setEnabled(selected >= 0);
  Action(ID_TEXT_ENCODING)->setEnabled(selected >= 0);

  Action(ID_VIEW_TOOLBAR)->setChecked(m_toolBar->isVisibleTo(this));
  Action(ID_VIEW_LAYERBAR)->setChecked(m_layerDock->isVisibleTo(this));
  Action(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisibleTo(this));
  QMdiSubWindow* active = m_mdiArea->currentSubWindow();
  const bool mapActive = active != nullptr && active == m_mapWindow;
  Action(ID_SHOW_MAP)->setChecked(mapActive);
  Action(ID_SHOW_PROPERTIES)->setChecked(!mapActive);

  showMenuSet(active != nullptr ? m_childMenus : m_frameMenus);
  if (m_findBox != nullptr)
    m_findBox->FollowSelectedLayer();
  if (m_legend != nullptr)
    m_legend->Refresh();  // layers, order, visibility or styles may have changed
}

// --- Messages -------------------------------------------------------------------------------

bool CMainFrame::event(QEvent* event)
{
  if (event->type() == WindowMessageEvent::EventType()) {
    const auto* message = static_cast<WindowMessageEvent*>(event);
    onWindowMessage(message->Message(), message->WParam(), message->LParam());
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
  if (m_view == nullptr)
    return;
  const int index = int(wParam);
  switch (message) {
  case WM_LAYER_VISIBLE:
  case WM_LAYER_LABEL:
    if (ILayer* layer = m_view->GetLayerByIndex(index)) {
      if (message == WM_LAYER_VISIBLE)
        layer->SetVisible(int(lParam));
      else
        layer->SetLabelVisible(int(lParam));
      m_view->Refresh();
      m_session->NoteChange();
    }
    break;
  case WM_LAYER_SELECT:
    m_view->SetSelectLayer(lParam == 0 ? -1 : index);
    m_view->Refresh();
    m_layerBar->Refresh();
    if (!isMapWindowActive())
      m_dataWnd->ShowLayer(lParam == 0 ? -1 : index, -1);
    break;
  case WM_FEATURE_INFO:
    showFeatureInformation(index, int(lParam));
    break;
  case WM_FEATURE_GOTO:
    if (ILayer* layer = m_view->GetLayerByIndex(index)) {
      // A point layer writes no box for a record it does not have: then there is nowhere to go.
      const double none = std::numeric_limits<double>::quiet_NaN();
      double minX = none, minY = none, maxX = none, maxY = none;
      layer->GetShapeRect(int(lParam), &minX, &minY, &maxX, &maxY);
      const double x = (minX + maxX) * 0.5, y = (minY + maxY) * 0.5;
      if (std::isfinite(x) && std::isfinite(y)) {
        m_view->SetCenter(x, y);
        m_view->Refresh();
        m_session->NoteChange();
      }
    }
    break;
  case WM_FEATURE_ZOOM:
    zoomToFeature(index, int(lParam));
    break;
  case ZM_VIEW_NOTIFY:
    onViewNotify(wParam, lParam);
    break;
  default:
    break;
  }
  updateMenus();
}

void CMainFrame::onViewNotify(WPARAM code, LPARAM data)
{
  if (code == NOTIFY_SCALE_CHANGED || code == NOTIFY_CENTER_CHANGED)
    m_session->NoteChange();  // wheel, drag or the view's own moves
  if (code == NOTIFY_CENTER_CHANGED && m_view->GetLayerCount() > 0) {
    double x = 0, y = 0;
    m_view->GetCenter(x, y);
    m_panes[1]->setText(QString::asprintf("%.4f,%.4f", x, y));
  }
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  if (code == NOTIFY_RIGHT_CLICK) {
    const int selected = m_view->GetSelectLayer();
    ILayer* layer = m_view->GetLayerByIndex(selected);
    int record = -1;
    if (selected >= 0 && layer != nullptr) {
      double x = 0, y = 0;
      m_view->ViewToGeo(int(data & 0xFFFF), int((data >> 16) & 0xFFFF), x, y);
      record = layer->HitTest(x, y);
      if (record >= 0)
        showFeatureInformation(selected, record);
    }
    if (record < 0 && extras != nullptr)
      extras->SetHighlight(nullptr, -1);  // a click on empty ground clears the outline
  }
  if (code == NOTIFY_CLICK && extras != nullptr)
    extras->SetHighlight(nullptr, -1);
  updateScalePane();
  emit viewNotified(code, data);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
  m_loadBar->FinishSessionLoads();  // the user's pending files are not kept; the session's are
  if (m_session != nullptr)
    m_session->Cancel();  // written now
  if (m_view != nullptr)
    CWorkspaceFile::Save(*m_view);
  event->accept();
}

// --- Commands -------------------------------------------------------------------------------

int CMainFrame::messageBox(const QString& text, QMessageBox::StandardButtons buttons)
{
  QMessageBox box(QMessageBox::NoIcon, Texts().String(IDS_APP_TITLE), text, buttons, this);
  if (QAbstractButton* ok = box.button(QMessageBox::Ok))
    ok->setText(Texts().Text(QStringLiteral("ok")));
  return box.exec();
}

bool CMainFrame::addLayerFile(const QString& path)
{
  if (ZamraArchive::IsArchive(path.toStdString()) && QFileInfo(path).isFile())
    return addArchive(path) > 0;
  // A file of several layers is chosen from; a layer's own path ("SOURCE|TABLE|KIND") is no file.
  if (ZamraVectorSource::IsVectorSource(QFile::encodeName(path).toStdString()) && QFileInfo(path).isFile()) {
    std::vector<ZamraVectorLayer> layers;
    if (ZamraVectorSource::ListLayers(QFile::encodeName(path).toStdString(), layers) == ZamraVectorStatus::Ok &&
        layers.size() > 1)
      return addVectorSource(path) > 0;
  }
  return m_loadBar->Load(path);
}

bool CMainFrame::onLayerLoaded(const QString& path, ILayer* layer, bool memoryShort, bool fromWorkspace)
{
  if (fromWorkspace) {
    // The session coming back: as it was, without a word for the files that are gone.
    if (layer != nullptr) {
      m_layerBar->Refresh();
      m_view->Refresh();
      updateMenus();
    }
    return layer != nullptr;
  }
  if (layer == nullptr && isLayerShown(path))
    return false;  // the same file was added meanwhile: nothing to tell
  if (layer == nullptr && memoryShort) {
    // Not the file's fault: said so, so that the user does not look for damage in it.
    messageBox(Texts().Text(QStringLiteral("load_no_memory")).arg(QFileInfo(path).fileName()));
    return false;
  }
  if (layer == nullptr && ZamraVectorSource::IsVectorSource(QFile::encodeName(path).toStdString())) {
    messageBox(VectorProblem(ZamraVectorSource::CheckLayer(QFile::encodeName(path).toStdString())));
    return false;
  }
  if (layer == nullptr) {
    // A shapefile in an archive may fail for the archive's sake: say so when it does.
    const ZamraArchiveStatus archive = ZamraArchive::CheckMember(QFile::encodeName(path).toStdString());
    messageBox(archive == ZamraArchiveStatus::Ok || archive == ZamraArchiveStatus::CannotOpen
                   ? Texts().Text(QStringLiteral("open_file_false"))
                   : ArchiveProblem(archive));
    return false;
  }
  if (layer->GetType() == ZM_LAYER_POINT)
    layer->SetPointIndex(1);
  char layerPath[260] = {};
  layer->GetPath(layerPath);  // the .shp, also when the user named its .shx or .dbf
  AddRecentLayer(QFile::decodeName(layerPath));
  updateRecentMenu();
  m_layerBar->Refresh();
  m_view->Refresh();
  m_session->NoteChange();
  updateMenus();
  return true;
}

int CMainFrame::AddLayerFiles(const QStringList& paths)
{
  if (m_view == nullptr)
    return 0;
  const bool wasEmpty = m_view->GetLayerCount() == 0 && !m_loadBar->IsBusy();
  int added = 0;
  for (const QString& path : paths) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (ZamraArchive::IsArchive(absolute.toStdString()) && QFileInfo(absolute).isFile())
      added += addArchive(absolute);
    else if (ZamraVectorSource::IsVectorSource(QFile::encodeName(absolute).toStdString()) &&
             QFileInfo(absolute).isFile())
      added += addVectorSource(absolute);
    else if (!isLayerShown(absolute) && addLayerFile(absolute))
      ++added;
  }
  // Files opened on an empty map are shown whole, once they are all in.
  if (wasEmpty && added > 0 && m_loadBar->IsBusy())
    m_fullMapWhenLoaded = true;
  else if (wasEmpty && added > 0)
    onFullMap();
  return added;
}

bool CMainFrame::isLayerShown(const QString& path) const
{
  // The three files of one shapefile name the same layer.
  const auto layerKey = [](const QString& file) {
    const QFileInfo info(file);
    const QString suffix = info.suffix().toLower();
    return suffix == QLatin1String("shp") || suffix == QLatin1String("shx") || suffix == QLatin1String("dbf")
               ? info.absolutePath() + QLatin1Char('/') + info.completeBaseName()
               : info.absoluteFilePath();
  };
  if (m_loadBar->IsLoading(path))
    return true;
  for (int i = 0; i < m_view->GetLayerCount(); ++i) {
    char layerPath[260] = {};
    if (ILayer* layer = m_view->GetLayerByIndex(i)) {
      layer->GetPath(layerPath);
      if (layerKey(QFile::decodeName(layerPath)) == layerKey(path))
        return true;
    }
  }
  return false;
}

int CMainFrame::addArchive(const QString& path)
{
  std::vector<std::string> found;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ZamraArchiveStatus status = ZamraArchive::ListShapefiles(QFile::encodeName(path).toStdString(), found);
  QApplication::restoreOverrideCursor();
  if (status != ZamraArchiveStatus::Ok) {
    messageBox(ArchiveProblem(status));
    return 0;
  }
  QStringList members;
  for (const std::string& member : found)
    members << QFile::decodeName(member.c_str());
  if (members.size() > 1) {
    CArchiveDialog dialog(path, members, this);
    if (dialog.exec() != QDialog::Accepted)
      return 0;
    members = dialog.Chosen();
  }
  int added = 0;
  for (const QString& member : members) {
    const QString memberPath = QFile::decodeName(
        ZamraArchive::MemberPath(QFile::encodeName(path).toStdString(), QFile::encodeName(member).toStdString())
            .c_str());
    if (!isLayerShown(memberPath) && addLayerFile(memberPath))
      ++added;
  }
  return added;
}

int CMainFrame::addVectorSource(const QString& path)
{
  std::vector<ZamraVectorLayer> found;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ZamraVectorStatus status = ZamraVectorSource::ListLayers(QFile::encodeName(path).toStdString(), found);
  QApplication::restoreOverrideCursor();
  if (status != ZamraVectorStatus::Ok) {
    messageBox(VectorProblem(status));
    return 0;
  }
  // The tables and kinds as the chooser lists them ("roads (lines)"), and the path of each.
  QStringList titles, paths;
  for (const ZamraVectorLayer& layer : found) {
    titles << QString::fromUtf8(layer.title.c_str());
    paths << QFile::decodeName(layer.path.c_str());
  }
  QStringList chosen = titles;
  if (titles.size() > 1) {
    CArchiveDialog dialog(path, titles, this, Texts().Text(QStringLiteral("vector_layers_list")));
    dialog.setWindowTitle(Texts().Text(QStringLiteral("vector_layers_title")));
    if (dialog.exec() != QDialog::Accepted)
      return 0;
    chosen = dialog.Chosen();
  }
  int added = 0;
  for (int i = 0; i < titles.size(); ++i)
    if (chosen.contains(titles[i]) && !isLayerShown(paths[i]) && addLayerFile(paths[i]))
      ++added;
  return added;
}

void CMainFrame::onAddLayer()
{
  QFileDialog dialog(this, Texts().Text(QStringLiteral("open_shape_file")));
  SetUpFileDialog(dialog, VectorFileFilters(), QFileDialog::ExistingFile, QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return;
  addLayerFile(dialog.selectedFiles().constFirst());
}

void CMainFrame::onDelLayer()
{
  const int selected = m_view->GetSelectLayer();
  if (selected < 0) {
    messageBox(Texts().Text(QStringLiteral("select_layer")));
    return;
  }
  m_dataWnd->CancelRowOrder();  // it may be reading the table that goes
  m_findBox->Cancel();
  if (m_view->DeleteLayer(selected)) {
    m_dataWnd->ShowLayer(-1, -1);
    m_layerBar->Refresh();
    m_session->NoteChange();
  }
  updateMenus();
}

void CMainFrame::moveSelectedLayer(int step)
{
  const int from = m_view->GetSelectLayer();
  const int to = from + step;
  const int count = m_view->GetLayerCount();
  if (from < 0 || from >= count || to < 0 || to >= count)
    return;
  m_view->MoveLayer(from, to);
  const int selected = m_view->GetSelectLayer();
  if (selected == from) {
    m_view->SetSelectLayer(to);
    m_dataWnd->ShowLayer(to, -1);
  } else if (selected == to) {
    m_view->SetSelectLayer(from);
    m_dataWnd->ShowLayer(from, -1);
  }
  m_layerBar->Refresh();
  m_session->NoteChange();
  updateMenus();
}

void CMainFrame::onLayerInfo()
{
  ILayer* layer = m_view->GetLayerByIndex(m_view->GetSelectLayer());
  if (layer == nullptr)
    return;
  CLayerInfoDialog dialog(layer, this);
  dialog.exec();
}

void CMainFrame::onLayerStyle()
{
  const int selected = m_view->GetSelectLayer();
  if (selected < 0) {
    messageBox(Texts().Text(QStringLiteral("select_layer")));
    return;
  }
  ILayer* layer = m_view->GetLayerByIndex(selected);
  CStyleDialog::Kind kind;
  if (layer == nullptr || !CStyleDialog::KindForLayerType(layer->GetType(), &kind))
    return;
  CStyleDialog dialog(kind, this);
  dialog.SetStyle(ReadLayerStyle(*layer));
  dialog.AddLayerChoices(m_view, layer, [this] {
    m_view->Refresh();
    m_legend->Refresh();
    m_session->NoteChange();
  });
  dialog.exec();
  // Whichever button closed the dialog: what was changed in it applies.
  WriteLayerStyle(*layer, dialog.Style());
  m_view->Refresh();
  m_legend->Refresh();
  m_session->NoteChange();
}

void CMainFrame::onGoto()
{
  CGotoDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted)
    return;
  m_view->SetCenter(dialog.X(), dialog.Y());
  m_view->Refresh();
  m_session->NoteChange();
}

void CMainFrame::showFeatureInformation(int layerIndex, int record)
{
  if (m_infoDialog == nullptr)
    m_infoDialog = new CInfoDialog(this);
  m_infoDialog->Fill(m_view, layerIndex, record);
  m_infoDialog->show();
  if (IZamraViewExtras* extras = IZamraViewExtras::Of(m_view))
    extras->SetHighlight(m_view->GetLayerByIndex(layerIndex), record);
  m_dataWnd->ShowLayer(layerIndex, record);
}

bool CMainFrame::isMapWindowActive() const { return m_mdiArea->currentSubWindow() == m_mapWindow; }

void CMainFrame::onMoveUp() { moveSelectedLayer(-1); }
void CMainFrame::onMoveDown() { moveSelectedLayer(+1); }

void CMainFrame::onViewToolBar()
{
  m_toolBar->setVisible(!m_toolBar->isVisibleTo(this));
  updateMenus();
}

void CMainFrame::onViewLayerBar()
{
  m_layerDock->setVisible(!m_layerDock->isVisibleTo(this));
  updateMenus();
}

void CMainFrame::onViewStatusBar()
{
  statusBar()->setVisible(!statusBar()->isVisibleTo(this));
  updateMenus();
}

void CMainFrame::onShowMap()
{
  m_mapWindow->showMaximized();
  m_mdiArea->setActiveSubWindow(m_mapWindow);
  updateMenus();
}

void CMainFrame::onShowProperties()
{
  m_propertyWindow->showMaximized();
  m_mdiArea->setActiveSubWindow(m_propertyWindow);
  updateMenus();
}

void CMainFrame::tile(Qt::Orientation orientation)
{
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : m_mdiArea->subWindowList())
    if (!window->isHidden())
      windows << window;
  if (windows.isEmpty())
    return;
  const QRect area = m_mdiArea->viewport()->rect();
  const int n = int(windows.size());
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* window = windows[i];
    window->showNormal();
    if (orientation == Qt::Horizontal) {  // side by side
      const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
      window->setGeometry(left, 0, right - left, area.height());
    } else {  // one above the other
      const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
      window->setGeometry(0, top, area.width(), bottom - top);
    }
  }
  updateMenus();
}

void CMainFrame::onTileVertically() { tile(Qt::Horizontal); }
void CMainFrame::onTileHorizontally() { tile(Qt::Vertical); }

void CMainFrame::onFullMap()
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  if (extras != nullptr && extras->GetLayersExtent(&minX, &minY, &maxX, &maxY))
    ZoomToExtent(minX, minY, maxX, maxY);
}

void CMainFrame::ZoomToExtent(double minX, double minY, double maxX, double maxY)
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  const double fit = extras != nullptr ? extras->GetScaleToFit(minX, minY, maxX, maxY) : -1.0;
  if (fit < 0.0)
    return;  // a box that is not finite, or a map window without area (minimised)
  m_view->SetCenter((minX + maxX) * 0.5, (minY + maxY) * 0.5);
  // A box without width and height (one point, or all at one place) asks for scale 0: the
  // view's range refuses it and keeps the scale, so the map is only centred.
  m_view->SetScale(fit);
  m_view->Refresh();
  m_session->NoteChange();
}

void CMainFrame::onZoomToLayer()
{
  ILayer* layer = m_view->GetLayerByIndex(m_view->GetSelectLayer());
  if (layer == nullptr)
    return;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  layer->GetRect(&minX, &minY, &maxX, &maxY);
  ZoomToExtent(minX, minY, maxX, maxY);
}

void CMainFrame::zoomToFeature(int layerIndex, int record)
{
  ILayer* layer = m_view->GetLayerByIndex(layerIndex);
  if (layer == nullptr || record < 0 || record >= layer->GetDataView()->GetRowCount())
    return;
  // A point layer writes no box for a record it does not have: then there is nowhere to go.
  const double none = std::numeric_limits<double>::quiet_NaN();
  double minX = none, minY = none, maxX = none, maxY = none;
  layer->GetShapeRect(record, &minX, &minY, &maxX, &maxY);
  ZoomToExtent(minX, minY, maxX, maxY);
  if (IZamraViewExtras* extras = IZamraViewExtras::Of(m_view))
    extras->SetHighlight(layer, record);
}

void CMainFrame::onPointerMoved(int x, int y)
{
  if (m_view->GetLayerCount() == 0) {
    m_pointerPane->clear();
    return;
  }
  double gx = 0, gy = 0;
  m_view->ViewToGeo(x, y, gx, gy);
  // Qt's formatting ignores the locale. A map whose numbers cannot be degrees (a layer in metres
  // or feet without a .prj) shows them as they are, in the layer's own units.
  m_pointerPane->setText(InDegrees(m_view) ? QString::asprintf("%.4f,%.4f", gx, gy)
                                           : QString::asprintf("x %.2f  y %.2f", gx, gy));
}

void CMainFrame::onPointerLeft() { m_pointerPane->clear(); }

void CMainFrame::updateScalePane()
{
  m_scalePane->setText(QStringLiteral("1:%1").arg(static_cast<qulonglong>(std::llround(m_view->GetScale()))));
  if (m_shapeWnd->ScaleBar() != nullptr)
    m_shapeWnd->ScaleBar()->update();
}

void CMainFrame::updateRecentMenu()
{
  if (m_recentMenu == nullptr)
    return;
  m_recentMenu->clear();
  const QStringList paths = RecentLayers();
  for (int i = 0; i < paths.size(); ++i) {
    QString shown = paths[i];
    shown.replace(u'&', QStringLiteral("&&"));  // a "&" in a path is no access key
    QAction* entry = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
    entry->setObjectName(QString::number(ID_RECENT_LAYER_FIRST + i));
    const QString path = paths[i];
    connect(entry, &QAction::triggered, this, [this, path] { AddLayerFiles({path}); });
  }
  if (paths.isEmpty())
    m_recentMenu->addAction(Texts().Text(QStringLiteral("recent_none")))->setEnabled(false);
}

void CMainFrame::onSaveBmp()
{
  // An open dialog that accepts names of files not there yet.
  QFileDialog dialog(this, Texts().Text(QStringLiteral("select_bmp")));
  SetUpFileDialog(dialog, {Texts().Text(QStringLiteral("bmp_filter")) + QStringLiteral(" (*.bmp)")},
                  QFileDialog::AnyFile, QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return;
  const QString path = BitmapFileName(dialog.selectedFiles().constFirst());

  // The map as the user sees it: at the screen's device pixels.
  const QSize picture = MapPictureSize(*m_view, m_shapeWnd->width(), m_shapeWnd->height());
  const int width = picture.width(), height = picture.height();
  unsigned char* bits = nullptr;
  HDC surface = ZMBitmap::CreateMemDc(width, height, &bits);
  bool written = false;
  if (surface != nullptr) {
    m_view->Draw(surface, 0, 0, width, height);
    written = WriteBitmapFile(surface, RECT{0, 0, width, height}, path);
  }
  messageBox(Texts().String(written ? IDS_SAVE_BMP_OK : IDS_SAVE_BMP_FALSE));
  if (surface != nullptr)
    DeleteDC(surface);
}

void CMainFrame::onExportImage()
{
  const QString png = Texts().Text(QStringLiteral("png_filter")) + QStringLiteral(" (*.png)");
  const QString jpeg = Texts().Text(QStringLiteral("jpeg_filter")) + QStringLiteral(" (*.jpg *.jpeg)");
  QFileDialog dialog(this, Texts().Text(QStringLiteral("export_image")));
  SetUpFileDialog(dialog, {png, jpeg}, QFileDialog::AnyFile, QFileDialog::AcceptSave);
  // Qt's own dialog carries this choice below its fields.
  auto* withLegend = new QCheckBox(Texts().Text(QStringLiteral("export_legend")), &dialog);
  withLegend->setObjectName(QStringLiteral("exportLegend"));
  withLegend->setChecked(m_legendDock->isVisibleTo(this));
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(withLegend, grid->rowCount(), 0, 1, -1);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return;
  QString path = dialog.selectedFiles().constFirst();
  ImageFormat format = ImageFormat::Png;
  if (!ImageFormatOf(path, &format)) {
    format = dialog.selectedNameFilter() == jpeg ? ImageFormat::Jpeg : ImageFormat::Png;
    path = ImageFileName(path, format);
  }
  const bool written = ExportMapImage(*m_view, m_shapeWnd->width(), m_shapeWnd->height(), path, format,
                                      withLegend->isChecked());
  messageBox(Texts().Text(written ? QStringLiteral("export_ok") : QStringLiteral("export_false")));
}

void CMainFrame::onTextEncoding()
{
  ILayer* layer = m_view->GetLayerByIndex(m_view->GetSelectLayer());
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  if (layer == nullptr || extras == nullptr)
    return;
  CEncodingDialog dialog(layer, extras->GetLayerCodePage(layer), extras->GetLayerFileCodePage(layer), this);
  if (dialog.exec() != QDialog::Accepted)
    return;
  m_dataWnd->CancelRowOrder();  // a sort may be reading the texts whose code page changes
  m_findBox->Cancel();
  if (!extras->SetLayerCodePage(layer, dialog.CodePage())) {
    messageBox(Texts().Text(QStringLiteral("encoding_false")));
    return;
  }
  // Table, labels and identify read the texts anew.
  if (m_dataWnd->CurrentLayer() == layer)
    m_dataWnd->ReloadTable();
  if (m_infoDialog != nullptr && m_view->GetLayerByIndex(m_infoDialog->LayerIndex()) == layer)
    m_infoDialog->Fill(m_view, m_infoDialog->LayerIndex(), m_infoDialog->Record());
  m_view->Refresh();
  m_session->NoteChange();
}

QUrl CMainFrame::WebsiteUrl(const QString& programFolder)
{
  const QString configured = QString::fromUtf8(MAPORY_WEBSITE);
  if (!configured.isEmpty())
    return QUrl(configured);
  const QString page = programFolder + QStringLiteral("/" MAPORY_DOC_FROM_BIN "/README.html");
  return QUrl::fromLocalFile(QDir::cleanPath(page));
}

void CMainFrame::onWebsite() { QDesktopServices::openUrl(WebsiteUrl(QCoreApplication::applicationDirPath())); }

void CMainFrame::onExit() { close(); }

}  // namespace mapory

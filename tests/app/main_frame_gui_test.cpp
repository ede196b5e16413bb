// CMainFrame: command states, the layer commands, Full Map, Save as bmp, the private messages
// and the view's notifications, on real windows with the sample layers.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <filesystem>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QFileInfo>
#include <QtEndian>
#include <QMimeData>
#include <QDropEvent>
#include <QUrl>
#include <cmath>
#include <QSignalSpy>
#include <QToolBar>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "layer_bar.h"
#include "program_bitmaps.h"
#include "resizable_bar.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "platform/gdi.h"
#include "platform/window_message.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::AnswerModal;
using zamra_test::ProcessPostedMessages;
using zamra_test::Sample;

namespace {

class MainFrameTest : public zamra_test::FrameTest {
protected:
  bool Enabled(int command) const { return m_frame->Action(command)->isEnabled(); }
  bool Checked(int command) const { return m_frame->Action(command)->isChecked(); }
  QString LayerName(int index) const
  {
    char name[260] = {};
    View()->GetLayerByIndex(index)->GetName(name);
    return QString::fromLocal8Bit(name);
  }
  // Runs a command that opens a file dialog, answers it with `path`, and gives the text of the
  // message box that follows (empty when none).
  QString RunWithFile(int command, const QString& path, bool expectMessage = true)
  {
    QString message;
    zamra_test::AnswerFileDialog(path, [&message, expectMessage] {
      if (expectMessage)
        AnswerModal<QMessageBox>([&message](QMessageBox* box) {
          message = box->text();
          box->button(QMessageBox::Ok)->click();
        });
    });
    m_frame->Action(command)->trigger();
    ProcessPostedMessages();
    return message;
  }
};

std::vector<int> Commands(const QList<QAction*>& actions)
{
  std::vector<int> ids;
  for (QAction* action : actions)
    ids.push_back(action->isSeparator() ? 0 : action->objectName().toInt());
  return ids;
}

}  // namespace

TEST_F(MainFrameTest, MenusAndToolbarFollowTheResourceOrder)
{
  const QList<QMenu*> menus = m_frame->MenuBarMenus();
  ASSERT_EQ(menus.size(), 5);
  EXPECT_EQ(menus[0]->title(), QStringLiteral("System(&S)"));
  // Entries added later come after the original ones (the recent layers are a submenu: 0).
  EXPECT_EQ(Commands(menus[0]->actions()), (std::vector<int>{ID_APP_EXIT, ID_SAVE_BMP, ID_EXPORT_IMAGE, 0}));
  EXPECT_EQ(Commands(menus[1]->actions()),
            (std::vector<int>{ID_ADD_LAYER, ID_DEL_LAYER, ID_LAYER_INFO, ID_LAYER_STYLE, ID_MOVE_UP, ID_MOVE_DOWN, 0,
                              ID_ZOOM_TO_LAYER, ID_TEXT_ENCODING}));
  EXPECT_EQ(Commands(menus[2]->actions()),
            (std::vector<int>{ID_VIEW_TOOLBAR, ID_VIEW_LAYERBAR, ID_VIEW_STATUS_BAR, 0, ID_SHOW_MAP, ID_SHOW_PROPERTIES,
                              ID_TILE_VERTICALLY, ID_TILE_HORIZONTALLY, 0, ID_FULL_MAP, ID_GOTO, 0, 0, 0, ID_MEASURE,
                              ID_FIND, 0, 0}));
  // The legend's toggle (named, not numbered) between its separator and the tools'.
  EXPECT_EQ(menus[2]->actions().at(12)->objectName(), QStringLiteral("legendToggle"));
  EXPECT_EQ(menus[2]->actions().at(17)->objectName(), QStringLiteral("smoothDrawing"));  // last, after a separator
  EXPECT_EQ(Commands(menus[3]->actions()),
            (std::vector<int>{ID_LANGUAGE_CHINESE, ID_LANGUAGE_JAPANESE, ID_LANGUAGE_ENGLISH}));
  EXPECT_EQ(Commands(menus[4]->actions()), (std::vector<int>{ID_APP_ABOUT, ID_WEBSITE}));
  EXPECT_EQ(m_frame->Action(ID_FULL_MAP)->text(), QStringLiteral("Full Map(&F)"));
  EXPECT_EQ(m_frame->Action(ID_ADD_LAYER)->statusTip(), QStringLiteral("Add a layer to map"));
  EXPECT_EQ(m_frame->Action(ID_ADD_LAYER)->toolTip(), QStringLiteral("Add layer"));

  EXPECT_EQ(Commands(m_frame->ToolBar()->actions()),
            (std::vector<int>{ID_FILE_OPEN, ID_SAVE_BMP, 0, ID_SHOW_PROPERTIES, ID_SHOW_MAP, ID_TILE_HORIZONTALLY,
                              ID_TILE_VERTICALLY, 0, ID_FULL_MAP, ID_GOTO, 0, ID_WEBSITE, ID_APP_ABOUT, 0, ID_MEASURE,
                              0}));  // the find box ends the bar
  EXPECT_EQ(m_frame->ToolBar()->iconSize(), QSize(32, 32));

  EXPECT_EQ(m_frame->StatusPane(0)->text(), QStringLiteral("Ready"));
  EXPECT_EQ(m_frame->LayerDock()->windowTitle(), QStringLiteral("Layer"));
  EXPECT_EQ(m_frame->MapWindow()->windowTitle(), QStringLiteral("Map"));
  EXPECT_EQ(m_frame->PropertyWindow()->windowTitle(), QStringLiteral("Property"));
}

TEST_F(MainFrameTest, CommandStatesWithoutLayers)
{
  EXPECT_TRUE(Enabled(ID_ADD_LAYER));
  EXPECT_TRUE(Enabled(ID_FILE_OPEN));
  EXPECT_FALSE(Enabled(ID_DEL_LAYER));
  EXPECT_FALSE(Enabled(ID_MOVE_UP));
  EXPECT_FALSE(Enabled(ID_MOVE_DOWN));
  EXPECT_TRUE(Enabled(ID_FULL_MAP));
  EXPECT_TRUE(Enabled(ID_SAVE_BMP));
  EXPECT_TRUE(Enabled(ID_LANGUAGE_JAPANESE));
  EXPECT_FALSE(Checked(ID_LANGUAGE_ENGLISH));
  EXPECT_FALSE(Enabled(ID_LAYER_INFO));
  EXPECT_FALSE(Enabled(ID_LAYER_STYLE));
  EXPECT_TRUE(Enabled(ID_GOTO));
  EXPECT_FALSE(Enabled(ID_FILE_NEW));
  EXPECT_TRUE(Checked(ID_VIEW_TOOLBAR));
  EXPECT_TRUE(Checked(ID_VIEW_LAYERBAR));
  EXPECT_TRUE(Checked(ID_VIEW_STATUS_BAR));
  EXPECT_TRUE(Checked(ID_SHOW_MAP));
  EXPECT_FALSE(Checked(ID_SHOW_PROPERTIES));
}

TEST_F(MainFrameTest, CommandStatesWithOneLayer)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_cities.shp")}), 1);
  EXPECT_EQ(View()->GetLayerByIndex(0)->GetPointIndex(), 1);  // point layers get symbol 1
  Post(WM_LAYER_SELECT, 0, 0);
  EXPECT_FALSE(Enabled(ID_DEL_LAYER));
  EXPECT_FALSE(Enabled(ID_LAYER_INFO));
  Select(0);
  EXPECT_TRUE(Enabled(ID_DEL_LAYER));
  EXPECT_FALSE(Enabled(ID_MOVE_UP));
  EXPECT_FALSE(Enabled(ID_MOVE_DOWN));
  EXPECT_TRUE(Enabled(ID_LAYER_INFO));
  EXPECT_TRUE(Enabled(ID_LAYER_STYLE));
}

TEST_F(MainFrameTest, CommandStatesWithThreeLayers)
{
  ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
  Select(0);
  EXPECT_FALSE(Enabled(ID_MOVE_UP));
  EXPECT_TRUE(Enabled(ID_MOVE_DOWN));
  Select(1);
  EXPECT_TRUE(Enabled(ID_MOVE_UP));
  EXPECT_TRUE(Enabled(ID_MOVE_DOWN));
  Select(2);
  EXPECT_TRUE(Enabled(ID_MOVE_UP));
  EXPECT_FALSE(Enabled(ID_MOVE_DOWN));
  EXPECT_TRUE(Enabled(ID_DEL_LAYER));
}

TEST_F(MainFrameTest, ViewCommandsToggleBarsAndChildren)
{
  m_frame->Action(ID_VIEW_TOOLBAR)->trigger();
  EXPECT_FALSE(m_frame->ToolBar()->isVisible());
  EXPECT_FALSE(Checked(ID_VIEW_TOOLBAR));
  m_frame->Action(ID_VIEW_LAYERBAR)->trigger();
  EXPECT_FALSE(m_frame->LayerDock()->isVisible());
  EXPECT_FALSE(Checked(ID_VIEW_LAYERBAR));
  m_frame->Action(ID_VIEW_STATUS_BAR)->trigger();
  EXPECT_FALSE(m_frame->statusBar()->isVisible());
  EXPECT_FALSE(Checked(ID_VIEW_STATUS_BAR));
  m_frame->Action(ID_VIEW_LAYERBAR)->trigger();
  EXPECT_TRUE(m_frame->LayerDock()->isVisible());
  EXPECT_TRUE(Checked(ID_VIEW_LAYERBAR));

  m_frame->Action(ID_SHOW_PROPERTIES)->trigger();
  EXPECT_TRUE(Checked(ID_SHOW_PROPERTIES));
  EXPECT_FALSE(Checked(ID_SHOW_MAP));
  EXPECT_TRUE(m_frame->PropertyWindow()->isMaximized());
  m_frame->Action(ID_SHOW_MAP)->trigger();
  EXPECT_TRUE(Checked(ID_SHOW_MAP));
  EXPECT_FALSE(Checked(ID_SHOW_PROPERTIES));
  EXPECT_TRUE(m_frame->MapWindow()->isMaximized());

  m_frame->Action(ID_TILE_VERTICALLY)->trigger();  // side by side
  const QRect map = m_frame->MapWindow()->geometry(), properties = m_frame->PropertyWindow()->geometry();
  EXPECT_EQ(map.height(), properties.height());
  EXPECT_NE(map.left(), properties.left());
  EXPECT_FALSE(map.intersects(properties));
  m_frame->Action(ID_TILE_HORIZONTALLY)->trigger();  // one above the other
  const QRect map2 = m_frame->MapWindow()->geometry(), properties2 = m_frame->PropertyWindow()->geometry();
  EXPECT_EQ(map2.width(), properties2.width());
  EXPECT_NE(map2.top(), properties2.top());
  EXPECT_FALSE(map2.intersects(properties2));
}

TEST_F(MainFrameTest, AddLayerOfABrokenFileSaysSoAndAddsNothing)
{
  const std::string broken = m_environment.Dir().File("broken.shp");
  zamra_test::WriteAll(broken, std::vector<unsigned char>(100, 0x41));
  EXPECT_EQ(RunWithFile(ID_ADD_LAYER, QString::fromStdString(broken)), QStringLiteral("Open file false"));
  EXPECT_EQ(View()->GetLayerCount(), 0);
}

TEST_F(MainFrameTest, AddLayerThroughTheDialogAddsWithoutSelecting)
{
  EXPECT_EQ(RunWithFile(ID_FILE_OPEN, Sample("world_cities.shp"), false), QString());
  ASSERT_EQ(View()->GetLayerCount(), 1);
  EXPECT_EQ(LayerName(0), QStringLiteral("world_cities.shp"));
  EXPECT_EQ(View()->GetLayerByIndex(0)->GetPointIndex(), 1);
  EXPECT_EQ(RunWithFile(ID_ADD_LAYER, Sample("world_countries.shp"), false), QString());
  EXPECT_EQ(View()->GetLayerCount(), 2);
}

TEST_F(MainFrameTest, DelLayerRemovesTheSelectedLayer)
{
  ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
  Select(1);
  m_frame->Action(ID_DEL_LAYER)->trigger();
  ASSERT_EQ(View()->GetLayerCount(), 2);
  EXPECT_EQ(LayerName(0), QStringLiteral("world_countries.shp"));
  EXPECT_EQ(LayerName(1), QStringLiteral("world_cities.shp"));
}

TEST_F(MainFrameTest, MoveUpAndDownKeepTheSelectionOnTheMovedLayer)
{
  ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
  Select(2);  // world_cities
  m_frame->Action(ID_MOVE_UP)->trigger();
  EXPECT_EQ(View()->GetSelectLayer(), 1);
  EXPECT_EQ(LayerName(1), QStringLiteral("world_cities.shp"));
  m_frame->Action(ID_MOVE_UP)->trigger();
  EXPECT_EQ(View()->GetSelectLayer(), 0);
  EXPECT_EQ(LayerName(0), QStringLiteral("world_cities.shp"));
  EXPECT_FALSE(Enabled(ID_MOVE_UP));
  m_frame->Action(ID_MOVE_UP)->trigger();  // disabled, and issued anyway it does nothing
  EXPECT_EQ(View()->GetSelectLayer(), 0);
  EXPECT_EQ(LayerName(0), QStringLiteral("world_cities.shp"));
  m_frame->Action(ID_MOVE_DOWN)->trigger();
  EXPECT_EQ(View()->GetSelectLayer(), 1);
  EXPECT_EQ(LayerName(1), QStringLiteral("world_cities.shp"));
  EXPECT_EQ(LayerName(0), QStringLiteral("world_countries.shp"));
}

TEST_F(MainFrameTest, FullMapShowsTheWholeWorld)
{
  ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
  m_frame->Action(ID_FULL_MAP)->trigger();
  ProcessPostedMessages();
  int width = 0, height = 0;
  View()->GetView(width, height);
  ASSERT_GT(width, 100);
  ASSERT_GT(height, 100);
  double left = 0, top = 0, right = 0, bottom = 0;
  View()->ViewToGeo(0, 0, left, top);
  View()->ViewToGeo(width, height, right, bottom);
  // The countries span about -180..180 by -90..84 degrees: all of it lies in the map.
  EXPECT_LE(left, -179.0);
  EXPECT_GE(right, 179.0);
  EXPECT_LE(bottom, -55.0);
  EXPECT_GE(top, 83.0);

  unsigned char* bits = nullptr;
  HDC picture = ZMBitmap::CreateMemDc(width, height, &bits);
  ASSERT_NE(picture, nullptr);
  View()->Draw(picture, 0, 0, width, height);
  auto pixel = [&](double lon, double lat) {
    const int x = int((lon - left) / (right - left) * width);
    const int y = int((top - lat) / (top - bottom) * height);
    return GetPixel(picture, x, y);
  };
  const COLORREF sea = pixel(-140, -30);  // the South Pacific
  EXPECT_NE(pixel(-100, 40), sea);        // North America
  EXPECT_NE(pixel(-55, -10), sea);        // Brazil
  EXPECT_NE(pixel(20, 5), sea);           // Central Africa
  EXPECT_NE(pixel(100, 60), sea);         // Siberia
  EXPECT_NE(pixel(135, -25), sea);        // Australia
  EXPECT_EQ(pixel(-30, 30), sea);         // the Atlantic
  DeleteDC(picture);
}

TEST_F(MainFrameTest, FullMapWithoutLayersDoesNothing)
{
  const double scale = View()->GetScale();
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  m_frame->Action(ID_FULL_MAP)->trigger();
  EXPECT_EQ(View()->GetScale(), scale);
  double x2 = 0, y2 = 0;
  View()->GetCenter(x2, y2);
  EXPECT_EQ(x2, x);
  EXPECT_EQ(y2, y);
}

TEST_F(MainFrameTest, SaveAsBmpNamesTheFileAndWritesTheMapWindow)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_countries.shp")}), 1);
  const QSize client = m_frame->ShapeWnd()->size();
  const qint64 expectedSize = qint64(client.width()) * client.height() * 4 + 54;
  const QString folder = QString::fromStdString(m_environment.Dir().Path());

  EXPECT_EQ(RunWithFile(ID_SAVE_BMP, folder + QStringLiteral("/plain")), QStringLiteral("save bmp ok"));
  EXPECT_EQ(QFileInfo(folder + QStringLiteral("/plain.bmp")).size(), expectedSize);
  EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/plain")));

  EXPECT_EQ(RunWithFile(ID_SAVE_BMP, folder + QStringLiteral("/Upper.BMP")), QStringLiteral("save bmp ok"));
  EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Upper.BMP")));
  EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Upper.BMP.bmp")));

  EXPECT_EQ(RunWithFile(ID_SAVE_BMP, folder + QStringLiteral("/picture.png")), QStringLiteral("save bmp ok"));
  EXPECT_EQ(QFileInfo(folder + QStringLiteral("/picture.png.bmp")).size(), expectedSize);

  const QByteArray header = [&] {
    QFile file(folder + QStringLiteral("/plain.bmp"));
    file.open(QIODevice::ReadOnly);
    return file.read(54);
  }();
  ASSERT_EQ(header.size(), 54);
  EXPECT_EQ(header.left(2), QByteArray("BM"));
  EXPECT_EQ(qFromLittleEndian<qint32>(header.constData() + 18), client.width());
  EXPECT_EQ(qFromLittleEndian<qint32>(header.constData() + 22), client.height());
}

TEST_F(MainFrameTest, LayerMessagesChangeTheLayer)
{
  ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
  ILayer* cities = View()->GetLayerByIndex(2);
  Post(WM_LAYER_VISIBLE, 2, 0);
  EXPECT_EQ(cities->GetVisible(), 0);
  Post(WM_LAYER_VISIBLE, 2, 1);
  EXPECT_NE(cities->GetVisible(), 0);
  const int label = cities->GetLabelVisible() ? 0 : 1;
  Post(WM_LAYER_LABEL, 2, label);
  EXPECT_EQ(cities->GetLabelVisible() ? 1 : 0, label);
  Post(WM_LAYER_SELECT, 2, 1);
  EXPECT_EQ(View()->GetSelectLayer(), 2);
  Post(WM_LAYER_SELECT, 2, 0);
  EXPECT_EQ(View()->GetSelectLayer(), -1);
  Post(WM_LAYER_VISIBLE, 7, 0);  // no such layer: nothing happens
  Post(WM_FEATURE_GOTO, 7, 0);

  // Centre on a record: the middle of its box, at the same scale.
  const double scale = View()->GetScale();
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  cities->GetShapeRect(5, &minX, &minY, &maxX, &maxY);
  Post(WM_FEATURE_GOTO, 2, 5);
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_NEAR(x, (minX + maxX) * 0.5, 1e-9);
  EXPECT_NEAR(y, (minY + maxY) * 0.5, 1e-9);
  EXPECT_EQ(View()->GetScale(), scale);

  // A record the point layer does not have leaves the map where it is.
  Post(WM_FEATURE_GOTO, 2, 1000000);
  double x2 = 0, y2 = 0;
  View()->GetCenter(x2, y2);
  EXPECT_EQ(x2, x);
  EXPECT_EQ(y2, y);
}

// One point, or several at one place, has no extent to fit: Full Map centres the map on it and
// asks the view for scale 0, which the view's range refuses, so the scale stays.
TEST_F(MainFrameTest, FullMapOfAnExtentWithoutAreaCentresAndKeepsTheScale)
{
  const zamra_test::TempDir dir;
  ASSERT_TRUE(zamra_test::WriteShapefile(
      dir.File("one_place"), SHPT_POINT,
      {zamra_test::TestShape{{{{-70.25, -33.5}}}}, zamra_test::TestShape{{{{-70.25, -33.5}}}}}));
  ASSERT_EQ(m_frame->AddLayerFiles({QString::fromStdString(dir.File("one_place.shp"))}), 1);
  View()->SetCenter(0, 0);
  View()->SetScale(2000000);
  ProcessPostedMessages();
  QSignalSpy notifications(m_frame.get(), &CMainFrame::viewNotified);
  m_frame->Action(ID_FULL_MAP)->trigger();
  ProcessPostedMessages();
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_EQ(x, -70.25);
  EXPECT_EQ(y, -33.5);
  EXPECT_EQ(View()->GetScale(), 2000000);
  bool scaleAsked = false;
  for (const QList<QVariant>& notification : notifications)
    scaleAsked = scaleAsked || notification.value(0).toULongLong() == NOTIFY_SCALE_CHANGED;
  EXPECT_TRUE(scaleAsked) << "the view was asked for a scale and kept its own";
  EXPECT_EQ(m_frame->ScalePane()->text(), QStringLiteral("1:2000000"));
}

TEST_F(MainFrameTest, FullMapOfAMinimisedMapChangesNothing)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_cities.shp")}), 1);
  m_frame->MapWindow()->showMinimized();
  ProcessPostedMessages();
  const double scale = View()->GetScale();
  m_frame->Action(ID_FULL_MAP)->trigger();
  EXPECT_EQ(View()->GetScale(), scale);
  EXPECT_TRUE(std::isfinite(View()->GetScale()));
}

TEST_F(MainFrameTest, DroppedShapefilesAreAdded)
{
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Sample("world_cities.shp")), QUrl::fromLocalFile(Sample("README.md"))});
  const QPoint at(50, 50);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_frame->ShapeWnd(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_frame->ShapeWnd(), &drop);
  ASSERT_EQ(View()->GetLayerCount(), 1);  // the .md file is not a shapefile
  EXPECT_EQ(LayerName(0), QStringLiteral("world_cities.shp"));

  QMimeData text;
  text.setUrls({QUrl::fromLocalFile(Sample("README.md"))});
  QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  refused.setAccepted(false);
  QApplication::sendEvent(m_frame->ShapeWnd(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainFrameTest, ViewNotificationsReachTheFrameUnchangedAndInOrder)
{
  std::vector<std::pair<WPARAM, LPARAM>> received;
  QObject::connect(m_frame.get(), &CMainFrame::viewNotified,
                   [&received](WPARAM code, LPARAM data) { received.emplace_back(code, data); });
  const std::vector<std::pair<WPARAM, LPARAM>> sent = {{NOTIFY_CLICK, (LPARAM(300) << 16) | 65535},
                                                       {NOTIFY_RIGHT_CLICK, (LPARAM(65535) << 16) | 0},
                                                       {NOTIFY_SCALE_CHANGED, 0},
                                                       {NOTIFY_POI_CLICKED, 77},
                                                       {99, -5},
                                                       {NOTIFY_CENTER_CHANGED, 0}};
  for (const auto& [code, data] : sent)
    PostMessage(m_frame->ShapeWnd(), ZM_VIEW_NOTIFY, code, data);
  ProcessPostedMessages();
  EXPECT_EQ(received, sent);
  EXPECT_EQ(m_frame->StatusPane(1)->text(), QString());  // a centre change without layers shows nothing

  // The view's own notifications take the same way: a centre change shows the centre.
  received.clear();
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_cities.shp")}), 1);
  ProcessPostedMessages();
  received.clear();
  View()->SetCenter(139.69, 35.69);
  ProcessPostedMessages();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), (std::pair<WPARAM, LPARAM>(NOTIFY_CENTER_CHANGED, 0)));
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_EQ(m_frame->StatusPane(1)->text(), QString::asprintf("%.4f,%.4f", x, y));
}

TEST_F(MainFrameTest, MapWindowCannotBeClosedAndFollowsItsSize)
{
  m_frame->MapWindow()->close();
  ProcessPostedMessages();
  EXPECT_TRUE(m_frame->MapWindow()->isVisible());
  int width = 0, height = 0;
  View()->GetView(width, height);
  EXPECT_EQ(QSize(width, height), m_frame->ShapeWnd()->size());

  m_frame->MapWindow()->showMinimized();
  ProcessPostedMessages();
  View()->GetView(width, height);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  m_frame->MapWindow()->showMaximized();
  ProcessPostedMessages();
  View()->GetView(width, height);
  EXPECT_EQ(QSize(width, height), m_frame->ShapeWnd()->size());
  EXPECT_GT(width, 0);

  m_frame->PropertyWindow()->close();  // the properties window hides instead
  EXPECT_FALSE(m_frame->PropertyWindow()->isVisible());
  m_frame->Action(ID_SHOW_PROPERTIES)->trigger();
  EXPECT_TRUE(m_frame->PropertyWindow()->isVisible());
}

TEST_F(MainFrameTest, CloseWritesTheWorkspace)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_borders.shp")}), 1);
  EXPECT_FALSE(std::filesystem::exists(m_environment.WorkspaceFile()));
  m_frame->Action(ID_APP_EXIT)->trigger();
  EXPECT_FALSE(m_frame->isVisible());
  EXPECT_TRUE(std::filesystem::exists(m_environment.WorkspaceFile()));
}

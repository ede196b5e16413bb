// Shapefiles other readers open, through the real frame: the .shx or .dbf of a trio dropped on
// the map or named on the command line adds the shapefile (and Recent Layers lists its .shp),
// and a layer whose numbers are metres without a .prj is shown whole by Full Map with the
// pointer in its own units.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <gtest/gtest.h>

#include "recent_layers.h"
#include "shape_wnd.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;
using zamra_test::Square;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

class PeerShapefilesFrame : public zamra_test::FrameTest {
protected:
  QString Base(const char* name) const { return QString::fromStdString(m_environment.Dir().File(name)); }
  QString LayerName(int index) const
  {
    char name[260] = {};
    View()->GetLayerByIndex(index)->GetName(name);
    return QString::fromUtf8(name);
  }
  // Answers a message box, should one come, and keeps its text.
  void CatchMessage()
  {
    zamra_test::AnswerModal<QMessageBox>([this](QMessageBox* box) {
      m_message = box->text();
      box->button(QMessageBox::Ok)->click();
    });
  }
  QString m_message;
};

}  // namespace

TEST_F(PeerShapefilesFrame, TheShxOrDbfOfATrioAddsItsShapefile)
{
  ASSERT_TRUE(WriteShapefile(Base("land").toStdString(), SHPT_POLYGON, {TestShape{{Square(100, 20, 4)}}}));
  ASSERT_TRUE(WriteShapefile(Base("sea").toStdString(), SHPT_POLYGON, {TestShape{{Square(110, 20, 4)}}}));
  CatchMessage();

  // Dropped: the three files of one shapefile are one layer.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Base("land.shx")), QUrl::fromLocalFile(Base("land.dbf")),
                QUrl::fromLocalFile(Base("land.shp"))});
  const QPoint at(50, 50);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_frame->ShapeWnd(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_frame->ShapeWnd(), &drop);
  ProcessPostedMessages();
  ASSERT_EQ(View()->GetLayerCount(), 1);
  EXPECT_EQ(LayerName(0), QStringLiteral("land.shp"));
  EXPECT_EQ(View()->GetLayerByIndex(0)->GetType(), 5);
  EXPECT_EQ(RecentLayers().value(0), Base("land.shp"));

  // Named on the command line (the same entry as the Recent Layers menu).
  EXPECT_EQ(m_frame->AddLayerFiles({Base("sea.dbf")}), 1);
  ProcessPostedMessages();
  ASSERT_EQ(View()->GetLayerCount(), 2);
  EXPECT_EQ(LayerName(1), QStringLiteral("sea.shp"));
  EXPECT_EQ(RecentLayers().value(0), Base("sea.shp"));
  EXPECT_EQ(m_frame->AddLayerFiles({Base("sea.shx")}), 0) << "shown already";
  EXPECT_EQ(View()->GetLayerCount(), 2);
  EXPECT_TRUE(m_message.isEmpty()) << m_message.toStdString();
}

TEST_F(PeerShapefilesFrame, FullMapShowsALayerInMetresWholeAndThePointerInItsUnits)
{
  // 400 km by 1000 km of UTM-like metres, no .prj.
  ASSERT_TRUE(
      WriteShapefile(Base("utm").toStdString(), SHPT_POLYGON,
                     {TestShape{{Square(300000, 4000000, 400000)}}, TestShape{{Square(500000, 4900000, 100000)}}}));
  ASSERT_EQ(m_frame->AddLayerFiles({Base("utm.shp")}), 1);  // on an empty map: Full Map
  ProcessPostedMessages();
  IZamraViewExtras* extras = IZamraViewExtras::Of(View());
  ASSERT_NE(extras, nullptr);
  int width = 0, height = 0;
  View()->GetView(width, height);
  ASSERT_GT(width, 100);
  ASSERT_GT(height, 100);
  for (const auto& [x, y] : {std::pair{300000.0, 4000000.0}, std::pair{700000.0, 5000000.0}}) {
    int px = -1, py = -1;
    extras->GeoToView(x, y, px, py);
    EXPECT_GE(px, 0);
    EXPECT_LE(px, width);
    EXPECT_GE(py, 0);
    EXPECT_LE(py, height);
  }
  // Filled where the layer is: the middle of the map shows the polygon's fill.
  const QImage picture = m_frame->ShapeWnd()->ViewWindow()->grab().toImage();
  int px = -1, py = -1;
  extras->GeoToView(400000, 4300000, px, py);
  EXPECT_EQ(picture.pixelColor(px, py).rgb(), QColor(255, 255, 200).rgb());

  QWidget* window = m_frame->ShapeWnd()->ViewWindow();
  const QPoint point(width / 2, height / 2);
  QMouseEvent move(QEvent::MouseMove, point, window->mapToGlobal(point), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(window, &move);
  double gx = 0, gy = 0;
  View()->ViewToGeo(point.x(), point.y(), gx, gy);
  EXPECT_EQ(m_frame->PointerPane()->text(), QString::asprintf("x %.2f  y %.2f", gx, gy));
}

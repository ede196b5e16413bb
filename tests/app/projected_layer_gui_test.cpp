// A layer in UTM metres in the program: Full Map, a right click, a double-clicked row and Goto
// all work in longitude/latitude, beside the bundled world layer.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "data_wnd.h"
#include "goto_dialog.h"
#include "info_dialog.h"
#include "layer_table_model.h"
#include "resource_ids.h"
#include "shape_wnd.h"
#include "support/projected_samples.h"
#include "support/temp_dir.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::AnswerModal;
using zamra_test::GroundMetres;
using zamra_test::ProcessPostedMessages;

namespace {

class FrameWithProjectedLayer : public zamra_test::FrameTest {
protected:
  void SetUp() override
  {
    FrameTest::SetUp();
    const std::string error = zamra_test::WriteProjectedSamples(m_files);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_EQ(m_frame->AddLayerFiles({zamra_test::Sample("world_countries.shp"),
                                      QString::fromStdString(m_files.File("utm33_polygons.shp"))}),
              2);
    Select(1);
  }
  QWidget* ViewWindow() const
  {
    for (QWidget* child : m_frame->ShapeWnd()->findChildren<QWidget*>())
      if (child->property("zamraWindowId").toUInt() == ID_VIEW_WINDOW)
        return child;
    return nullptr;
  }
  void Centre(double& x, double& y) const { View()->GetCenter(x, y); }

  zamra_test::TempDir m_files;
};

}  // namespace

TEST_F(FrameWithProjectedLayer, FullMapShowsTheWorldWithTheLayerInside)
{
  m_frame->Action(ID_FULL_MAP)->trigger();
  ProcessPostedMessages();
  double left, bottom, right, top;
  View()->GetLayerByIndex(0)->GetRect(&left, &bottom, &right, &top);
  double x = 0, y = 0;
  Centre(x, y);
  EXPECT_DOUBLE_EQ(x, (left + right) * 0.5) << "the world's extent, not one blown up by metres";
  EXPECT_DOUBLE_EQ(y, (bottom + top) * 0.5);
  double projectedLeft, projectedBottom, projectedRight, projectedTop;
  View()->GetLayerByIndex(1)->GetRect(&projectedLeft, &projectedBottom, &projectedRight, &projectedTop);
  EXPECT_GT(projectedLeft, left);
  EXPECT_LT(projectedRight, right);
  EXPECT_GT(projectedBottom, bottom);
  EXPECT_LT(projectedTop, top);
}

TEST_F(FrameWithProjectedLayer, RightClickIdentifiesAndARowCentresTheMap)
{
  View()->SetScale(400000);
  View()->SetCenter(14.42, 50.08);
  View()->Refresh();
  ProcessPostedMessages();
  QWidget* window = ViewWindow();
  ASSERT_NE(window, nullptr);
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, QPoint(window->width() / 2, window->height() / 2));
  ProcessPostedMessages();
  ASSERT_NE(m_frame->InfoDialog(), nullptr);
  QTableWidget* list = m_frame->InfoDialog()->List();
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->item(0, 1)->text(), "Prague");

  // The Vienna row of the table moves the map onto Vienna.
  m_frame->Action(ID_SHOW_PROPERTIES)->trigger();
  Select(1);
  CDataWnd* properties = m_frame->DataWnd();
  QTableView* table = properties->Table();
  const QPoint at = table->visualRect(properties->Model()->index(1, 0)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  ProcessPostedMessages();
  double x = 0, y = 0;
  Centre(x, y);
  EXPECT_LT(GroundMetres(x, y, 16.37, 48.21), 1.0) << x << ", " << y;
}

TEST_F(FrameWithProjectedLayer, GotoPutsTheTypedPlaceInTheMiddle)
{
  AnswerModal<CGotoDialog>([](CGotoDialog* dialog) {
    dialog->findChild<QLineEdit*>("1019")->setText("13.40");
    dialog->findChild<QLineEdit*>("1020")->setText("52.52");
    dialog->accept();
  });
  m_frame->Action(ID_GOTO)->trigger();
  double x = 0, y = 0;
  Centre(x, y);
  EXPECT_DOUBLE_EQ(x, 13.40);
  EXPECT_DOUBLE_EQ(y, 52.52);
  EXPECT_EQ(View()->GetLayerByIndex(1)->HitTest(x, y), 0) << "Berlin's square is there";
}

// CLayerBar: what a click does at each boundary pixel of a row, and what the bar paints.
#include "layer_bar.h"

#include <QImage>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "main_frame.h"
#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;

namespace {

class LayerBarTest : public zamra_test::FrameTest {
protected:
  LayerBarTest() : FrameTest(QSize(1000, 700)) {}

  // The three samples, none selected.
  void AddSamples()
  {
    ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
    m_frame->View()->SetSelectLayer(-1);
  }

  void Click(int x, int y, Qt::MouseButton button = Qt::LeftButton)
  {
    QTest::mouseClick(m_frame->LayerBar(), button, Qt::NoModifier, QPoint(x, y));
    ProcessPostedMessages();
  }
  // Visibility, label flag and selection of every layer, to see what a click changed.
  std::vector<int> State() const
  {
    std::vector<int> state;
    IZamraView* view = m_frame->View();
    for (int i = 0; i < view->GetLayerCount(); ++i) {
      state.push_back(view->GetLayerByIndex(i)->GetVisible() ? 1 : 0);
      state.push_back(view->GetLayerByIndex(i)->GetLabelVisible() ? 1 : 0);
    }
    state.push_back(view->GetSelectLayer());
    return state;
  }
  int Selected() const { return m_frame->View()->GetSelectLayer(); }
  ILayer* Layer(int index) const { return m_frame->View()->GetLayerByIndex(index); }
};

}  // namespace

TEST_F(LayerBarTest, WithoutLayersOnlyTheHeaderIsDrawnAndClicksAreIgnored)
{
  const std::vector<int> before = State();
  for (const QPoint& at : {QPoint(10, 10), QPoint(10, 20), QPoint(100, 35), QPoint(15, 25)})
    Click(at.x(), at.y());
  EXPECT_EQ(State(), before);
  const QImage picture = m_frame->LayerBar()->grab().toImage();
  EXPECT_EQ(picture.pixelColor(100, 10), m_frame->LayerBar()->palette().color(QPalette::Button));
  EXPECT_EQ(picture.pixelColor(100, 30), QColor(Qt::white));
}

TEST_F(LayerBarTest, VisibilityBoxSpansSixToTwentyFour)
{
  AddSamples();
  Click(6, 25);
  EXPECT_EQ(Layer(0)->GetVisible(), 0);
  Click(24, 49);
  EXPECT_NE(Layer(0)->GetVisible(), 0);
  Click(15, 50);  // y 50 is row 1
  EXPECT_EQ(Layer(1)->GetVisible(), 0);
  EXPECT_NE(Layer(0)->GetVisible(), 0);
  EXPECT_EQ(Selected(), -1);
}

TEST_F(LayerBarTest, LabelBoxSpansTwentySixToFortyFour)
{
  AddSamples();
  const int label = Layer(2)->GetLabelVisible() ? 1 : 0;
  Click(26, 85);
  EXPECT_EQ(Layer(2)->GetLabelVisible() ? 1 : 0, 1 - label);
  Click(44, 109);  // the last pixel row of the last layer
  EXPECT_EQ(Layer(2)->GetLabelVisible() ? 1 : 0, label);
  EXPECT_EQ(Selected(), -1);
}

TEST_F(LayerBarTest, TypeBoxDoesNothingAndEveryOtherXSelects)
{
  AddSamples();
  const std::vector<int> before = State();
  Click(46, 30);
  Click(64, 30);
  EXPECT_EQ(State(), before);
  Click(25, 30);  // between the boxes: selects
  EXPECT_EQ(Selected(), 0);
  Click(45, 60);
  EXPECT_EQ(Selected(), 1);
  Click(5, 90);
  EXPECT_EQ(Selected(), 2);
  Click(65, 30);
  EXPECT_EQ(Selected(), 0);
  Click(150, 30);  // the selected row again clears the selection
  EXPECT_EQ(Selected(), -1);
  EXPECT_NE(Layer(0)->GetVisible(), 0);
  EXPECT_NE(Layer(1)->GetVisible(), 0);
}

TEST_F(LayerBarTest, ClicksAboveTheRowsOrPastTheLastAreIgnored)
{
  AddSamples();
  const std::vector<int> before = State();
  Click(15, 19);  // the header
  Click(150, 0);
  Click(15, 110);  // one pixel past the last row
  Click(150, 140);
  EXPECT_EQ(State(), before);
}

TEST_F(LayerBarTest, PaintsTheRowsWithTheSelectionHighlighted)
{
  AddSamples();
  Click(150, 60);
  ASSERT_EQ(Selected(), 1);
  const QImage picture = m_frame->LayerBar()->grab().toImage();
  EXPECT_EQ(picture.pixelColor(190, 52), QColor(200, 255, 200));  // row 1's name area, right end
  EXPECT_EQ(picture.pixelColor(190, 22), QColor(Qt::white));      // row 0 is not selected
  EXPECT_EQ(picture.pixelColor(45, 25), QColor(Qt::black));       // type box outline of row 0
  // The type images differ by layer type (countries are polygons, cities points).
  EXPECT_NE(picture.copy(46, 26, 18, 18), picture.copy(46, 86, 18, 18));
}

TEST_F(LayerBarTest, RightClickOpensTheLayerMenuWithoutSelecting)
{
  AddSamples();
  QMenu* layerMenu = m_frame->MenuBarMenus().value(1);
  ASSERT_NE(layerMenu, nullptr);
  Click(150, 30, Qt::RightButton);
  EXPECT_TRUE(layerMenu->isVisible());
  EXPECT_EQ(Selected(), -1);
  layerMenu->close();
}

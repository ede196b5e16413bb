// CLayerBar: what a click does at each boundary pixel of a row, and what the bar paints.
// SPDX-License-Identifier: MIT
#include "layer_bar.h"

#include <QImage>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "main_frame.h"
#include "program_bitmaps.h"
#include "resizable_bar.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
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

// The type images are drawn on transparency: their antialiased edges blend into the white
// box, never into the blue that marks transparent pixels in the bitmap strip.
TEST_F(LayerBarTest, TypeImagesHaveNoColouredFringe)
{
  AddSamples();
  const QImage picture = m_frame->LayerBar()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int row = 0; row < 3; ++row) {
    const int top = CLayerBar::kHeaderHeight + CLayerBar::kRowHeight * row;
    int drawn = 0;
    for (int y = top + 6; y < top + 24; ++y)
      for (int x = 46; x < 64; ++x) {
        const QColor colour = picture.pixelColor(x, y);
        EXPECT_FALSE(colour.blue() > colour.red() + 40 && colour.blue() > colour.green() + 40)
            << "row " << row << " (" << x << ", " << y << ") " << colour.name().toStdString();
        drawn += colour != QColor(Qt::white) ? 1 : 0;
      }
    EXPECT_GT(drawn, 10) << "row " << row << " shows its type image";
  }
}

// Thirty layers do not fit the bar: it scrolls, and every row can be brought into view and
// clicked.
TEST_F(LayerBarTest, ManyLayersScrollAndEveryRowCanBeReached)
{
  const zamra_test::TempDir dir;
  QStringList files;
  for (int i = 0; i < 30; ++i) {
    const std::string name = dir.File(QStringLiteral("layer_%1").arg(i, 2, 10, QLatin1Char('0')).toStdString());
    ASSERT_TRUE(zamra_test::WriteShapefile(name, SHPT_POINT, {zamra_test::TestShape{{{{double(i), 10.0}}}}}));
    files << QString::fromStdString(name + ".shp");
  }
  ASSERT_EQ(m_frame->AddLayerFiles(files), 30);
  m_frame->View()->SetSelectLayer(-1);
  ProcessPostedMessages();
  auto* scroller = m_frame->LayerDock()->findChild<QScrollArea*>();
  ASSERT_NE(scroller, nullptr);
  QWidget* viewport = scroller->viewport();
  ASSERT_LT(viewport->height(), CLayerBar::kHeaderHeight + 30 * CLayerBar::kRowHeight) << "the rows do not fit";
  EXPECT_GT(scroller->verticalScrollBar()->maximum(), 0);
  for (int i = 29; i >= 0; --i) {
    const int middle = CLayerBar::kHeaderHeight + CLayerBar::kRowHeight * i + CLayerBar::kRowHeight / 2;
    scroller->ensureVisible(150, middle, 0, CLayerBar::kRowHeight / 2);
    ProcessPostedMessages();
    const QPoint shown = m_frame->LayerBar()->mapTo(viewport, QPoint(150, middle));
    ASSERT_TRUE(viewport->rect().contains(shown)) << "row " << i << " cannot be brought into view";
    Click(150, middle);
    EXPECT_EQ(Selected(), i);
    const QImage picture = viewport->grab().toImage();
    EXPECT_EQ(picture.pixelColor(shown.x(), shown.y() - 10), QColor(200, 255, 200)) << "row " << i << " is painted";
  }
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

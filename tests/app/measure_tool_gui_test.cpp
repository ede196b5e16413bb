// The measure tool through the real frame: clicks on the map add points, a double click ends,
// a click on the first point closes a shape, Escape cancels; the path shows in the window but not
// in pictures made with Draw; the panel and the status bar give geodesic lengths and areas in
// units that fit, checked against published values and against the size of a small cell.
// SPDX-License-Identifier: MIT
#include "measure_tool.h"

#include <QDockWidget>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>

#include <cmath>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "main_frame.h"
#include "measure_panel.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "platform/gdi.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::AllSamples;
using zamra_test::ProcessPostedMessages;

namespace {

constexpr double kJfkToLhr = 5551759.400319;  // metres, (40.6 N, 73.8 W) to (51.6 N, 0.5 W)
// Ground metres of a degree near the equator on WGS 84: along it (a * pi / 180) and along a
// meridian (a * (1 - e^2) * pi / 180), which make a small cell there a rectangle to 0.1%.
constexpr double kMetresPerDegreeOfLongitude = 111319.4908;
constexpr double kMetresPerDegreeOfLatitude = 110574.2727;
const QRgb kSketch = qRgb(255, 112, 0);

class MeasureTool : public zamra_test::FrameTest {
protected:
  void SetUp() override
  {
    FrameTest::SetUp();
    ASSERT_EQ(m_frame->AddLayerFiles(AllSamples()), 3);
    ProcessPostedMessages();
    m_tool = m_frame->MeasureTool();
    ASSERT_NE(m_tool, nullptr);
  }
  QWidget* ViewWindow() const { return m_frame->ShapeWnd()->ViewWindow(); }
  IZamraViewExtras* Extras() const { return IZamraViewExtras::Of(View()); }
  QPoint Pixel(double x, double y) const
  {
    int px = 0, py = 0;
    Extras()->GeoToView(x, y, px, py);
    return QPoint(px, py);
  }
  QPointF Geo(const QPoint& at) const
  {
    double x = 0, y = 0;
    View()->ViewToGeo(at.x(), at.y(), x, y);
    return QPointF(x, y);
  }
  void Click(const QPoint& at)
  {
    QTest::mouseClick(ViewWindow(), Qt::LeftButton, Qt::NoModifier, at);
    ProcessPostedMessages();
  }
  void DoubleClick(const QPoint& at)
  {
    // As a person's double click arrives: a click, then the second press as a double click.
    QTest::mouseClick(ViewWindow(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(ViewWindow(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(ViewWindow(), Qt::LeftButton, Qt::NoModifier, at);
    ProcessPostedMessages();
  }
  QImage MapPicture() const { return m_frame->ShapeWnd()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  static int Count(const QImage& picture, QRgb colour)
  {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        count += picture.pixel(x, y) == colour ? 1 : 0;
    return count;
  }
  // The number in a text such as "5551.759 km", in the text's unit.
  static double NumberIn(const QString& text)
  {
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("[0-9]+\\.[0-9]+")).match(text);
    return match.hasMatch() ? match.captured(0).toDouble() : std::nan("");
  }

  CMeasureTool* m_tool = nullptr;
};

}  // namespace

TEST(MeasureText, LengthsAndAreasInTheUnitThatFits)
{
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
  EXPECT_EQ(CMeasureTool::LengthText(0.0, true), "0.0 m");
  EXPECT_EQ(CMeasureTool::LengthText(999.94, true), "999.9 m");
  EXPECT_EQ(CMeasureTool::LengthText(1000.0, true), "1.000 km");
  EXPECT_EQ(CMeasureTool::LengthText(kJfkToLhr, true), "5551.759 km");
  EXPECT_EQ(CMeasureTool::AreaText(9999.0, true), QString::fromUtf8("9999.0 m²"));
  EXPECT_EQ(CMeasureTool::AreaText(25000.0, true), "2.50 ha");
  EXPECT_EQ(CMeasureTool::AreaText(3.2e6, true), QString::fromUtf8("3.200 km²"));
  EXPECT_EQ(CMeasureTool::LengthText(12.0, false), "12.000 map units");
  ASSERT_TRUE(CResourceTable::SelectLanguage(kChinese));
  EXPECT_EQ(CMeasureTool::LengthText(1500.0, true), QString::fromUtf8("1.500 公里"));
  EXPECT_EQ(CMeasureTool::AreaText(25000.0, true), QString::fromUtf8("2.50 公顷"));
  ASSERT_TRUE(CResourceTable::SelectLanguage(kJapanese));
  EXPECT_EQ(CMeasureTool::AreaText(3.2e6, true), QString::fromUtf8("3.200 km²"));
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}

TEST(MeasureResult, PlainGeometryForNumbersThatAreNotDegrees)
{
  // A 3 x 4 right triangle in the layers' own units.
  const std::vector<QPointF> triangle = {{0, 0}, {3, 0}, {3, 4}};
  MeasureResult open = CMeasureTool::Measure(triangle, false, false);
  ASSERT_TRUE(open.valid);
  EXPECT_DOUBLE_EQ(open.segment, 4.0);
  EXPECT_DOUBLE_EQ(open.total, 7.0);
  EXPECT_FALSE(open.closed);
  MeasureResult closed = CMeasureTool::Measure(triangle, true, false);
  EXPECT_DOUBLE_EQ(closed.total, 12.0);
  EXPECT_DOUBLE_EQ(closed.area, 6.0);
  // One point measures nothing; two cannot close.
  EXPECT_FALSE(CMeasureTool::Measure({{1, 1}}, false, true).valid);
  EXPECT_FALSE(CMeasureTool::Measure({{0, 0}, {1, 1}}, true, true).closed);
  // Latitudes beyond a pole are no place on the ellipsoid.
  EXPECT_FALSE(CMeasureTool::Measure({{0, 0}, {0, 95}}, false, true).valid);
}

TEST_F(MeasureTool, ClicksMeasureTheGeodesicPathAndEscapeCancelsIt)
{
  QAction* command = m_frame->Action(ID_MEASURE);
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(m_frame->ToolBar()->actions().contains(command));
  command->trigger();
  ProcessPostedMessages();
  ASSERT_TRUE(m_tool->IsActive());
  EXPECT_TRUE(m_tool->Dock()->isVisible());
  EXPECT_EQ(m_tool->StatusLabel(), m_frame->StatusPane(0));
  EXPECT_EQ(m_tool->StatusLabel()->text(), "Measure: click on the map to start.");

  m_frame->ZoomToExtent(-80.0, 35.0, 5.0, 57.0);
  ProcessPostedMessages();
  const QPoint jfk = Pixel(-73.8, 40.6), lhr = Pixel(-0.5, 51.6);
  double centreX = 0, centreY = 0;
  View()->GetCenter(centreX, centreY);
  Click(jfk);
  QTest::mouseMove(ViewWindow(), lhr);
  ProcessPostedMessages();
  EXPECT_EQ(Extras()->GetSketchPointCount(), 2) << "the path runs up to the pointer";
  DoubleClick(lhr);
  ASSERT_TRUE(m_tool->IsFinished());
  ASSERT_EQ(m_tool->Points().size(), 2u);
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_EQ(x, centreX) << "clicks do not pan";
  EXPECT_EQ(y, centreY);

  // The clicks land within a pixel of the airports: a pixel's ground length either way.
  const double tolerance = 3 * Extras()->GetGroundLengthPerPixel();
  CMeasurePanel* panel = m_tool->Panel();
  EXPECT_TRUE(panel->TotalLabel()->text().endsWith(" km"));
  EXPECT_NEAR(NumberIn(panel->TotalLabel()->text()) * 1000, kJfkToLhr, tolerance);
  EXPECT_NEAR(NumberIn(panel->SegmentLabel()->text()) * 1000, kJfkToLhr, tolerance);
  EXPECT_EQ(panel->AreaLabel()->text(), QStringLiteral("\u2013")) << "an open path has no area";
  EXPECT_TRUE(m_tool->StatusLabel()->text().startsWith("Segment ")) << m_tool->StatusLabel()->text().toStdString();
  EXPECT_TRUE(m_tool->StatusLabel()->text().contains(panel->TotalLabel()->text()));

  // The path is drawn over the map in the window, never in the pictures made for files.
  EXPECT_GT(Count(MapPicture(), kSketch), 100);
  int width = 0, height = 0;
  View()->GetView(width, height);
  HDC picture = ZMBitmap::CreateMemDc(width, height);
  View()->Draw(picture, 0, 0, width, height);
  int sketched = 0;
  for (int py = 0; py < height; ++py)
    for (int px = 0; px < width; ++px)
      sketched += GetPixel(picture, px, py) == RGB(255, 112, 0) ? 1 : 0;
  DeleteDC(picture);
  EXPECT_EQ(sketched, 0);

  // A click after the end starts a new path.
  Click(jfk);
  EXPECT_FALSE(m_tool->IsFinished());
  EXPECT_EQ(m_tool->Points().size(), 1u);

  // Escape cancels the path; a second one turns the tool off.
  ViewWindow()->setFocus();
  QTest::keyClick(ViewWindow(), Qt::Key_Escape);
  EXPECT_TRUE(m_tool->Points().empty());
  EXPECT_EQ(Extras()->GetSketchPointCount(), 0);
  EXPECT_EQ(Count(MapPicture(), kSketch), 0);
  EXPECT_EQ(panel->TotalLabel()->text(), QStringLiteral("\u2013"));
  EXPECT_TRUE(m_tool->IsActive());
  QTest::keyClick(ViewWindow(), Qt::Key_Escape);
  EXPECT_FALSE(m_tool->IsActive());
  EXPECT_FALSE(command->isChecked());
  EXPECT_FALSE(m_tool->Dock()->isVisible());
  EXPECT_EQ(m_frame->StatusPane(0)->text(), "Ready");

  // Off, a click is the map's again: no point is added.
  Click(lhr);
  EXPECT_TRUE(m_tool->Points().empty());
}

TEST_F(MeasureTool, ClickingTheFirstPointClosesAShapeAndGivesItsArea)
{
  m_frame->ZoomToExtent(-0.5, -0.5, 1.5, 1.5);
  ProcessPostedMessages();
  m_frame->Action(ID_MEASURE)->trigger();
  const QPoint corners[] = {Pixel(0, 0), Pixel(1, 0), Pixel(1, 1), Pixel(0, 1)};
  for (const QPoint& corner : corners)
    Click(corner);

  // A drag in between still pans the map and adds nothing.
  double centreX = 0, centreY = 0;
  View()->GetCenter(centreX, centreY);
  const QPoint from = corners[2] + QPoint(30, 30);
  QTest::mousePress(ViewWindow(), Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(ViewWindow(), from + QPoint(40, 0));
  QTest::mouseRelease(ViewWindow(), Qt::LeftButton, Qt::NoModifier, from + QPoint(40, 0));
  ProcessPostedMessages();
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_NE(x, centreX);
  ASSERT_EQ(m_tool->Points().size(), 4u);

  // The first point where it is now on the window closes the shape.
  const QPointF first = m_tool->Points().front();
  Click(Pixel(first.x(), first.y()) + QPoint(2, -1));
  ASSERT_TRUE(m_tool->IsFinished());
  EXPECT_EQ(m_tool->Points().size(), 4u);
  EXPECT_TRUE(m_tool->Result().closed);

  // The shoelace area of the points clicked, in degrees, times a degree's metres each way.
  double twiceArea = 0;
  const std::vector<QPointF>& points = m_tool->Points();
  for (size_t i = 0; i < points.size(); ++i) {
    const QPointF& a = points[i];
    const QPointF& b = points[(i + 1) % points.size()];
    twiceArea += a.x() * b.y() - b.x() * a.y();
  }
  const double expected = std::fabs(twiceArea) / 2 * kMetresPerDegreeOfLongitude * kMetresPerDegreeOfLatitude;
  CMeasurePanel* panel = m_tool->Panel();
  ASSERT_TRUE(panel->AreaLabel()->text().endsWith(QString::fromUtf8(" km²")))
      << panel->AreaLabel()->text().toStdString();
  EXPECT_NEAR(NumberIn(panel->AreaLabel()->text()) * 1e6, expected, expected * 2e-3);
  EXPECT_NEAR(NumberIn(panel->TotalLabel()->text()), 4 * 111.0, 4.0) << "the way back to the first point counts";
  EXPECT_TRUE(m_tool->StatusLabel()->text().contains(panel->AreaLabel()->text()));
  EXPECT_EQ(Extras()->GetSketchPointCount(), 4);

  // Clear forgets it.
  panel->ClearButton()->click();
  EXPECT_TRUE(m_tool->Points().empty());
  EXPECT_EQ(panel->AreaLabel()->text(), QStringLiteral("\u2013"));
}

TEST_F(MeasureTool, APointBeyondAPoleMeasuresNothingAndSaysWhy)
{
  m_frame->ZoomToExtent(-180.0, -90.0, 180.0, 90.0);
  ProcessPostedMessages();
  m_frame->Action(ID_MEASURE)->trigger();
  const QPoint pole = Pixel(0, 90);
  ASSERT_GT(pole.y(), 10) << "the window shows more than the earth";
  Click(Pixel(0, 0));
  Click(QPoint(pole.x(), pole.y() - 10));
  EXPECT_EQ(m_tool->Points().size(), 2u);
  EXPECT_FALSE(m_tool->Result().valid);
  EXPECT_EQ(m_tool->Panel()->TotalLabel()->text(), QStringLiteral("\u2013"));
  EXPECT_EQ(m_tool->StatusLabel()->text(), "A point lies beyond a pole: the path cannot be measured.");
}

TEST(MeasureToolLanguages, ThePanelAndCommandSpeakEachLanguage)
{
  struct Expected {
    int language;
    const char* command;
    const char* clear;
  };
  const Expected cases[] = {
      {kEnglish, "Measure(&R)", "Clear"}, {kJapanese, "計測(&R)", "クリア"}, {kChinese, "测量(&R)", "清除"}};
  for (const Expected& expected : cases) {
    zamra_test::AppEnvironment environment;
    ASSERT_TRUE(CResourceTable::SelectLanguage(expected.language));
    CMainFrame frame;
    ASSERT_TRUE(frame.IsComplete());
    EXPECT_EQ(frame.Action(ID_MEASURE)->text(), QString::fromUtf8(expected.command));
    EXPECT_EQ(frame.MeasureTool()->Panel()->ClearButton()->text(), QString::fromUtf8(expected.clear));
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}

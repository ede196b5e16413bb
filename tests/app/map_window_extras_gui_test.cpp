// The map window's additions, through the real frame: the pointer's longitude/latitude and the
// scale in the status bar, the scale bar over the lower left corner, Zoom to Layer and Zoom to
// Feature, the outline of an identified feature, and copying from the Info dialog.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <clocale>
#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "info_dialog.h"
#include "layer_bar.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "scale_bar.h"
#include "shape_wnd.h"
#include "platform/gdi.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::AllSamples;
using zamra_test::ProcessPostedMessages;

namespace {

constexpr int kJapanRecord = 155;                 // in the bundled countries layer
constexpr double kMetersPerDegreeX = 96284.7044;  // the view's ground length of a degree of longitude
const QRgb kHighlight = qRgb(255, 0, 255);

class MapWindowExtras : public zamra_test::FrameTest {
protected:
  void SetUp() override
  {
    FrameTest::SetUp();
    ASSERT_EQ(m_frame->AddLayerFiles(AllSamples()), 3);
    ProcessPostedMessages();
  }
  QWidget* ViewWindow() const { return m_frame->ShapeWnd()->ViewWindow(); }
  IZamraViewExtras* Extras() const { return IZamraViewExtras::Of(View()); }
  QImage MapPicture() const { return m_frame->ShapeWnd()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  static int Count(const QImage& picture, QRgb colour)
  {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        count += picture.pixel(x, y) == colour ? 1 : 0;
    return count;
  }
  // Ground metres per pixel measured with ViewToGeo alone.
  double MetersPerPixel() const
  {
    double x0 = 0, x1 = 0, y = 0;
    View()->ViewToGeo(0, 0, x0, y);
    View()->ViewToGeo(1000, 0, x1, y);
    return (x1 - x0) * kMetersPerDegreeX / 1000;
  }
  static QString ScreenshotFolder()
  {
    const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
    const QString folder = configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                                : QString::fromLocal8Bit(configured);
    QDir().mkpath(folder);
    return folder;
  }
};

}  // namespace

TEST(ScaleBarLength, RoundLengthsOfOneTwoOrFiveTimesAPowerOfTen)
{
  struct Case {
    double metersPerPixel;
    double meters;
  };
  // 150 pixels at each ground length: the longest round length that fits.
  const Case cases[] = {{1.0, 100.0},  {2.0, 200.0},       {3.0, 200.0}, {4.0, 500.0},
                        {7500.0, 1e6}, {6666.0, 500000.0}, {0.01, 1.0},  {1.0 / 150, 1.0}};
  for (const Case& test : cases) {
    const CScaleBar::Length length = CScaleBar::ChooseLength(test.metersPerPixel, 150);
    EXPECT_DOUBLE_EQ(length.meters, test.meters) << test.metersPerPixel;
    EXPECT_EQ(length.pixels, std::lround(test.meters / test.metersPerPixel));
    EXPECT_LE(length.pixels, 150);
  }
  EXPECT_EQ(CScaleBar::ChooseLength(0.0, 150).pixels, 0);
  EXPECT_EQ(CScaleBar::ChooseLength(-1.0, 150).pixels, 0);
  EXPECT_EQ(CScaleBar::ChooseLength(std::nan(""), 150).pixels, 0);
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
  EXPECT_EQ(CScaleBar::LengthText(500), "500 m");
  EXPECT_EQ(CScaleBar::LengthText(2000), "2 km");
  EXPECT_EQ(CScaleBar::LengthText(1e6), "1000 km");
}

TEST_F(MapWindowExtras, TheScaleBarIsAsLongAsItsLengthOnTheGround)
{
  CScaleBar* bar = m_frame->ShapeWnd()->ScaleBar();
  ASSERT_NE(bar, nullptr);
  for (double scale : {30000000.0, 2500000.0, 70000.0}) {
    View()->SetScale(scale);
    View()->Refresh();
    ProcessPostedMessages();
    const double metersPerPixel = MetersPerPixel();
    const CScaleBar::Length length = bar->CurrentLength();
    // A round length, the longest that fits in the bar's room.
    const double power = std::pow(10.0, std::floor(std::log10(length.meters) + 1e-9));
    const double step = length.meters / power;
    EXPECT_TRUE(std::abs(step - 1) < 1e-9 || std::abs(step - 2) < 1e-9 || std::abs(step - 5) < 1e-9) << step;
    EXPECT_LE(length.meters / metersPerPixel, CScaleBar::kMaximumLength + 0.5);
    EXPECT_GT(length.meters / metersPerPixel, CScaleBar::kMaximumLength / 2.5 - 0.5);

    // The black bar's pixels on the map window's picture.
    const QImage picture = MapPicture();
    const QPoint origin = bar->geometry().topLeft();
    EXPECT_GT(origin.y(), picture.height() / 2) << "in the lower part";
    EXPECT_LT(origin.x(), 50) << "at the left";
    const int row = origin.y() + bar->BarTop() + 1;
    int run = 0;
    for (int x = origin.x() + CScaleBar::kBarLeft; x < picture.width() && picture.pixel(x, row) == qRgb(0, 0, 0); ++x)
      ++run;
    EXPECT_NEAR(run, length.meters / metersPerPixel, 0.5) << scale;
  }
  // The pictures the view makes for files do not show it.
  int width = 0, height = 0;
  View()->GetView(width, height);
  HDC picture = ZMBitmap::CreateMemDc(width, height);
  View()->Draw(picture, 0, 0, width, height);
  const QPoint origin = bar->geometry().topLeft();
  int black = 0;
  for (int x = origin.x() + CScaleBar::kBarLeft; x < origin.x() + CScaleBar::kBarLeft + 20; ++x)
    black += GetPixel(picture, x, origin.y() + bar->BarTop() + 1) == RGB(0, 0, 0) ? 1 : 0;
  DeleteDC(picture);
  EXPECT_LT(black, 20);
}

// In every language the length's text stays above the ticks and the bar, with a gap between
// them: CJK glyphs are taller than Latin ones.
TEST_F(MapWindowExtras, TheScaleTextStaysClearOfItsBar)
{
  for (int language : {kChinese, kJapanese, kEnglish}) {
    SCOPED_TRACE(language);
    ASSERT_TRUE(CResourceTable::SelectLanguage(language));
    for (double scale : {30000000.0, 70000.0}) {
      View()->SetScale(scale);
      CScaleBar bar(View(), m_frame->ShapeWnd());
      const CScaleBar::Length length = bar.CurrentLength();
      ASSERT_GT(length.pixels, 0);
      QImage picture(bar.size(), QImage::Format_RGB32);
      picture.fill(Qt::white);
      bar.render(&picture);
      const int ticksTop = bar.BarTop() - CScaleBar::kTickHeight;
      ASSERT_LE(bar.BarTop() + CScaleBar::kBarThickness, picture.height());
      int textInk = 0;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
          if (qGray(picture.pixel(x, y)) > 128)
            continue;
          const bool tick = x == CScaleBar::kBarLeft || x == CScaleBar::kBarLeft + length.pixels - 1;
          if (y < ticksTop - 2)
            ++textInk;
          else if (y < ticksTop)
            ADD_FAILURE() << "text at (" << x << ", " << y << ") right above the ticks";
          else if (y < bar.BarTop())
            EXPECT_TRUE(tick) << "text at (" << x << ", " << y << ") among the ticks";
          else if (y >= bar.BarTop() + CScaleBar::kBarThickness)
            ADD_FAILURE() << "ink below the bar at (" << x << ", " << y << ")";
        }
      EXPECT_GT(textInk, 20) << "the length is written above the bar";
    }
  }
}

TEST_F(MapWindowExtras, ThePointerPaneFollowsThePointerAndTheScalePaneTheScale)
{
  QLabel* pointer = m_frame->PointerPane();
  QLabel* scale = m_frame->ScalePane();
  ASSERT_TRUE(pointer && scale);
  // Numbers with a point even where the user's locale writes a comma.
  const std::string before = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // where the system has it
  View()->SetScale(1234567);
  ProcessPostedMessages();
  EXPECT_EQ(scale->text(), "1:1234567");
  for (const QPoint& at : {QPoint(10, 20), QPoint(300, 200)}) {
    QMouseEvent move(QEvent::MouseMove, at, ViewWindow()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ViewWindow(), &move);
    double x = 0, y = 0;
    View()->ViewToGeo(at.x(), at.y(), x, y);
    std::ostringstream expected;
    expected.imbue(std::locale::classic());
    expected << std::fixed << std::setprecision(4) << x << ',' << y;
    EXPECT_EQ(pointer->text().toStdString(), expected.str());
    EXPECT_TRUE(pointer->text().contains(u'.'));
  }
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(ViewWindow(), &leave);
  EXPECT_TRUE(pointer->text().isEmpty());
  std::setlocale(LC_ALL, before.c_str());
  // The centre pane keeps its own place before the new ones.
  EXPECT_LT(m_frame->StatusPane(1)->x(), pointer->x());
  EXPECT_LT(pointer->x(), scale->x());
  EXPECT_LT(scale->x(), m_frame->StatusPane(2)->x());
}

TEST_F(MapWindowExtras, ZoomToLayerFitsTheSelectedLayerAsFullMapWould)
{
  // The new entries come after the Layer menu's own ones, and the layer bar shows the same menu.
  QMenu* layerMenu = m_frame->MenuBarMenus().value(1);
  ASSERT_NE(layerMenu, nullptr);
  QStringList commands;
  for (QAction* action : layerMenu->actions())
    commands << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
  EXPECT_EQ(commands, QStringList({"32772", "32773", "32774", "32792", "32782", "32783", "-", "32900", "32903"}));
  Post(WM_LAYER_SELECT, 0, 0);  // no layer selected
  EXPECT_FALSE(m_frame->Action(ID_ZOOM_TO_LAYER)->isEnabled());
  EXPECT_FALSE(m_frame->Action(ID_TEXT_ENCODING)->isEnabled());

  Select(2);  // the cities
  ASSERT_TRUE(m_frame->Action(ID_ZOOM_TO_LAYER)->isEnabled());
  ILayer* cities = View()->GetLayerByIndex(2);
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  cities->GetRect(&minX, &minY, &maxX, &maxY);
  View()->SetScale(1000000);
  View()->SetCenter(10, 10);
  ProcessPostedMessages();
  const double scale = View()->GetScale();
  int width = 0, height = 0;
  View()->GetView(width, height);
  double gx0 = 0, gy0 = 0, gx1 = 0, gy1 = 0;
  View()->ViewToGeo(0, height, gx0, gy0);
  View()->ViewToGeo(width, 0, gx1, gy1);
  const double fit = std::max((maxX - minX) * scale / (gx1 - gx0), (maxY - minY) * scale / (gy1 - gy0));

  m_frame->Action(ID_ZOOM_TO_LAYER)->trigger();
  ProcessPostedMessages();
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_DOUBLE_EQ(x, (minX + maxX) / 2);
  EXPECT_DOUBLE_EQ(y, (minY + maxY) / 2);
  EXPECT_EQ(View()->GetScale(), std::min(std::trunc(fit), 300000000.0));
}

TEST_F(MapWindowExtras, AnIdentifiedFeatureIsOutlinedUntilAClickElsewhere)
{
  Select(0);
  View()->SetScale(20000000);
  View()->SetCenter(138.5, 36.5);
  View()->Refresh();
  ProcessPostedMessages();
  EXPECT_EQ(Count(MapPicture(), kHighlight), 0);
  QWidget* window = ViewWindow();
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, QPoint(window->width() / 2, window->height() / 2));
  ProcessPostedMessages();
  ASSERT_NE(m_frame->InfoDialog(), nullptr);
  EXPECT_EQ(Extras()->GetHighlightRecord(), kJapanRecord);
  const QImage outlined = MapPicture();
  const int outline = Count(outlined, kHighlight);
  EXPECT_GT(outline, 200);
  // The outline lies on Japan's edges: inside its box, not at the centre of Honshu's land.
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  View()->GetLayerByIndex(0)->GetShapeRect(kJapanRecord, &minX, &minY, &maxX, &maxY);
  int left = 0, top = 0, right = 0, bottom = 0;
  Extras()->GeoToView(minX, maxY, left, top);
  Extras()->GeoToView(maxX, minY, right, bottom);
  const QRect box = QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-2, -2, 2, 2);
  int inside = 0;
  for (int py = 0; py < outlined.height(); ++py)
    for (int px = 0; px < outlined.width(); ++px)
      inside += outlined.pixel(px, py) == kHighlight && box.contains(px, py) ? 1 : 0;
  EXPECT_EQ(inside, outline);

  EXPECT_TRUE(m_frame->grab().save(QDir(ScreenshotFolder()).filePath(QStringLiteral("map_scale_bar_highlight.png"))));

  // A left click without a drag clears it.
  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  ProcessPostedMessages();
  EXPECT_EQ(Extras()->GetHighlightLayer(), nullptr);
  EXPECT_EQ(Count(MapPicture(), kHighlight), 0);
}

TEST_F(MapWindowExtras, TheInfoDialogCopiesAValueOrTheRecordAndZoomsToTheFeature)
{
  Post(WM_FEATURE_INFO, 0, kJapanRecord);
  CInfoDialog* info = m_frame->InfoDialog();
  ASSERT_NE(info, nullptr);
  QApplication::clipboard()->clear();
  info->List()->setCurrentCell(1, 0);  // the name_ja row, its name cell current: the value is copied
  QTest::keyClick(info->List(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("日本"));
  QTest::keyClick(info->List(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const QStringList lines = QApplication::clipboard()->text().split(u'\n');
  ASSERT_EQ(lines.size(), 3);  // names, values, and the end of the last line
  const QStringList names = lines[0].split(u'\t');
  const QStringList values = lines[1].split(u'\t');
  ASSERT_EQ(names.size(), 4);
  ASSERT_EQ(values.size(), 4);
  EXPECT_EQ(names.last(), "iso_a3");  // the table's column order
  EXPECT_EQ(values.first(), "Japan");
  EXPECT_EQ(values.last(), "JPN");
  EXPECT_EQ(values[names.indexOf("name_ja")], QString::fromUtf8("日本"));

  View()->SetScale(100000000);
  View()->SetCenter(10, 10);
  auto* zoom = info->findChild<QPushButton*>(QStringLiteral("zoomToFeature"));
  ASSERT_NE(zoom, nullptr);
  QTest::mouseClick(zoom, Qt::LeftButton);
  ProcessPostedMessages();
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  View()->GetLayerByIndex(0)->GetShapeRect(kJapanRecord, &minX, &minY, &maxX, &maxY);
  double x = 0, y = 0;
  View()->GetCenter(x, y);
  EXPECT_DOUBLE_EQ(x, (minX + maxX) / 2);
  EXPECT_DOUBLE_EQ(y, (minY + maxY) / 2);
  // Japan fills the window along one axis.
  int left = 0, top = 0, right = 0, bottom = 0;
  Extras()->GeoToView(minX, maxY, left, top);
  Extras()->GeoToView(maxX, minY, right, bottom);
  int width = 0, height = 0;
  View()->GetView(width, height);
  EXPECT_TRUE(std::abs((right - left) - width) <= 2 || std::abs((bottom - top) - height) <= 2)
      << right - left << "x" << bottom - top << " in " << width << "x" << height;
  EXPECT_EQ(Extras()->GetHighlightRecord(), kJapanRecord);
}

// The program on a high-density screen (QT_SCALE_FACTOR, or a move to a second screen of the
// offscreen platform, in a child process of this test program): the map window shows the map,
// its symbols and the scale bar at device pixels, and Export Image writes the picture the user
// sees, as does Save as bmp, with a world file for its pixels.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "image_export.h"
#include "program_bitmaps.h"
#include "resource_ids.h"
#include "scale_bar.h"
#include "shape_wnd.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/iuser_layers.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::AllSamples;
using zamra_test::ProcessPostedMessages;

namespace {

constexpr char kChildVariable[] = "ZAMRA_MAP_PIXEL_RATIO_CHILD";
const QRgb kSymbolKey = qRgb(255, 0, 0);

class MapPixelRatioChild : public zamra_test::FrameTest {
protected:
  void SetUp() override
  {
    if (qgetenv(kChildVariable).isEmpty())
      GTEST_SKIP() << "run by MapPixelRatio.OnScreensOfRatioOneAndAHalfAndTwoAndAfterAMove";
    FrameTest::SetUp();
    ASSERT_EQ(m_frame->AddLayerFiles(AllSamples()), 3);
    ProcessPostedMessages();
    if (qgetenv(kChildVariable) == "moved") {
      // Started on a plain screen, the window moves to one of ratio 2.
      ASSERT_EQ(ViewWindow()->devicePixelRatioF(), 1.0);
      QScreen* dense = nullptr;
      for (QScreen* screen : QGuiApplication::screens())
        dense = screen->name() == QStringLiteral("dense") ? screen : dense;
      ASSERT_NE(dense, nullptr);
      m_frame->windowHandle()->setScreen(dense);
      m_frame->move(dense->geometry().topLeft());
      ProcessPostedMessages();
    }
  }
  static double ExpectedRatio()
  {
    const QByteArray mode = qgetenv(kChildVariable);
    return mode == "moved" ? 2.0 : mode.toDouble();
  }
  QWidget* ViewWindow() const { return m_frame->ShapeWnd()->ViewWindow(); }
  QImage Shown() const { return ViewWindow()->grab().toImage().convertToFormat(QImage::Format_RGB888); }
};

}  // namespace

TEST_F(MapPixelRatioChild, SymbolsScaleBarAndExportAreAtDevicePixels)
{
  const double ratio = ExpectedRatio();
  ASSERT_EQ(ViewWindow()->devicePixelRatioF(), ratio);
  IZamraViewExtras* extras = IZamraViewExtras::Of(View());
  ASSERT_NE(extras, nullptr);
  EXPECT_EQ(extras->GetDevicePixelRatio(), ratio);

  // A point of interest far from the sample cities, drawn from the program's strip as drawn
  // at the screen's ratio: the tile lands pixel for pixel, its transparent key left out.
  View()->SetScale(5000000);
  View()->SetCenter(-30.0, -40.0);  // the South Atlantic
  IUserPOILayer* pois = View()->GetUserPoiLayer();
  ASSERT_NE(pois, nullptr);
  pois->SetLabelVisible(0);
  pois->AddPoi(1, "", 0, -27.0, -40.0, 5);  // clear of the centre cross
  View()->Refresh();
  ProcessPostedMessages();
  const QImage shown = Shown();
  const int side = PointSymbolSize(ratio);
  const QImage tile = PointSymbolStrip(ratio).copy(5 * side, 0, side, side).convertToFormat(QImage::Format_RGB888);
  int px = 0, py = 0;
  extras->GeoToView(-27.0, -40.0, px, py);
  // The symbol's box: centred on the point's device pixel, within a window pixel of px x ratio.
  int matched = 0, drawn = 0;
  for (int dy = -2; dy <= 2 && matched == 0; ++dy)
    for (int dx = -2; dx <= 2 && matched == 0; ++dx) {
      const int left = static_cast<int>(std::lround(px * ratio)) + dx - side / 2;
      const int top = static_cast<int>(std::lround(py * ratio)) + dy - side / 2;
      int same = 0, opaque = 0;
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
          if (tile.pixel(x, y) == kSymbolKey)
            continue;
          ++opaque;
          same += shown.pixel(left + x, top + y) == tile.pixel(x, y) ? 1 : 0;
        }
      if (same == opaque) {
        matched = same;
        drawn = opaque;
      }
    }
  EXPECT_GT(drawn, side * side / 4);
  EXPECT_EQ(matched, drawn) << "the symbol is not the strip's tile at device pixels";

  // The scale bar: a Qt window of its own, painted at the screen's ratio, its bar as long in
  // device pixels as its ground length on the map.
  CScaleBar* bar = m_frame->ShapeWnd()->ScaleBar();
  const CScaleBar::Length length = bar->CurrentLength();
  ASSERT_GT(length.pixels, 0);
  const QImage barPicture = bar->grab().toImage().convertToFormat(QImage::Format_RGB888);
  EXPECT_EQ(barPicture.width(), static_cast<int>(std::lround(bar->width() * ratio)));
  const int row = static_cast<int>((bar->BarTop() + 1) * ratio);
  int black = 0;  // the bar's run, from its left end (past its background the grab is empty)
  for (int x = static_cast<int>(CScaleBar::kBarLeft * ratio); x < barPicture.width(); ++x, ++black)
    if (barPicture.pixel(x, row) != qRgb(0, 0, 0))
      break;
  EXPECT_NEAR(black, length.pixels * ratio, 1.0);

  // Export Image: the picture the user sees, at device pixels, and a world file for them.
  int width = 0, height = 0;
  View()->GetView(width, height);
  const QString path = QString::fromStdString(m_environment.Dir().File("map.png"));
  ASSERT_TRUE(ExportMapImage(*View(), width, height, path, ImageFormat::Png));
  const QImage exported = QImage(path).convertToFormat(QImage::Format_RGB888);
  const QSize device(static_cast<int>(std::lround(width * ratio)), static_cast<int>(std::lround(height * ratio)));
  EXPECT_EQ(exported.size(), device);
  EXPECT_EQ(MapPictureSize(*View(), width, height), device);
  int differing = 0;
  for (int y = 0; y < std::min(exported.height(), shown.height()); ++y)
    for (int x = 0; x < std::min(exported.width(), shown.width()); ++x) {
      const bool cross = std::abs(x - device.width() / 2) <= 12 && std::abs(y - device.height() / 2) <= 12;
      differing += !cross && exported.pixel(x, y) != shown.pixel(x, y) ? 1 : 0;
    }
  EXPECT_EQ(differing, 0);
  // Save as bmp, through the command as the user gives it: the same picture.
  const QString bmp = QString::fromStdString(m_environment.Dir().File("map.bmp"));
  QString message;
  zamra_test::AnswerFileDialog(bmp, [&message] {
    zamra_test::AnswerModal<QMessageBox>([&message](QMessageBox* box) {
      message = box->text();
      box->button(QMessageBox::Ok)->click();
    });
  });
  m_frame->Action(ID_SAVE_BMP)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(message, QStringLiteral("save bmp ok"));
  EXPECT_TRUE(QImage(bmp).convertToFormat(QImage::Format_RGB888) == exported);

  QFile world(WorldFilePath(path));
  ASSERT_TRUE(world.open(QIODevice::ReadOnly));
  const double pixelSize = world.readLine().trimmed().toDouble();
  double left = 0, right = 0, y = 0;
  View()->ViewToGeo(0, 0, left, y);
  View()->ViewToGeo(100, 0, right, y);
  EXPECT_NEAR(pixelSize, (right - left) / 100 / ratio, 1e-12);
}

TEST(MapPixelRatio, OnScreensOfRatioOneAndAHalfAndTwoAndAfterAMove)
{
  if (!qgetenv(kChildVariable).isEmpty())
    GTEST_SKIP() << "the child runs only its own test";
  // Two screens side by side for the move: the offscreen platform's own configuration.
  zamra_test::TempDir dir;
  const QString screens = QString::fromStdString(dir.File("screens.json"));
  {
    QFile file(screens);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens": [
      {"name": "plain", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "dpr": 1},
      {"name": "dense", "x": 1600, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "dpr": 2}]})");
  }
  for (const char* mode : {"1.5", "2", "moved"}) {
    SCOPED_TRACE(mode);
    const bool moved = std::string(mode) == "moved";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!moved)
      environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(mode));
    environment.insert(QString::fromLatin1(kChildVariable), QString::fromLatin1(mode));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       moved ? QStringLiteral("offscreen:configfile=") + screens : QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=MapPixelRatioChild.SymbolsScaleBarAndExportAreAtDevicePixels")});
    ASSERT_TRUE(child.waitForFinished(180000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
  }
}

// The map on high-density screens: drawn at the screen's device pixels (a one-pixel line one
// device pixel, labels and symbols at their own resolution) while positions stay in window
// pixels. The screen's ratio itself is set in a child process of this program (with
// QT_SCALE_FACTOR, or two screens of the offscreen platform to move between), the ways to give
// the offscreen platform one.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "platform/window_message.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "model/map_model.h"
#include "window/map_view.h"

using namespace zamra::view;

using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr COLORREF kLineColour = RGB(0, 0, 200);
constexpr COLORREF kLabelColour = RGB(200, 0, 0);
constexpr COLORREF kSymbolGreen = RGB(0, 160, 0);
constexpr double kScale = 20000000.0;
constexpr double kCentreX = 100.0;
constexpr double kCentreY = 35.0;
constexpr char kChildVariable[] = "ZAMRA_PIXEL_RATIO_CHILD";
const char* const kFace = "DejaVu Sans";

// A strip of two `side` x `side` tiles on red (transparent): a green disc-like diamond with a
// black rim, and a black square; what a host draws at the screen's ratio.
HDC MakeStrip(int side)
{
  HDC strip = ZMBitmap::CreateMemDc(2 * side, side);
  const int middle = side / 2;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < 2 * side; ++x) {
      const int distance = std::abs(x % side - middle) + std::abs(y - middle);
      COLORREF colour = RGB(255, 0, 0);
      if (x >= side)
        colour = RGB(0, 0, 0);
      else if (distance < middle - 1)
        colour = kSymbolGreen;
      else if (distance == middle - 1)
        colour = RGB(0, 0, 0);
      SetPixel(strip, x, y, colour);
    }
  return strip;
}

// A horizontal line (its label hidden), a square outlined with a pen of two window pixels,
// and a labelled town, around (100, 35).
class MapData {
public:
  MapData()
  {
    const TestShape line{{{{95.0, 35.31}, {105.0, 35.31}}}};
    const TestShape square{{zamra_test::Square(96.0, 32.5, 1.5)}};
    const TestShape town{{{{101.0, 36.0}}}};
    m_ok = WriteShapefile(m_dir.File("line"), SHPT_ARC, {line}) &&
           WriteShapefile(m_dir.File("square"), SHPT_POLYGON, {square}) &&
           WriteShapefile(m_dir.File("town"), SHPT_POINT, {town}, {{"name", FTString, 20, 0}}, {{"Lanzhou"}});
  }
  bool Ok() const { return m_ok; }
  std::string File(const char* name) const { return m_dir.File(name); }

private:
  TempDir m_dir;
  bool m_ok = false;
};

// Adds the layers with their styles; `factor` multiplies what a screen of that ratio would
// (label size, pens wider than a pixel), for the same map drawn larger at ratio 1.
template <typename Host>
bool AddLayers(Host& host, const MapData& data, int factor)
{
  ILayer* line = host.AddLayer(data.File("line.shp").c_str());
  ILayer* square = host.AddLayer(data.File("square.shp").c_str());
  ILayer* town = host.AddLayer(data.File("town.shp").c_str());
  if (line == nullptr || square == nullptr || town == nullptr)
    return false;
  line->SetLineColor(kLineColour);
  line->SetLineWidth(1);
  line->SetLabelVisible(0);
  square->SetLineWidth(2 * factor);
  square->SetLineColor(RGB(0, 0, 0));
  square->SetBkColor(RGB(230, 230, 120));
  square->SetLabelVisible(0);
  town->SetPointIndex(0);
  town->SetLabelFont(kLabelColour, kFace, 14 * factor);
  town->SetLabelVisible(1);
  return true;
}

QImage SurfaceImage(const CMapModel& model)
{
  return ImageFromBitmap(static_cast<HBITMAP>(GetCurrentObject(model.GetSurface(), OBJ_BITMAP)))
      .convertToFormat(QImage::Format_RGB888);
}

QRgb ToRgb(COLORREF colour) { return qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }

int CountColour(const QImage& image, COLORREF colour)
{
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      count += image.pixel(x, y) == ToRgb(colour) ? 1 : 0;
  return count;
}

// Rows of column `x` in the line's colour.
int LineRows(const QImage& image, int x)
{
  int rows = 0;
  for (int y = 0; y < image.height(); ++y)
    rows += image.pixel(x, y) == ToRgb(kLineColour) ? 1 : 0;
  return rows;
}

// The window pixel of a geographic point at kScale, centred on (kCentreX, kCentreY), as the
// view's plain projection has it: independent of any pixel ratio.
void ExpectedGeo(double wx, double wy, int width, int height, double& x, double& y)
{
  x = kCentreX + (wx - width / 2) * kScale / CMapModel::kMetersPerDegreeX / CMapModel::kPixelsPerMeter;
  y = kCentreY - (wy - height / 2) * kScale / CMapModel::kMetersPerDegreeY / CMapModel::kPixelsPerMeter;
}

// A model drawn at `ratio` in a window of width x height, at `scale`.
struct DrawnModel {
  CMapModel model;
  bool Draw(const MapData& data, double ratio, int width, int height, double scale, int factor, int tile)
  {
    if (!model.SetPixelRatio(ratio) || !AddLayers(model, data, factor))
      return false;
    model.SetPoiDC(MakeStrip(tile), 2, tile, tile);
    model.OnSize(width, height);
    model.SetScaleValue(scale);
    model.ClampCenter(kCentreX, kCentreY);
    return model.Render(nullptr, 0, 0) == 1;
  }
};

}  // namespace

TEST(PixelRatio, RatioTwoDrawsWhatTwiceTheWindowAtHalfTheScaleDraws)
{
  MapData data;
  ASSERT_TRUE(data.Ok());
  // A 300 x 200 window at ratio 2, and the same map in a 600 x 400 window at ratio 1 with half
  // the scale, labels twice as large, the wide pen twice as wide and the same 16-pixel symbols.
  DrawnModel dense, plain;
  ASSERT_TRUE(dense.Draw(data, 2.0, 300, 200, kScale, 1, 16));
  ASSERT_TRUE(plain.Draw(data, 1.0, 600, 400, kScale / 2, 2, 16));
  const QImage densePicture = SurfaceImage(dense.model);
  const QImage plainPicture = SurfaceImage(plain.model);
  ASSERT_EQ(densePicture.size(), QSize(600, 400));
  EXPECT_TRUE(densePicture == plainPicture) << "the pictures differ";
  // What is compared is there: a line one device pixel thick, a label, a whole symbol, and the
  // square's outline four device pixels wide.
  EXPECT_EQ(LineRows(densePicture, 300), 1);
  EXPECT_GT(CountColour(densePicture, kLabelColour), 40);
  int px = 0, py = 0;
  dense.model.GeoToPixel(101.0, 36.0, px, py);
  EXPECT_EQ(densePicture.pixel(px, py), ToRgb(kSymbolGreen));
  EXPECT_EQ(CountColour(densePicture, kSymbolGreen), CountColour(SurfaceImage(plain.model), kSymbolGreen));
  dense.model.GeoToPixel(96.75, 34.0, px, py);  // the middle of the square's top edge
  int outline = 0;
  for (int y = py - 8; y <= py + 8; ++y)
    outline += densePicture.pixel(px, y) == qRgb(0, 0, 0) ? 1 : 0;
  EXPECT_EQ(outline, 4);
}

TEST(PixelRatio, FractionalRatiosDrawHairlinesAndScaleLabels)
{
  MapData data;
  ASSERT_TRUE(data.Ok());
  int labelRows[3] = {};
  const double ratios[3] = {1.0, 1.5, 2.0};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(ratios[i]);
    DrawnModel drawn;
    const int tile = static_cast<int>(std::lround(8 * ratios[i]));
    ASSERT_TRUE(drawn.Draw(data, ratios[i], 300, 200, kScale, 1, tile));
    const QImage picture = SurfaceImage(drawn.model);
    ASSERT_EQ(picture.size(), QSize(static_cast<int>(300 * ratios[i]), static_cast<int>(200 * ratios[i])));
    EXPECT_EQ(LineRows(picture, picture.width() / 2), 1);  // a hairline at every ratio
    EXPECT_EQ(drawn.model.SymbolWidth(), tile);
    // The label's height on the surface grows with the ratio.
    int top = picture.height(), bottom = -1;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        if (picture.pixel(x, y) == ToRgb(kLabelColour)) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    ASSERT_GE(bottom, top);
    labelRows[i] = bottom - top + 1;
  }
  EXPECT_NEAR(labelRows[1], labelRows[0] * 1.5, 2.0);
  EXPECT_NEAR(labelRows[2], labelRows[0] * 2.0, 2.0);
}

TEST(PixelRatio, AtRatioOneTheModelIsUnchangedAndRefusesRatiosNoScreenHas)
{
  CMapModel model;
  model.OnSize(801, 601);
  EXPECT_EQ(model.SurfaceWidth(), 800);
  EXPECT_EQ(model.SymbolWidth(), 24);
  EXPECT_EQ(model.DevicePenWidth(3), 3);
  EXPECT_EQ(model.SetPixelRatio(0.0), 0);
  EXPECT_EQ(model.SetPixelRatio(std::nan("")), 0);
  EXPECT_EQ(model.SetPixelRatio(100.0), 0);
  EXPECT_EQ(model.PixelRatio(), 1.0);
  ASSERT_EQ(model.SetPixelRatio(1.5), 1);
  EXPECT_EQ(model.SurfaceWidth(), 1200);  // 400 window pixels either side of the centre
  EXPECT_EQ(model.SurfaceHeight(), 900);
  EXPECT_EQ(model.SymbolWidth(), 36);  // the default 24 window pixels
  EXPECT_EQ(model.DevicePenWidth(1), 1);
  EXPECT_EQ(model.DevicePenWidth(0), 0);
  EXPECT_EQ(model.DevicePenWidth(3), 5);
  EXPECT_EQ(model.DeviceLength(12), 18);
}

// A host that records the view's notifications.
class HostWindow final : public QWidget {
public:
  std::vector<std::pair<WPARAM, LPARAM>> received;

protected:
  bool event(QEvent* event) override
  {
    if (event->type() == WindowMessageEvent::EventType()) {
      auto* message = static_cast<WindowMessageEvent*>(event);
      if (message->Message() == ZM_VIEW_NOTIFY)
        received.emplace_back(message->WParam(), message->LParam());
      return true;
    }
    return QWidget::event(event);
  }
};

TEST(PixelRatio, PointerPositionsMapToTheSamePlaceAtEveryRatio)
{
  MapData data;
  ASSERT_TRUE(data.Ok());
  for (const double ratio : {1.0, 1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    HostWindow host;
    host.resize(640, 480);
    host.show();
    std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
    ASSERT_EQ(view->Create(nullptr, 0x50000000UL, 0, 0, 0, 600, 400, &host, 2001), 1);
    ASSERT_TRUE(AddLayers(*view, data, 1));
    IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
    ASSERT_EQ(extras->SetDevicePixelRatio(ratio), 1);
    view->SetScale(kScale);
    view->SetCenter(kCentreX, kCentreY);
    view->Refresh();
    QApplication::processEvents();
    EXPECT_EQ(extras->GetDevicePixelRatio(), ratio);  // the window's own ratio did not change
    int width = 0, height = 0;
    view->GetView(width, height);
    EXPECT_EQ(width, 600);
    for (const QPoint at : {QPoint(0, 0), QPoint(123, 77), QPoint(599, 399)}) {
      double x = 0, y = 0, expectedX = 0, expectedY = 0;
      view->ViewToGeo(at.x(), at.y(), x, y);
      ExpectedGeo(at.x(), at.y(), 600, 400, expectedX, expectedY);
      EXPECT_NEAR(x, expectedX, 1e-9);
      EXPECT_NEAR(y, expectedY, 1e-9);
      // Half a window pixel in: the way back lands on the same window pixel.
      view->ViewToGeo(at.x(), at.y(), x, y);
      double nextX = 0, nextY = 0;
      view->ViewToGeo(at.x() + 1, at.y() + 1, nextX, nextY);
      int px = -1, py = -1;
      extras->GeoToView((x + nextX) / 2, (y + nextY) / 2, px, py);
      EXPECT_EQ(QPoint(px, py), at);
    }
    // A right click is posted where it happened, in window pixels; a drag of 30 x 10 window
    // pixels moves the map by as much ground at every ratio.
    QWidget* window = static_cast<CMapView*>(view.get())->Window();
    host.received.clear();
    QTest::mouseClick(window, Qt::RightButton, {}, QPoint(200, 150));
    QApplication::processEvents();
    ASSERT_FALSE(host.received.empty());
    EXPECT_EQ(host.received.back().first, static_cast<WPARAM>(NOTIFY_RIGHT_CLICK));
    EXPECT_EQ(host.received.back().second, static_cast<LPARAM>(150 * 65536 + 200));
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(window, QPoint(315, 205));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(330, 210));
    QApplication::processEvents();
    double centreX = 0, centreY = 0, expectedX = 0, expectedY = 0;
    view->GetCenter(centreX, centreY);
    ExpectedGeo(300 - 30, 200 - 10, 600, 400, expectedX, expectedY);
    EXPECT_NEAR(centreX, expectedX, 1e-9);
    EXPECT_NEAR(centreY, expectedY, 1e-9);
  }
}

// What the child process checks, on a screen of the ratio QT_SCALE_FACTOR gives.
TEST(PixelRatioChild, TheWindowShowsTheSurfaceAtDevicePixels)
{
  const QByteArray asked = qgetenv(kChildVariable);
  if (asked.isEmpty())
    GTEST_SKIP() << "run by PixelRatio.RealScreensOfRatioOneAndAHalfAndTwoAndAMoveBetweenScreens";
  // "moved": the window starts on a plain screen and moves to one of ratio 2.
  const bool moved = asked == "moved";
  const double ratio = moved ? 2.0 : asked.toDouble();
  MapData data;
  ASSERT_TRUE(data.Ok());
  QWidget host;
  host.resize(600, 400);
  host.show();
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  ASSERT_EQ(view->Create(nullptr, 0x50000000UL, 0, 0, 0, 600, 400, &host, 2001), 1);
  auto* mapView = static_cast<CMapView*>(view.get());
  QWidget* window = mapView->Window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  if (moved) {
    ASSERT_EQ(window->devicePixelRatioF(), 1.0);
    EXPECT_EQ(window->grab().size(), QSize(600, 400));
    EXPECT_EQ(mapView->Model()->SurfaceWidth(), 600);
    QScreen* dense = nullptr;
    for (QScreen* screen : QGuiApplication::screens())
      dense = screen->name() == QStringLiteral("dense") ? screen : dense;
    ASSERT_NE(dense, nullptr);
    host.windowHandle()->setScreen(dense);
    host.move(dense->geometry().topLeft() + QPoint(10, 10));
    QApplication::processEvents();
  }
  ASSERT_EQ(window->devicePixelRatioF(), ratio);    // the screen's ratio, not one we set
  EXPECT_EQ(extras->GetDevicePixelRatio(), ratio);  // the view follows its window
  const int tile = static_cast<int>(std::lround(8 * ratio));
  view->SetPoiDC(MakeStrip(tile), 2, tile, tile);
  ASSERT_TRUE(AddLayers(*view, data, 1));
  view->SetScale(kScale);
  view->SetCenter(kCentreX, kCentreY);
  extras->SetHighlight(view->GetLayerByIndex(1), 0);  // the square, outlined
  view->Refresh();
  QApplication::processEvents();

  // The window's device pixels are the surface's, but for the centre cross and the outline.
  const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB888);
  const QImage surface = SurfaceImage(*mapView->Model());
  ASSERT_EQ(shown.size(), QSize(static_cast<int>(600 * ratio), static_cast<int>(400 * ratio)));
  ASSERT_EQ(surface.size(), shown.size());
  int differing = 0, magenta = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      if (shown.pixel(x, y) == qRgb(255, 0, 255)) {
        ++magenta;
        continue;
      }
      const bool cross = std::abs(x - shown.width() / 2) <= 12 && std::abs(y - shown.height() / 2) <= 12;
      differing += !cross && shown.pixel(x, y) != surface.pixel(x, y) ? 1 : 0;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(LineRows(shown, shown.width() / 2 + 40), 1);  // one device pixel, not one window pixel
  // The outline's pen of 3 window pixels is 3 x ratio device pixels wide, drawn at the device.
  int px = 0, py = 0;
  extras->GeoToView(96.75, 34.0, px, py);
  int outline = 0;
  const int deviceX = static_cast<int>(px * ratio), deviceY = static_cast<int>(py * ratio);
  for (int y = deviceY - 12; y <= deviceY + 12; ++y)
    outline += shown.pixel(deviceX, y) == qRgb(255, 0, 255) ? 1 : 0;
  EXPECT_EQ(outline, static_cast<int>(std::lround(3 * ratio)));
  EXPECT_GT(magenta, 0);

  // At ratio 2 the picture is that of the map twice as large at ratio 1.
  if (ratio == 2.0) {
    DrawnModel plain;
    ASSERT_TRUE(plain.Draw(data, 1.0, 1200, 800, kScale / 2, 2, tile));
    EXPECT_TRUE(surface == SurfaceImage(plain.model));
  }

  // A pointer position is a window pixel: a right click at (200, 150) is posted as such and
  // maps to the ground of (200, 150) at ratio 1.
  double x = 0, y = 0, expectedX = 0, expectedY = 0;
  view->ViewToGeo(200, 150, x, y);
  ExpectedGeo(200, 150, 600, 400, expectedX, expectedY);
  EXPECT_NEAR(x, expectedX, 1e-9);
  EXPECT_NEAR(y, expectedY, 1e-9);
}

TEST(PixelRatio, RealScreensOfRatioOneAndAHalfAndTwoAndAMoveBetweenScreens)
{
  if (!qgetenv(kChildVariable).isEmpty())
    GTEST_SKIP() << "the child runs only its own test";
  // Two screens side by side for the move: the offscreen platform's own configuration.
  TempDir dir;
  const std::string screens = dir.File("screens.json");
  {
    QFile file(QString::fromStdString(screens));
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
                       moved ? QStringLiteral("offscreen:configfile=") + QString::fromStdString(screens)
                             : QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=PixelRatioChild.TheWindowShowsTheSurfaceAtDevicePixels")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
  }
}

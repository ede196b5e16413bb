// What a host may ask of the view beside IZamraView: the pixel of a geographic point, the
// ground length of a pixel, the outline of an identified record in the window (and not in Draw's
// pictures), and a code page chosen for a layer's texts, kept in the workspace file.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

#include "api/base/bitmap.h"
#include "api/formats/data_view.h"
#include "platform/gdi.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "layers/shape_layer.h"

using namespace zamra::view;

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr double kMetersPerDegreeX = 96284.7044;  // the view's fixed ground length of a degree
const QRgb kHighlight = qRgb(255, 0, 255);
const std::string kBeijingGbk = "\xB1\xB1\xBE\xA9";  // 北京 in GBK

class ViewExtras : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(WriteShapefile(m_dir.File("lands"), SHPT_POLYGON,
                               {TestShape{{Square(100, 20, 4)}}, TestShape{{Square(110, 30, 4)}}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("towns"), SHPT_POINT, {TestShape{{{{105, 25}}}}}, {{"name", FTString, 20, 0}},
                               {{kBeijingGbk}}));
    m_host.resize(400, 300);
  }

  std::unique_ptr<IZamraView> NewView()
  {
    std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
    EXPECT_EQ(view->Create(nullptr, 0x10000000UL, 0, 0, 0, 400, 300, &m_host, 2001), 1);
    return view;
  }

  // The window's picture as the screen shows it.
  QImage WindowPicture()
  {
    QWidget* window = m_host.findChild<QWidget*>();
    return window ? window->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
  }

  static int Count(const QImage& picture, QRgb colour)
  {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        count += picture.pixel(x, y) == colour ? 1 : 0;
    return count;
  }

  TempDir m_dir;
  QWidget m_host;
};

std::string Cell(ILayer* layer)
{
  char text[ZMDataView::kTextSize] = "";
  layer->GetDataView()->GetItemValue(0, 0, text);
  return text;
}

}  // namespace

TEST_F(ViewExtras, PixelsAndGroundLengthsAgreeWithViewToGeo)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ASSERT_NE(extras, nullptr);
  EXPECT_EQ(IZamraViewExtras::Of(nullptr), nullptr);
  ASSERT_NE(view->AddLayer(m_dir.File("lands.shp").c_str()), nullptr);
  for (double scale : {500000.0, 7000000.0}) {
    view->SetScale(scale);
    // A pixel's left upper corner goes back to the same pixel.
    for (const auto& [x, y] : {std::pair{0, 0}, {17, 250}, {399, 1}}) {
      double gx = 0, gy = 0;
      view->ViewToGeo(x, y, gx, gy);
      int px = -1, py = -1;
      extras->GeoToView(gx + 1e-9, gy - 1e-9, px, py);
      EXPECT_EQ(px, x);
      EXPECT_EQ(py, y);
    }
    double x0 = 0, x1 = 0, y = 0;
    view->ViewToGeo(0, 10, x0, y);
    view->ViewToGeo(100, 10, x1, y);
    EXPECT_NEAR(extras->GetGroundLengthPerPixel(), (x1 - x0) * kMetersPerDegreeX / 100, 1e-6 * scale);
  }
}

TEST_F(ViewExtras, TheLayersExtentAndTheScaleThatFitsABox)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ASSERT_NE(extras, nullptr);
  double box[4] = {7, 7, 7, 7};
  EXPECT_EQ(extras->GetLayersExtent(&box[0], &box[1], &box[2], &box[3]), 0);
  EXPECT_EQ(box[0], 7.0) << "nothing written without layers";
  ASSERT_NE(view->AddLayer(m_dir.File("lands.shp").c_str()), nullptr);
  ASSERT_NE(view->AddLayer(m_dir.File("towns.shp").c_str()), nullptr);
  ASSERT_EQ(extras->GetLayersExtent(&box[0], &box[1], &box[2], &box[3]), 1);
  EXPECT_EQ(box[0], 100.0);
  EXPECT_EQ(box[1], 20.0);
  EXPECT_EQ(box[2], 114.0);
  EXPECT_EQ(box[3], 34.0);

  // At the scale that fits, the box fills the window along its tighter axis (here its height).
  const double fit = extras->GetScaleToFit(box[0], box[1], box[2], box[3]);
  ASSERT_GT(fit, 0.0);
  view->SetCenter(107, 27);
  view->SetScale(fit);
  double left = 0, bottom = 0, right = 0, top = 0;
  view->ViewToGeo(0, 300, left, bottom);
  view->ViewToGeo(400, 0, right, top);
  EXPECT_NEAR(top - bottom, 14.0, 14.0 * 1e-3);
  EXPECT_GE(right - left, 14.0);
  EXPECT_EQ(extras->GetScaleToFit(100, 20, 100, 20), 0.0) << "a box without area";
  EXPECT_EQ(extras->GetScaleToFit(100, 20, std::numeric_limits<double>::infinity(), 30), -1.0);
  m_host.resize(0, 0);
  view->MoveWindow(0, 0, 0, 0, 0);
  EXPECT_EQ(extras->GetScaleToFit(100, 20, 114, 34), -1.0) << "a window without area fits nothing";
}

TEST_F(ViewExtras, TheOutlineShowsInTheWindowOnlyAndGoesWithItsLayer)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ILayer* lands = view->AddLayer(m_dir.File("lands.shp").c_str());
  ASSERT_NE(lands, nullptr);
  view->SetCenter(112, 32);  // the second square in the middle
  view->SetScale(10000000);
  m_host.show();
  EXPECT_EQ(Count(WindowPicture(), kHighlight), 0);

  extras->SetHighlight(lands, 1);
  EXPECT_EQ(extras->GetHighlightLayer(), lands);
  EXPECT_EQ(extras->GetHighlightRecord(), 1);
  const QImage picture = WindowPicture();
  // The square's corners and the middle of an edge are outlined; its inside is not.
  for (const auto& [gx, gy] : {std::pair{110.0, 30.0}, {114.0, 34.0}, {110.0, 32.0}}) {
    int px = 0, py = 0;
    extras->GeoToView(gx, gy, px, py);
    EXPECT_EQ(picture.pixel(px, py), kHighlight) << gx << "," << gy;
  }
  int cx = 0, cy = 0;
  extras->GeoToView(112.5, 31.5, cx, cy);
  EXPECT_NE(picture.pixel(cx, cy), kHighlight);
  EXPECT_GT(Count(picture, kHighlight), 100);

  // A picture for a file has no outline.
  HDC dc = ZMBitmap::CreateMemDc(400, 300);
  view->Draw(dc, 0, 0, 400, 300);
  int outlined = 0;
  for (int y = 0; y < 300; y += 1)
    for (int x = 0; x < 400; ++x)
      outlined += GetPixel(dc, x, y) == RGB(255, 0, 255) ? 1 : 0;
  DeleteDC(dc);
  EXPECT_EQ(outlined, 0);

  // Out of range and null clear it; so does deleting its layer.
  extras->SetHighlight(lands, 2);
  EXPECT_EQ(extras->GetHighlightLayer(), nullptr);
  EXPECT_EQ(extras->GetHighlightRecord(), -1);
  extras->SetHighlight(lands, 0);
  ASSERT_EQ(view->DeleteLayer(0), 1);
  EXPECT_EQ(extras->GetHighlightLayer(), nullptr);
  EXPECT_EQ(Count(WindowPicture(), kHighlight), 0);
}

TEST_F(ViewExtras, APointIsOutlinedByABoxAroundItsSymbol)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ILayer* towns = view->AddLayer(m_dir.File("towns.shp").c_str());
  ASSERT_NE(towns, nullptr);
  m_host.show();
  extras->SetHighlight(towns, 0);
  const QImage picture = WindowPicture();
  int px = 0, py = 0;
  extras->GeoToView(105, 25, px, py);
  EXPECT_NE(picture.pixel(px, py), kHighlight);  // the point itself stays as drawn
  // The box's left and right edges cross the point's row.
  int left = -1, right = -1;
  for (int x = 0; x < picture.width(); ++x)
    if (picture.pixel(x, py) == kHighlight) {
      if (left < 0)
        left = x;
      right = x;
    }
  ASSERT_GE(left, 0);
  EXPECT_LT(left, px);
  EXPECT_GT(right, px);
  EXPECT_NEAR((left + right) / 2.0, px, 1.5);
}

TEST_F(ViewExtras, AChosenCodePageReadsCellsAndLabelsAndStaysInTheWorkspace)
{
  const std::string workspace = m_dir.File("Mapory.exe.xml");
  {
    auto view = NewView();
    IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
    ILayer* towns = view->AddLayer(m_dir.File("towns.shp").c_str());
    ILayer* lands = view->AddLayer(m_dir.File("lands.shp").c_str());
    ASSERT_TRUE(towns && lands);
    EXPECT_NE(Cell(towns), "北京");  // the file names no code page: read as the process's
    EXPECT_EQ(extras->GetLayerCodePage(towns), 0u);

    EXPECT_EQ(extras->SetLayerCodePage(towns, 936), 1);
    EXPECT_EQ(extras->GetLayerCodePage(towns), 936u);
    EXPECT_EQ(Cell(towns), "北京");
    char label[256] = "";
    ASSERT_TRUE(dynamic_cast<CShapeLayer*>(towns)->GetLabelText(0, label, sizeof label));
    EXPECT_STREQ(label, "北京");

    // Refused: a code page the system cannot convert, a layer the view does not hold.
    EXPECT_EQ(extras->SetLayerCodePage(towns, 12345), 0);
    EXPECT_EQ(extras->GetLayerCodePage(towns), 936u);
    EXPECT_EQ(extras->SetLayerCodePage(nullptr, 936), 0);
    ASSERT_EQ(view->SaveXml(workspace.c_str()), 1);
  }
  // The path stays the layer element's first attribute, which readers take as the path.
  std::stringstream text;
  text << std::ifstream(workspace, std::ios::binary).rdbuf();
  std::u16string document(text.str().size() / 2, u'\0');
  std::memcpy(document.data(), text.str().data(), document.size() * 2);
  const size_t townsAt = document.find(u"towns.shp\"");
  const size_t codePage = document.find(u"codepage=\"936\"");
  const size_t landsAt = document.find(u"lands.shp\"");
  ASSERT_NE(codePage, std::u16string::npos);
  EXPECT_LT(townsAt, codePage);
  EXPECT_LT(codePage, landsAt);
  EXPECT_EQ(document.find(u"codepage", codePage + 1), std::u16string::npos);  // only where chosen

  auto fresh = NewView();
  ASSERT_EQ(fresh->LoadXml(workspace.c_str()), 1);
  IZamraViewExtras* extras = IZamraViewExtras::Of(fresh.get());
  ILayer* towns = fresh->GetLayerByIndex(0);
  ASSERT_NE(towns, nullptr);
  EXPECT_EQ(extras->GetLayerCodePage(towns), 936u);
  EXPECT_EQ(Cell(towns), "北京");
  EXPECT_EQ(extras->GetLayerCodePage(fresh->GetLayerByIndex(1)), 0u);
  // Back to what the files say.
  EXPECT_EQ(extras->SetLayerCodePage(towns, 0), 1);
  EXPECT_NE(Cell(towns), "北京");
}

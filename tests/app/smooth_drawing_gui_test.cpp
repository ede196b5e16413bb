// "Smooth drawing" in the View menu: the map's lines and areas antialiased while it is checked,
// the pixel-exact picture back when it is not, and the choice kept for the next start.
// SPDX-License-Identifier: MIT
#include <cstring>
#include <vector>

#include <QAction>

#include "app/frame_test.h"
#include "support/gdi_picture.h"
#include "view/izamra_view_extras.h"

namespace {

class SmoothDrawingTest : public zamra_test::FrameTest {
protected:
  // The map's picture, its first 400 x 300 pixels.
  std::vector<unsigned char> MapPixels()
  {
    zamra_test::Picture picture(400, 300);
    View()->Draw(picture.Dc(), 0, 0, 400, 300);
    const auto* bits = static_cast<const unsigned char*>(picture.Bits());
    return std::vector<unsigned char>(bits, bits + 400 * 3 * 300);
  }
};

}  // namespace

TEST_F(SmoothDrawingTest, TheViewMenuChoiceSmoothsTheMapAndIsKeptForTheNextStart)
{
  QAction* smooth = m_frame->SmoothDrawingAction();
  ASSERT_NE(smooth, nullptr);
  EXPECT_FALSE(smooth->isChecked()) << "off until chosen";
  IZamraViewExtras* extras = IZamraViewExtras::Of(View());
  ASSERT_NE(extras, nullptr);
  EXPECT_EQ(extras->GetSmoothDrawing(), 0);
  ASSERT_EQ(m_frame->AddLayerFiles({zamra_test::Sample("world_countries.shp")}), 1);
  const std::vector<unsigned char> exact = MapPixels();

  smooth->trigger();
  EXPECT_EQ(extras->GetSmoothDrawing(), 1);
  const std::vector<unsigned char> smoothed = MapPixels();
  size_t differing = 0;
  for (size_t i = 0; i < exact.size(); ++i)
    differing += exact[i] != smoothed[i] ? 1 : 0;
  EXPECT_GT(differing, 1000u) << "the coastlines' edges are blended";

  smooth->trigger();
  EXPECT_EQ(MapPixels(), exact) << "off, the picture is the exact one again";

  smooth->trigger();  // on, and so it stays
  m_frame = std::make_unique<mapory::CMainFrame>();
  ASSERT_TRUE(m_frame->IsComplete());
  EXPECT_TRUE(m_frame->SmoothDrawingAction()->isChecked());
  EXPECT_EQ(IZamraViewExtras::Of(View())->GetSmoothDrawing(), 1);
}

// The drawing subset without a GUI application: shapes and fills work, text reports failure.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include <gtest/gtest.h>

#include "platform/icon.h"

TEST(GdiHeadless, ShapesDrawAndTextFailsCleanly)
{
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 20, 20);
  SelectObject(dc, bitmap);
  DeleteObject(bitmap);
  SetBkColor(dc, RGB(255, 255, 255));
  const RECT all{0, 0, 20, 20};
  EXPECT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr));
  const POINT triangle[] = {{2, 2}, {15, 2}, {2, 15}};
  EXPECT_TRUE(Polygon(dc, triangle, 3));
  EXPECT_EQ(GetPixel(dc, 4, 4), RGB(255, 255, 255));  // the default white brush
  EXPECT_EQ(GetPixel(dc, 2, 8), RGB(0, 0, 0));        // the default black pen
  EXPECT_EQ(GetPixel(dc, 18, 18), RGB(255, 255, 255));

  // Text needs the application's fonts: a failure result, never a crash.
  EXPECT_FALSE(ExtTextOutA(dc, 0, 0, 0, nullptr, "text", 4, nullptr));
  RECT box{0, 0, 20, 20};
  EXPECT_EQ(DrawTextA(dc, "text", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
  EXPECT_EQ(CreateDCA("DISPLAY", nullptr, nullptr, nullptr), nullptr);  // no screen
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(DestroyIcon(nullptr), FALSE);
}

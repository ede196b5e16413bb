// ZMBitmap and the shell helpers without a GUI application: pictures work, the screen,
// clipboard, icons and notification area report that there are none.
// SPDX-License-Identifier: MIT
#include "api/base/bitmap.h"

#include <gtest/gtest.h>

#include "api/base/icon.h"
#include "api/base/system_tray.h"

TEST(ZMBitmapHeadless, PicturesWorkAndDesktopServicesAreAbsent)
{
  unsigned char* bits = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(3, 3, &bits);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(bits[0], 0xFF);
  int width = 0, height = 0;
  EXPECT_EQ(ZMBitmap::CaptureScreen(width, height), nullptr);
  HBITMAP bitmap = ZMBitmap::GetBmp(dc, 3, 3);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(ZMBitmap::CopyToClipboard(bitmap), 0);  // not handed over: still the caller's
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(ZMBitmap::GetClipboardBmp(), nullptr);
  DeleteDC(dc);

  EXPECT_EQ(ZMIcon::LoadIconA(IDI_WARNING), nullptr);
  EXPECT_EQ(ZMIcon::GetFileTypeIcon(u"a.txt"), nullptr);
  ZMSystemTray tray;
  EXPECT_FALSE(tray.Create(nullptr, 0x400, nullptr, u"tip", 1));
  EXPECT_EQ(tray.GetData().uFlags, NIF_MESSAGE | NIF_TIP);
}

// ZMSystemTray: the record it fills and the platform's answer.
// SPDX-License-Identifier: MIT
#include "api/base/system_tray.h"

#include <string>

#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include "api/base/icon.h"

TEST(ZMSystemTray, NullTipSetsNoTipFlag)
{
  ZMSystemTray tray;
  const BOOL shown = tray.Create(nullptr, 0x500, nullptr, nullptr, 7);
  EXPECT_EQ(shown, QSystemTrayIcon::isSystemTrayAvailable() ? TRUE : FALSE);
  const NOTIFYICONDATAW& data = tray.GetData();
  EXPECT_EQ(data.cbSize, 152u);
  EXPECT_EQ(data.uID, 7u);
  EXPECT_EQ(data.uCallbackMessage, 0x500u);
  EXPECT_EQ(data.uFlags, NIF_MESSAGE);
  EXPECT_EQ(data.szTip[0], 0);
  if (shown) {
    EXPECT_TRUE(tray.Delete());
  }
}

TEST(ZMSystemTray, LongTipIsCutTo63Characters)
{
  ZMSystemTray tray;
  const std::u16string tip(100, u'x');
  HICON icon = ZMIcon::LoadIconA(IDI_INFORMATION);
  const BOOL shown = tray.Create(nullptr, 0x501, icon, tip.c_str(), 8);
  const NOTIFYICONDATAW& data = tray.GetData();
  EXPECT_EQ(data.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  EXPECT_EQ(std::u16string(data.szTip), std::u16string(63, u'x'));
  EXPECT_EQ(tray.ChangeIcon(ZMIcon::LoadIconA(IDI_WARNING)), shown);
  EXPECT_EQ(tray.GetData().hIcon, ZMIcon::LoadIconA(IDI_WARNING));
  EXPECT_EQ(tray.Delete(), shown);
  EXPECT_FALSE(tray.Delete());  // nothing left to remove
}

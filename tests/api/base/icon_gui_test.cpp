// ZMIcon: predefined icons, icon files and file-type icons.
// SPDX-License-Identifier: MIT
#include "api/base/icon.h"

#include <string>

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

TEST(ZMIcon, PredefinedIconsByNumber)
{
  HICON warning = ZMIcon::LoadIconA(IDI_WARNING);
  ASSERT_NE(warning, nullptr);
  EXPECT_FALSE(IconFromHandle(warning).isNull());
  EXPECT_EQ(ZMIcon::LoadIconA(IDI_EXCLAMATION), warning);  // the same shared icon
  EXPECT_TRUE(DestroyIcon(warning));
  EXPECT_FALSE(IconFromHandle(warning).isNull());  // shared icons stay
  EXPECT_NE(ZMIcon::LoadIconA(IDI_QUESTION), nullptr);
  EXPECT_EQ(ZMIcon::LoadIconA(12345u), nullptr);
}

TEST(ZMIcon, IconFromAFileOrNone)
{
  zamra_test::TempDir dir;
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::red);
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("red.ico")), "ICO"));
  const std::u16string path = QString::fromStdString(dir.File("red.ico")).toStdU16String();
  HICON icon = ZMIcon::LoadIconA(path.c_str());
  ASSERT_NE(icon, nullptr);
  const QImage shown = IconFromHandle(icon).pixmap(16, 16).toImage();
  EXPECT_EQ(shown.pixelColor(8, 8), QColor(Qt::red));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));

  zamra_test::WriteAll(dir.File("bad.ico"), {0, 0, 1, 0, 1, 0, 0xFF});
  const std::u16string bad = QString::fromStdString(dir.File("bad.ico")).toStdU16String();
  EXPECT_EQ(ZMIcon::LoadIconA(bad.c_str()), nullptr);
  EXPECT_EQ(ZMIcon::LoadIconA(static_cast<const WCHAR*>(nullptr)), nullptr);
}

TEST(ZMIcon, FileTypeIconNeedsOnlyAName)
{
  HICON unknown = ZMIcon::GetFileTypeIcon(u"/no/such/folder/report.zqxw");
  ASSERT_NE(unknown, nullptr);
  EXPECT_FALSE(IconFromHandle(unknown).isNull());
  HICON text = ZMIcon::GetFileTypeIcon(u"notes.txt");
  ASSERT_NE(text, nullptr);
  EXPECT_NE(text, unknown);  // each call hands out the caller's own icon
  EXPECT_TRUE(DestroyIcon(unknown));
  EXPECT_TRUE(DestroyIcon(text));
  EXPECT_EQ(ZMIcon::GetFileTypeIcon(nullptr), nullptr);
}

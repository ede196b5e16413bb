// Pictures of the measure tool and the find box in each language, for a person to look at: a
// measured flight path and a closed shape with the panel and status bar, and the find panel with
// a chosen match outlined. Run under QT_SCALE_FACTOR=2 as well to see them on a dense screen.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "find_box.h"
#include "measure_tool.h"
#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "platform/window_message.h"
#include "app/app_test_support.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::AllSamples;
using zamra_test::AppEnvironment;
using zamra_test::ProcessPostedMessages;

namespace {

void SavePictures(int language, const char* suffix)
{
  AppEnvironment environment;
  ASSERT_TRUE(CResourceTable::SelectLanguage(language));
  RegisterProgramBitmaps();
  const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
  const QString folder = configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                              : QString::fromLocal8Bit(configured);
  ASSERT_TRUE(QDir().mkpath(folder));
  CMainFrame frame;
  frame.resize(1200, 800);
  frame.show();
  ProcessPostedMessages();
  ASSERT_EQ(frame.AddLayerFiles(AllSamples()), 3);
  PostMessage(&frame, WM_LAYER_SELECT, 0, 1);
  ProcessPostedMessages();
  QWidget* map = frame.ShapeWnd()->ViewWindow();
  ASSERT_NE(map, nullptr);
  IZamraViewExtras* extras = IZamraViewExtras::Of(frame.View());
  const auto pixel = [extras](double x, double y) {
    int px = 0, py = 0;
    extras->GeoToView(x, y, px, py);
    return QPoint(px, py);
  };

  // A flight from New York to London by way of Reykjavik, ended with a double click.
  frame.Action(ID_MEASURE)->trigger();
  frame.ZoomToExtent(-80.0, 30.0, 5.0, 66.0);
  ProcessPostedMessages();
  QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, pixel(-73.8, 40.6));
  QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, pixel(-21.9, 64.1));
  QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, pixel(-0.5, 51.6));
  QTest::mouseDClick(map, Qt::LeftButton, Qt::NoModifier, pixel(-0.5, 51.6));
  QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, pixel(-0.5, 51.6));
  ProcessPostedMessages();
  EXPECT_TRUE(frame.grab().save(folder + QStringLiteral("/measure_line_%1.png").arg(suffix)));

  // A shape round Iceland, closed on its first point, with the pointer still over the map.
  const QPoint corners[] = {pixel(-25, 63), pixel(-13, 63), pixel(-13, 67), pixel(-25, 67), pixel(-25, 63)};
  for (const QPoint& corner : corners)
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, corner);
  ProcessPostedMessages();
  EXPECT_TRUE(frame.grab().save(folder + QStringLiteral("/measure_area_%1.png").arg(suffix)));
  frame.Action(ID_MEASURE)->trigger();

  // Find: typed, listed, the first match chosen and outlined.
  frame.FindBox()->Edit()->setText(QStringLiteral("an"));
  frame.FindBox()->SearchNow();
  for (int i = 0; i < 2000 && frame.FindBox()->IsSearching(); ++i)
    QTest::qWait(5);
  frame.FindBox()->Choose(2);
  ProcessPostedMessages();
  EXPECT_TRUE(frame.grab().save(folder + QStringLiteral("/find_%1.png").arg(suffix)));
}

}  // namespace

TEST(ExploreToolsScreenshots, English) { SavePictures(kEnglish, "en"); }
TEST(ExploreToolsScreenshots, Japanese) { SavePictures(kJapanese, "ja"); }
TEST(ExploreToolsScreenshots, Chinese) { SavePictures(kChinese, "zh"); }

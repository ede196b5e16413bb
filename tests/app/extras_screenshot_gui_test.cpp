// Pictures of the added windows in Chinese and Japanese, for a person to look at: the map with its scale bar,
// pointer and scale panes and an outlined country; the table sorted and filtered; the text
// encoding dialog with its preview.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "data_wnd.h"
#include "encoding_dialog.h"
#include "info_dialog.h"
#include "layer_table_model.h"
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

// Saves the three pictures with `suffix` ("zh", "ja") in their names.
void SaveExtrasPictures(int language, const char* suffix)
{
  AppEnvironment environment;
  ASSERT_TRUE(CResourceTable::SelectLanguage(language));
  RegisterProgramBitmaps();
  const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
  const QString folder = configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                              : QString::fromLocal8Bit(configured);
  ASSERT_TRUE(QDir().mkpath(folder));
  {
    CMainFrame frame;
    frame.resize(1100, 750);
    frame.show();
    ProcessPostedMessages();
    ASSERT_EQ(frame.AddLayerFiles(AllSamples()), 3);
    PostMessage(&frame, WM_LAYER_SELECT, 0, 1);
    ProcessPostedMessages();
    frame.View()->SetScale(40000000);
    frame.View()->SetCenter(105, 35);
    frame.View()->Refresh();
    ProcessPostedMessages();
    // The pointer over the map, and China identified.
    QWidget* map = frame.ShapeWnd()->ViewWindow();
    ASSERT_NE(map, nullptr);
    QMouseEvent move(QEvent::MouseMove, QPointF(map->width() / 2 + 40, map->height() / 2 - 30),
                     map->mapToGlobal(QPointF(map->width() / 2 + 40, map->height() / 2 - 30)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(map, &move);
    QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, QPoint(map->width() / 2, map->height() / 2));
    ProcessPostedMessages();
    EXPECT_GE(IZamraViewExtras::Of(frame.View())->GetHighlightRecord(), 0);
    EXPECT_FALSE(frame.PointerPane()->text().isEmpty());
    EXPECT_TRUE(frame.grab().save(
        QDir(folder).filePath(QStringLiteral("map_scale_bar_highlight_%1.png").arg(QLatin1String(suffix)))));

    frame.Action(ID_SHOW_PROPERTIES)->trigger();
    ProcessPostedMessages();
    CDataWnd* table = frame.DataWnd();
    table->SetFilterText(QStringLiteral("an"));
    table->SortByColumn(0, true);
    for (int i = 0; i < 3000 && table->IsOrdering(); ++i)
      QTest::qWait(5);
    ASSERT_FALSE(table->IsOrdering());
    EXPECT_GT(table->Model()->rowCount(), 0);
    EXPECT_TRUE(frame.grab().save(
        QDir(folder).filePath(QStringLiteral("properties_sorted_filtered_%1.png").arg(QLatin1String(suffix)))));

    ILayer* countries = frame.View()->GetLayerByIndex(0);
    CEncodingDialog dialog(countries, 0, 65001, &frame);
    dialog.show();
    ProcessPostedMessages();
    EXPECT_TRUE(
        dialog.grab().save(QDir(folder).filePath(QStringLiteral("encoding_dialog_%1.png").arg(QLatin1String(suffix)))));
    frame.InfoDialog()->hide();
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}

}  // namespace

TEST(ExtrasScreenshots, MapTableAndEncodingDialogInChinese) { SaveExtrasPictures(kChinese, "zh"); }

TEST(ExtrasScreenshots, MapTableAndEncodingDialogInJapanese) { SaveExtrasPictures(kJapanese, "ja"); }

// Pictures of colours by value for a person to look at, in English and Japanese: the world's
// countries coloured by category and labelled in Japanese, a grid of provinces in classes of
// their population with the legend beside the map and in an exported picture's corner, and the
// Polygon Style dialog with its choices.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QSpinBox>

#include <gtest/gtest.h>

#include "image_export.h"
#include "legend_bar.h"
#include "program_bitmaps.h"
#include "resizable_bar.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "style_dialog.h"
#include "thematic_panel.h"
#include "platform/window_message.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::AppEnvironment;
using zamra_test::ProcessPostedMessages;
using zamra_test::Sample;
using zamra_test::Square;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

void SaveThematicPictures(int language, const char* suffix)
{
  AppEnvironment environment;
  ASSERT_TRUE(CResourceTable::SelectLanguage(language));
  RegisterProgramBitmaps();
  const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
  const QString folder = configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                              : QString::fromLocal8Bit(configured);
  ASSERT_TRUE(QDir().mkpath(folder));
  const auto save = [&](QWidget& widget, const char* name) {
    EXPECT_TRUE(widget.grab().save(QDir(folder).filePath(QStringLiteral("%1_%2.png").arg(name, suffix))));
  };
  // Provinces in a 6 x 4 grid with a population that grows to the east, one without a count.
  std::vector<TestShape> provinces;
  std::vector<std::vector<std::string>> rows;
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 6; ++column) {
      provinces.push_back(TestShape{{Square(100 + 4 * column, 20 + 4 * row, 3.6)}});
      const int index = row * 6 + column;
      rows.push_back({"P" + std::to_string(index),
                      index == 9 ? "" : std::to_string(1000 * (column + 1) * (column + 1) + 700 * row)});
    }
  const std::string base = environment.Dir().File("provinces");
  ASSERT_TRUE(
      WriteShapefile(base, SHPT_POLYGON, provinces, {{"NAME", FTString, 10, 0}, {"POP", FTInteger, 10, 0}}, rows));
  {
    CMainFrame frame;
    frame.resize(1100, 750);
    frame.show();
    ProcessPostedMessages();
    IZamraViewExtras* extras = IZamraViewExtras::Of(frame.View());
    frame.LegendDock()->toggleViewAction()->trigger();

    // The world by category, labelled in Japanese.
    ASSERT_EQ(frame.AddLayerFiles({Sample("world_countries.shp")}), 1);
    ProcessPostedMessages();
    ILayer* countries = frame.View()->GetLayerByIndex(0);
    ZMThematicStyle byName;
    ASSERT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kCategories, 0, 0, 0, "Set3", &byName), 1);
    ASSERT_EQ(extras->SetLayerThematicStyle(countries, &byName), 1);
    ASSERT_EQ(extras->SetLayerLabelColumn(countries, 2), 1);
    frame.View()->SetScale(40000000);
    frame.View()->SetCenter(110, 35);
    frame.View()->Refresh();
    frame.updateMenus();
    ProcessPostedMessages();
    save(frame, "thematic_categories");

    // Provinces in classes, the style dialog open on them.
    PostMessage(&frame, WM_LAYER_VISIBLE, 0, 0);
    ASSERT_EQ(frame.AddLayerFiles({QString::fromStdString(base + ".shp")}), 1);
    PostMessage(&frame, WM_LAYER_SELECT, 1, 1);
    ProcessPostedMessages();
    ILayer* layer = frame.View()->GetLayerByIndex(1);
    CStyleDialog dialog(CStyleDialog::kPolygonStyle, &frame);
    dialog.SetStyle(ReadLayerStyle(*layer));
    dialog.AddLayerChoices(frame.View(), layer, [&frame] {
      frame.View()->Refresh();
      frame.Legend()->Refresh();
    });
    CThematicPanel* choices = dialog.LayerChoices();
    choices->ModeBox()->setCurrentIndex(choices->ModeBox()->findData(ZMThematicStyle::kClasses));
    choices->MethodBox()->setCurrentIndex(choices->MethodBox()->findData(ZMThematicStyle::kNaturalBreaks));
    frame.View()->SetScale(20000000);
    frame.View()->SetCenter(112, 28);
    frame.View()->Refresh();
    dialog.show();
    ProcessPostedMessages();
    save(dialog, "thematic_style_dialog");
    dialog.hide();
    frame.updateMenus();
    ProcessPostedMessages();
    save(frame, "thematic_classes_legend");
    // The exported picture with the legend in its corner.
    EXPECT_TRUE(ExportMapImage(*frame.View(), frame.ShapeWnd()->width(), frame.ShapeWnd()->height(),
                               QDir(folder).filePath(QStringLiteral("thematic_export_legend_%1.png").arg(suffix)),
                               ImageFormat::Png, true));
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}

}  // namespace

TEST(ThematicScreenshots, InEnglish) { SaveThematicPictures(kEnglish, "en"); }

TEST(ThematicScreenshots, InJapanese) { SaveThematicPictures(kJapanese, "ja"); }

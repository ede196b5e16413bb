// Labels from any column, colours by value and the legend through the program's own windows: the
// Layer Style dialog's choices apply to the map at once, the legend lists each visible layer and
// its colours in drawing order and follows the changes, and Export Image can put it in a corner.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QComboBox>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "api/base/bitmap.h"
#include "image_export.h"
#include "legend_bar.h"
#include "resizable_bar.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "style_dialog.h"
#include "thematic_panel.h"
#include "platform/gdi.h"
#include "platform/window_message.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;
using zamra_test::Square;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr int kName = 0, kNameJa = 1, kPopulation = 2;

class ThematicLegend : public zamra_test::FrameTest {
protected:
  ThematicLegend() : FrameTest(QSize(900, 700)) {}

  std::string Base(const char* name) const { return m_environment.Dir().File(name); }

  // Three countries side by side, named in two languages, with their population.
  void AddCountries()
  {
    const std::vector<TestColumn> columns{
        {"NAME", FTString, 20, 0}, {"NAME_JA", FTString, 30, 0}, {"POP", FTInteger, 10, 0}};
    ASSERT_TRUE(WriteShapefile(
        Base("countries"), SHPT_POLYGON,
        {TestShape{{Square(0, 0, 8)}}, TestShape{{Square(10, 0, 8)}}, TestShape{{Square(20, 0, 8)}}}, columns,
        {{"Chile", "チリ", "19000000"}, {"Peru", "ペルー", "33000000"}, {"Bolivia", "ボリビア", "12000000"}}));
    ASSERT_TRUE(WriteShapefile(Base("rivers"), SHPT_ARC, {TestShape{{{{0, 10}, {28, 10}}}}}));
    ASSERT_EQ(m_frame->AddLayerFiles(
                  {QString::fromStdString(Base("countries.shp")), QString::fromStdString(Base("rivers.shp"))}),
              2);
    ProcessPostedMessages();  // the first layers' zoom to their extent
    m_countries = View()->GetLayerByIndex(0);
    ASSERT_NE(m_countries, nullptr);
    m_countries->SetLabelVisible(0);
    View()->SetCenter(14, 4);
    View()->SetScale(40000000);
    View()->Refresh();
  }

  IZamraViewExtras* Extras() const { return IZamraViewExtras::Of(View()); }

  // The map as Draw gives it (the window's picture), at the geographic point.
  COLORREF MapPixel(double x, double y)
  {
    int width = 0, height = 0;
    View()->GetView(width, height);
    HDC dc = ZMBitmap::CreateMemDc(width, height);
    View()->Draw(dc, 0, 0, width, height);
    int px = 0, py = 0;
    Extras()->GeoToView(x, y, px, py);
    const COLORREF colour = GetPixel(dc, px, py);
    DeleteDC(dc);
    return colour;
  }

  ILayer* m_countries = nullptr;
};

}  // namespace

TEST_F(ThematicLegend, TheStyleDialogsChoicesApplyAtOnceAndTheLegendFollows)
{
  AddCountries();
  CLegendBar* legend = m_frame->Legend();
  ASSERT_NE(legend, nullptr);
  // Shown from the View menu, below the layer bar.
  QAction* toggle = m_frame->LegendDock()->toggleViewAction();
  EXPECT_FALSE(m_frame->LegendDock()->isVisible());
  toggle->trigger();
  EXPECT_TRUE(m_frame->LegendDock()->isVisible());
  EXPECT_EQ(m_frame->dockWidgetArea(m_frame->LegendDock()), m_frame->dockWidgetArea(m_frame->LayerDock()));
  EXPECT_EQ(legend->RowTexts(), (QStringList{"countries.shp", "rivers.shp"}));

  Select(0);
  CStyleDialog dialog(CStyleDialog::kPolygonStyle, m_frame.get());
  int changes = 0;
  dialog.AddLayerChoices(View(), m_countries, [&changes, this] {
    ++changes;
    View()->Refresh();
    m_frame->Legend()->Refresh();
  });
  CThematicPanel* choices = dialog.LayerChoices();
  ASSERT_NE(choices, nullptr);

  // Label: None and every column, the first text column chosen.
  QComboBox* label = choices->LabelColumnBox();
  ASSERT_EQ(label->count(), 4);
  EXPECT_EQ(label->itemText(0), QStringLiteral("None"));
  EXPECT_EQ(label->currentText(), QStringLiteral("NAME"));
  label->setCurrentIndex(2);
  emit label->activated(2);
  EXPECT_EQ(Extras()->GetLayerLabelColumn(m_countries), kNameJa);

  // Categories of the names: one entry each, colours of the palette, on the map at once.
  choices->ModeBox()->setCurrentIndex(choices->ModeBox()->findData(ZMThematicStyle::kCategories));
  ASSERT_EQ(choices->Style().mode, ZMThematicStyle::kCategories);
  ASSERT_EQ(choices->EntryList()->topLevelItemCount(), 3);
  EXPECT_EQ(choices->EntryList()->topLevelItem(0)->text(0), QStringLiteral("Bolivia"));
  const COLORREF bolivia = choices->Style().entries[0].color;
  EXPECT_EQ(MapPixel(24, 4), bolivia);
  EXPECT_EQ(legend->RowTexts(), (QStringList{"countries.shp", "NAME", "Bolivia", "Chile", "Peru", "rivers.shp"}));

  // A colour changed in the list.
  choices->SetEntryColor(1, RGB(10, 200, 30));  // Chile
  EXPECT_EQ(MapPixel(4, 4), RGB(10, 200, 30));

  // Classes of the population: only numeric columns to choose from.
  choices->ModeBox()->setCurrentIndex(choices->ModeBox()->findData(ZMThematicStyle::kClasses));
  ASSERT_EQ(choices->ColumnBox()->count(), 1);
  EXPECT_EQ(choices->ColumnBox()->currentData().toInt(), kPopulation);
  choices->ClassCountBox()->setValue(3);
  choices->MethodBox()->setCurrentIndex(choices->MethodBox()->findData(ZMThematicStyle::kQuantiles));
  ASSERT_EQ(choices->Style().mode, ZMThematicStyle::kClasses);
  ASSERT_EQ(choices->Style().entries.size(), 3u);
  EXPECT_EQ(choices->Style().method, ZMThematicStyle::kQuantiles);
  const QStringList rows = legend->RowTexts();
  ASSERT_EQ(rows.size(), 6);
  EXPECT_EQ(rows[1], QStringLiteral("POP"));
  EXPECT_EQ(rows[2], CThematicPanel::RangeText(12000000, 12000000));
  EXPECT_EQ(MapPixel(14, 4), choices->Style().entries[2].color);  // Peru, the most populous

  // Back to one colour.
  choices->ModeBox()->setCurrentIndex(0);
  EXPECT_EQ(MapPixel(14, 4), m_countries->GetBkColor());
  EXPECT_GT(changes, 4);

  // The legend follows visibility and order.
  ZMThematicStyle style;
  ASSERT_EQ(Extras()->MakeThematicStyle(m_countries, ZMThematicStyle::kCategories, kName, 0, 0, "Set2", &style), 1);
  ASSERT_EQ(Extras()->SetLayerThematicStyle(m_countries, &style), 1);
  Post(WM_LAYER_VISIBLE, 1, 0);  // rivers hidden
  EXPECT_EQ(legend->RowTexts(), (QStringList{"countries.shp", "NAME", "Bolivia", "Chile", "Peru"}));
  Post(WM_LAYER_VISIBLE, 1, 1);
  Select(1);
  m_frame->Action(ID_MOVE_UP)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(legend->RowTexts().first(), QStringLiteral("rivers.shp"));
}

TEST_F(ThematicLegend, ExportedPicturesCarryTheLegendInTheirCornerWhenAsked)
{
  AddCountries();
  ZMThematicStyle style;
  ASSERT_EQ(Extras()->MakeThematicStyle(m_countries, ZMThematicStyle::kCategories, kName, 0, 0, "Set1", &style), 1);
  style.entries[2].color = RGB(250, 5, 250);  // Peru, a colour nothing else has
  ASSERT_EQ(Extras()->SetLayerThematicStyle(m_countries, &style), 1);

  const QString plainPath = QString::fromStdString(Base("plain.png"));
  const QString legendPath = QString::fromStdString(Base("legend.png"));
  ASSERT_TRUE(ExportMapImage(*View(), 600, 400, plainPath, ImageFormat::Png, false));
  ASSERT_TRUE(ExportMapImage(*View(), 600, 400, legendPath, ImageFormat::Png, true));
  const QImage plain(plainPath), withLegend(legendPath);
  ASSERT_EQ(plain.size(), withLegend.size());
  // The pictures differ only in the lower right corner, where the legend shows Peru's colour.
  QRect changed;
  int legendPeru = 0;
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x)
      if (plain.pixel(x, y) != withLegend.pixel(x, y)) {
        changed |= QRect(x, y, 1, 1);
        legendPeru += withLegend.pixel(x, y) == qRgb(250, 5, 250) ? 1 : 0;
      }
  ASSERT_FALSE(changed.isEmpty());
  EXPECT_GT(changed.left(), 300);
  EXPECT_GT(changed.top(), 200);
  EXPECT_LT(changed.right(), 600 - 4);  // a margin to the edges
  EXPECT_LT(changed.bottom(), 400 - 4);
  EXPECT_GT(legendPeru, 100);  // its swatch
}

TEST_F(ThematicLegend, TheChoicesSpeakTheChosenLanguage)
{
  AddCountries();
  for (const auto& [language, label, colourBy, legendTitle] :
       {std::tuple{kJapanese, "ラベル", "色分け", "凡例"}, {kChinese, "标注", "着色方式", "图例"}}) {
    ASSERT_TRUE(CResourceTable::SelectLanguage(language));
    CStyleDialog dialog(CStyleDialog::kPolygonStyle);
    dialog.AddLayerChoices(View(), m_countries, [] {});
    QStringList texts;
    for (QLabel* text : dialog.findChildren<QLabel*>())
      texts << text->text();
    EXPECT_TRUE(texts.contains(QString::fromUtf8(label))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QString::fromUtf8(colourBy)));
    EXPECT_EQ(CResourceTable::Current().Text(QStringLiteral("legend_title")), QString::fromUtf8(legendTitle));
  }
  ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
}

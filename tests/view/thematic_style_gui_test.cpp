// Labels from a chosen column and colours by value: the colour of a feature's category or class
// shows where the feature is, the table's values stay as they were, and a workspace keeps both.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "api/base/bitmap.h"
#include "api/formats/data_view.h"
#include "platform/gdi.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "view/thematic_style.h"

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr int kName = 0, kNameJa = 1, kPopulation = 2;

// A picture of the view as Draw gives it.
class Drawn {
public:
  explicit Drawn(IZamraView& view) : m_dc(ZMBitmap::CreateMemDc(kWidth, kHeight))
  {
    view.Refresh();
    view.Draw(m_dc, 0, 0, kWidth, kHeight);
  }
  ~Drawn() { DeleteDC(m_dc); }
  Drawn(const Drawn&) = delete;
  Drawn& operator=(const Drawn&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }
  int Count(COLORREF color) const
  {
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        count += At(x, y) == color ? 1 : 0;
    return count;
  }

private:
  HDC m_dc;
};

class ThematicStyle : public ::testing::Test {
protected:
  void SetUp() override
  {
    // Four countries side by side, names in two languages, one population unknown.
    const std::vector<TestColumn> columns{
        {"NAME", FTString, 20, 0}, {"NAME_JA", FTString, 30, 0}, {"POP", FTInteger, 10, 0}};
    ASSERT_TRUE(WriteShapefile(m_dir.File("countries"), SHPT_POLYGON,
                               {TestShape{{Square(0, 0, 8)}}, TestShape{{Square(10, 0, 8)}},
                                TestShape{{Square(20, 0, 8)}}, TestShape{{Square(30, 0, 8)}}},
                               columns,
                               {{"Chile", "チリ", "19000000"},
                                {"Peru", "ペルー", "33000000"},
                                {"Chile", "チリ", "1000"},
                                {"Bolivia", "ボリビア", ""}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("roads"), SHPT_ARC,
                               {TestShape{{{{0, 12}, {38, 12}}}}, TestShape{{{{0, 14}, {38, 14}}}}},
                               {{"KIND", FTString, 10, 0}}, {{"main"}, {"side"}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("towns"), SHPT_POINT, {TestShape{{{{4, 17}}}}, TestShape{{{{24, 17}}}}},
                               {{"SIZE", FTDouble, 12, 2}}, {{"5.5"}, {"70.25"}}));
    m_host.resize(kWidth, kHeight);
  }

  std::unique_ptr<IZamraView> NewView()
  {
    std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
    EXPECT_EQ(view->Create(nullptr, 0x10000000UL, 0, 0, 0, kWidth, kHeight, &m_host, 2001), 1);
    return view;
  }

  // Centred on the countries, at a scale that shows all of them.
  static void Frame(IZamraView& view)
  {
    view.SetCenter(19, 8);
    view.SetScale(45000000);
  }

  static void Pixel(IZamraViewExtras& extras, double x, double y, int& px, int& py) { extras.GeoToView(x, y, px, py); }

  TempDir m_dir;
  QWidget m_host;
};

std::string Cell(ILayer* layer, int row, int column)
{
  char text[ZMDataView::kTextSize] = "";
  layer->GetDataView()->GetItemValue(row, column, text);
  return text;
}

}  // namespace

TEST_F(ThematicStyle, CategoriesColourEachFeatureByItsValue)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ILayer* countries = view->AddLayer(m_dir.File("countries.shp").c_str());
  ASSERT_NE(countries, nullptr);
  countries->SetLabelVisible(0);
  Frame(*view);

  ZMThematicStyle style;
  ASSERT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kCategories, kName, 0, 0, "Set1", &style), 1);
  // One entry per distinct name, in the order of sorting, colours from the palette.
  ASSERT_EQ(style.entries.size(), 3u);
  EXPECT_EQ(style.entries[0].value, "Bolivia");
  EXPECT_EQ(style.entries[1].value, "Chile");
  EXPECT_EQ(style.entries[2].value, "Peru");
  EXPECT_EQ(style.entries[0].color, zamra::thematic::PaletteColor("Set1", 0));
  EXPECT_FALSE(style.hasOther);
  EXPECT_FALSE(style.hasNull);
  style.entries[2].color = RGB(1, 2, 250);  // edited
  ASSERT_EQ(extras->SetLayerThematicStyle(countries, &style), 1);

  Drawn picture(*view);
  int px = 0, py = 0;
  for (const auto& [x, entry] : {std::pair{4.0, 1}, {14.0, 2}, {24.0, 1}, {34.0, 0}}) {
    Pixel(*extras, x, 4, px, py);
    EXPECT_EQ(picture.At(px, py), style.entries[static_cast<size_t>(entry)].color) << x;
  }
  // The table is as it was.
  EXPECT_EQ(Cell(countries, 1, kName), "Peru");

  // Back to one colour: the layer's own fill.
  ZMThematicStyle single;
  ASSERT_EQ(extras->SetLayerThematicStyle(countries, &single), 1);
  Drawn plain(*view);
  Pixel(*extras, 14, 4, px, py);
  EXPECT_EQ(plain.At(px, py), countries->GetBkColor());
  ZMThematicStyle read;
  ASSERT_EQ(extras->GetLayerThematicStyle(countries, &read), 1);
  EXPECT_EQ(read.mode, ZMThematicStyle::kSingle);
}

TEST_F(ThematicStyle, ClassesOfANumberGiveBlankCellsTheirOwnColour)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ILayer* countries = view->AddLayer(m_dir.File("countries.shp").c_str());
  ASSERT_NE(countries, nullptr);
  countries->SetLabelVisible(0);
  Frame(*view);

  ZMThematicStyle style;
  ASSERT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kClasses, kPopulation, 3,
                                      ZMThematicStyle::kEqualInterval, "Blues", &style),
            1);
  ASSERT_EQ(style.entries.size(), 3u);
  EXPECT_EQ(style.entries[0].lower, 1000);
  EXPECT_EQ(style.entries[2].upper, 33000000);
  EXPECT_TRUE(style.hasNull);
  style.nullColor = RGB(250, 0, 250);
  ASSERT_EQ(extras->SetLayerThematicStyle(countries, &style), 1);
  const std::vector<COLORREF> blues = zamra::thematic::RampColors("Blues", 3);

  Drawn picture(*view);
  int px = 0, py = 0;
  for (const auto& [x, colour] :
       {std::pair{4.0, blues[1]}, {14.0, blues[2]}, {24.0, blues[0]}, {34.0, RGB(250, 0, 250)}}) {
    Pixel(*extras, x, 4, px, py);
    EXPECT_EQ(picture.At(px, py), colour) << x;
  }

  // What the view refuses: classes of a text column, a column it lacks, a count outside 3 .. 9,
  // an unknown ramp, bounds that fall, more than 64 entries.
  ZMThematicStyle refused;
  EXPECT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kClasses, kName, 3, 0, "Blues", &refused), 0);
  EXPECT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kClasses, 9, 3, 0, "Blues", &refused), 0);
  EXPECT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kClasses, kPopulation, 10, 0, "Blues", &refused), 0);
  EXPECT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kClasses, kPopulation, 3, 0, "Nope", &refused), 0);
  EXPECT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kCategories, kName, 0, 0, "Nope", &refused), 0);
  EXPECT_EQ(extras->MakeThematicStyle(nullptr, ZMThematicStyle::kCategories, kName, 0, 0, "Set1", &refused), 0);
  ZMThematicStyle falling = style;
  std::swap(falling.entries[0], falling.entries[2]);
  EXPECT_EQ(extras->SetLayerThematicStyle(countries, &falling), 0);
  ZMThematicStyle tooMany = style;
  tooMany.mode = ZMThematicStyle::kCategories;
  tooMany.entries.assign(65, ZMThematicEntry{"x", 0, 0, 0});
  EXPECT_EQ(extras->SetLayerThematicStyle(countries, &tooMany), 0);
  ZMThematicStyle noColumn = style;
  noColumn.column = 3;
  EXPECT_EQ(extras->SetLayerThematicStyle(countries, &noColumn), 0);
  EXPECT_EQ(extras->SetLayerThematicStyle(countries, nullptr), 0);
  // The style taken before stays.
  ZMThematicStyle kept;
  ASSERT_EQ(extras->GetLayerThematicStyle(countries, &kept), 1);
  EXPECT_EQ(kept, style);
}

TEST_F(ThematicStyle, LinesAndPointsTakeTheirClassColour)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ILayer* roads = view->AddLayer(m_dir.File("roads.shp").c_str());
  ILayer* towns = view->AddLayer(m_dir.File("towns.shp").c_str());
  ASSERT_NE(roads, nullptr);
  ASSERT_NE(towns, nullptr);
  roads->SetLabelVisible(0);
  towns->SetLabelVisible(0);
  roads->SetLineWidth(3);
  Frame(*view);

  ZMThematicStyle kinds;
  ASSERT_EQ(extras->MakeThematicStyle(roads, ZMThematicStyle::kCategories, 0, 0, 0, "Dark2", &kinds), 1);
  ASSERT_EQ(extras->SetLayerThematicStyle(roads, &kinds), 1);
  ZMThematicStyle sizes;
  ASSERT_EQ(extras->MakeThematicStyle(towns, ZMThematicStyle::kClasses, 0, 3, ZMThematicStyle::kEqualInterval, "Reds",
                                      &sizes),
            1);
  ASSERT_EQ(extras->SetLayerThematicStyle(towns, &sizes), 1);

  Drawn picture(*view);
  int px = 0, py = 0;
  Pixel(*extras, 19, 12, px, py);
  EXPECT_EQ(picture.At(px, py), kinds.entries[0].color);  // "main"
  Pixel(*extras, 19, 14, px, py);
  EXPECT_EQ(picture.At(px, py), kinds.entries[1].color);  // "side"
  // Each town's marker in its class's colour, at its point.
  Pixel(*extras, 4, 17, px, py);
  EXPECT_EQ(picture.At(px, py), sizes.entries[0].color);
  Pixel(*extras, 24, 17, px, py);
  EXPECT_EQ(picture.At(px, py), sizes.entries[2].color);
}

TEST_F(ThematicStyle, LabelsComeFromTheChosenColumnOrNone)
{
  auto view = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ILayer* countries = view->AddLayer(m_dir.File("countries.shp").c_str());
  ASSERT_NE(countries, nullptr);
  countries->SetLabelFont(RGB(200, 0, 0), "", 16);
  Frame(*view);
  EXPECT_EQ(extras->GetLayerLabelColumn(countries), kName);  // the first text column
  const int latin = Drawn(*view).Count(RGB(200, 0, 0));
  EXPECT_GT(latin, 0);

  ASSERT_EQ(extras->SetLayerLabelColumn(countries, kNameJa), 1);
  EXPECT_EQ(extras->GetLayerLabelColumn(countries), kNameJa);
  const int japanese = Drawn(*view).Count(RGB(200, 0, 0));
  EXPECT_GT(japanese, 0);
  EXPECT_NE(japanese, latin);  // other texts, other pixels

  ASSERT_EQ(extras->SetLayerLabelColumn(countries, -1), 1);
  EXPECT_EQ(Drawn(*view).Count(RGB(200, 0, 0)), 0);

  EXPECT_EQ(extras->SetLayerLabelColumn(countries, 3), 0);
  EXPECT_EQ(extras->SetLayerLabelColumn(countries, -2), 0);
  EXPECT_EQ(extras->SetLayerLabelColumn(nullptr, 0), 0);
  EXPECT_EQ(extras->GetLayerLabelColumn(countries), -1);
}

TEST_F(ThematicStyle, TheWorkspaceKeepsLabelColumnAndStyle)
{
  const std::string workspace = m_dir.File("map.xml");
  ZMThematicStyle style;
  {
    auto view = NewView();
    IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
    ILayer* countries = view->AddLayer(m_dir.File("countries.shp").c_str());
    ILayer* towns = view->AddLayer(m_dir.File("towns.shp").c_str());
    ASSERT_NE(countries, nullptr);
    ASSERT_NE(towns, nullptr);
    ASSERT_EQ(extras->SetLayerLabelColumn(countries, kNameJa), 1);
    ASSERT_EQ(extras->SetLayerLabelColumn(towns, -1), 1);
    ASSERT_EQ(extras->MakeThematicStyle(countries, ZMThematicStyle::kClasses, kPopulation, 3,
                                        ZMThematicStyle::kNaturalBreaks, "YlOrRd", &style),
              1);
    style.entries[1].color = RGB(12, 34, 56);
    style.entries[0].upper = 1234.5678901234;  // not a round number
    ASSERT_EQ(extras->SetLayerThematicStyle(countries, &style), 1);
    ASSERT_EQ(view->SaveXml(workspace.c_str()), 1);
  }
  auto fresh = NewView();
  IZamraViewExtras* extras = IZamraViewExtras::Of(fresh.get());
  ASSERT_EQ(fresh->LoadXml(workspace.c_str()), 1);
  ASSERT_EQ(fresh->GetLayerCount(), 2);
  ILayer* countries = fresh->GetLayerByIndex(0);
  ILayer* towns = fresh->GetLayerByIndex(1);
  EXPECT_EQ(extras->GetLayerLabelColumn(countries), kNameJa);
  EXPECT_EQ(extras->GetLayerLabelColumn(towns), -1);
  ZMThematicStyle read;
  ASSERT_EQ(extras->GetLayerThematicStyle(countries, &read), 1);
  EXPECT_EQ(read, style);
  ZMThematicStyle none;
  ASSERT_EQ(extras->GetLayerThematicStyle(towns, &none), 1);
  EXPECT_EQ(none.mode, ZMThematicStyle::kSingle);

  countries->SetLabelVisible(0);
  Frame(*fresh);
  Drawn picture(*fresh);
  int px = 0, py = 0;
  extras->GeoToView(14, 4, px, py);
  EXPECT_EQ(picture.At(px, py), style.entries[2].color);
}

// The Info, Layer Info and Goto dialogs with real widgets: what they show of a layer, in which
// order, and how Goto reads numbers whatever the user's locale.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>

#include "goto_dialog.h"
#include "info_dialog.h"
#include "layer_info_dialog.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"

using mapory::CGotoDialog;
using mapory::CInfoDialog;
using mapory::CLayerInfoDialog;
using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

class LayerDialogs : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mapory::CResourceTable::SelectLanguage(mapory::kEnglish));
    m_view.reset(IZamraView::GetInstance());
    ASSERT_EQ(m_view->Create(nullptr, 0, 0, 0, 0, 600, 400, &m_host, 2001), 1);
    const std::vector<TestColumn> columns = {{"A", FTInteger, 9, 0}, {"B", FTDouble, 12, 4}, {"C", FTString, 17, 0}};
    ASSERT_TRUE(WriteShapefile(m_dir.File("lands"), SHPT_POLYGON,
                               {TestShape{{Square(-10.5, -20.25, 5)}}, TestShape{{Square(30, 40, 2.123456)}}}, columns,
                               {{"1", "2.5", "first"}, {"7", "-3.25", "second"}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("roads"), SHPT_ARC, {TestShape{{{{0, 0}, {1, 1}}}}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("towns"), SHPT_POINT, {TestShape{{{{3, 4}}}}}));
    for (const char* name : {"lands.shp", "roads.shp", "towns.shp"})
      ASSERT_NE(m_view->AddLayer(m_dir.File(name).c_str()), nullptr);
  }

  static std::vector<std::string> Column(QTableWidget* list, int column)
  {
    std::vector<std::string> texts;
    for (int row = 0; row < list->rowCount(); ++row)
      texts.push_back(list->item(row, column)->text().toStdString());
    return texts;
  }

  TempDir m_dir;
  QWidget m_host;
  std::unique_ptr<IZamraView> m_view;
};

}  // namespace

TEST_F(LayerDialogs, InfoShowsTheColumnsLastFirstAndIsRefilledEachTime)
{
  CInfoDialog info;
  EXPECT_EQ(info.windowTitle(), "Info");
  info.Fill(m_view.get(), 0, 1);
  EXPECT_EQ(Column(info.List(), 0), (std::vector<std::string>{"C", "B", "A"}));
  const std::vector<std::string> values = Column(info.List(), 1);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0], "second");
  EXPECT_EQ(values[1].substr(0, 5), "-3.25");
  EXPECT_EQ(values[2], "7");
  EXPECT_EQ(info.List()->horizontalHeaderItem(0)->text(), "NAME");
  EXPECT_EQ(info.List()->columnWidth(1), 130);

  info.Fill(m_view.get(), 0, 0);
  EXPECT_EQ(Column(info.List(), 1)[0], "first") << "replaced, not appended";
  EXPECT_EQ(info.List()->rowCount(), 3);
  info.Fill(m_view.get(), 9, 0);
  EXPECT_EQ(info.List()->rowCount(), 0) << "a layer the view does not know empties the list";
}

TEST_F(LayerDialogs, LayerInfoForEachTypeInColumnOrder)
{
  CLayerInfoDialog lands(m_view->GetLayerByIndex(0));
  EXPECT_EQ(lands.windowTitle(), "Layer Info");
  EXPECT_EQ(lands.Field(1001)->text(), "lands.shp");
  EXPECT_EQ(lands.Field(1002)->text(), "POLYGON");
  EXPECT_EQ(lands.Field(1003)->text(), "2");
  EXPECT_EQ(lands.Field(1004)->text(), "-10.5000");
  EXPECT_EQ(lands.Field(1005)->text(), "-20.2500");
  EXPECT_EQ(lands.Field(1007)->text(), "32.1235");
  EXPECT_EQ(lands.Field(1006)->text(), "42.1235");
  EXPECT_TRUE(lands.Field(1001)->isReadOnly());
  EXPECT_EQ(Column(lands.Columns(), 0), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Column(lands.Columns(), 1), (std::vector<std::string>{"int", "float", "char(17)"}));

  EXPECT_EQ(CLayerInfoDialog(m_view->GetLayerByIndex(1)).Field(1002)->text(), "POLYLINE");
  EXPECT_EQ(CLayerInfoDialog(m_view->GetLayerByIndex(2)).Field(1002)->text(), "POINT");
  EXPECT_EQ(CLayerInfoDialog::TypeText(ZM_VAR_DATETIME, 8), "unknow");

  CLayerInfoDialog none(nullptr);
  EXPECT_EQ(none.Columns()->rowCount(), 0);
  EXPECT_EQ(none.Columns()->horizontalHeaderItem(1)->text(), "TYPE");
  EXPECT_TRUE(none.Field(1001)->text().isEmpty());
}

// A user with a decimal comma types coordinates with a point, as the map shows them.
TEST_F(LayerDialogs, GotoReadsTheLeadingNumberWithAPointUnderAnyLocale)
{
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "no de_DE.UTF-8 locale";
  CGotoDialog dialog;
  EXPECT_EQ(dialog.X(), 0.0);
  dialog.findChild<QLineEdit*>("1019")->setText("12.5xy");
  dialog.findChild<QLineEdit*>("1020")->setText("");
  dialog.accept();
  EXPECT_EQ(dialog.X(), 12.5);
  EXPECT_EQ(dialog.Y(), 0.0);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(CGotoDialog::LeadingNumber("-73,25"), -73.0) << "a comma ends the number";
  EXPECT_EQ(CGotoDialog::LeadingNumber("north"), 0.0);
  EXPECT_EQ(CGotoDialog::LeadingNumber(QString(28, '1') + "9"), 1111111111111111111111111111.0)
      << "28 characters are read";
  std::setlocale(LC_ALL, previous.c_str());
}

// The find box through the real frame: Ctrl+F goes to it, typing searches the selected layer's
// text and number columns beside the window, the panel lists the matches (record, column, value),
// and choosing one fits the map to that record and outlines it. A search of a million rows leaves
// the event loop running, and a layer deleted during a search takes the search with it.
// SPDX-License-Identifier: MIT
#include "find_box.h"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QTreeWidget>

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "find_job.h"
#include "main_frame.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "shape_wnd.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;
using zamra_test::TestShape;

namespace {

const QRgb kHighlight = qRgb(255, 0, 255);

class FindBox : public zamra_test::FrameTest {
protected:
  void SetUp() override
  {
    FrameTest::SetUp();
    m_box = m_frame->FindBox();
    ASSERT_NE(m_box, nullptr);
  }
  void WaitForSearch()
  {
    for (int i = 0; i < 6000 && m_box->IsSearching(); ++i)
      QTest::qWait(5);
    ASSERT_FALSE(m_box->IsSearching());
  }
  // The rows of the list: record, column, value.
  QList<QStringList> Matches() const
  {
    QList<QStringList> rows;
    QTreeWidget* list = m_box->List();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = list->topLevelItem(i);
      rows << QStringList{item->text(0), item->text(1), item->text(2)};
    }
    return rows;
  }
  int Count(const QImage& picture, QRgb colour) const
  {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        count += picture.pixel(x, y) == colour ? 1 : 0;
    return count;
  }

  CFindBox* m_box = nullptr;
};

}  // namespace

TEST_F(FindBox, TypingListsMatchesAndChoosingOneZoomsToItAndOutlinesIt)
{
  ASSERT_EQ(m_frame->AddLayerFiles(zamra_test::AllSamples()), 3);
  Select(0);  // the countries
  EXPECT_TRUE(m_frame->ToolBar()->findChildren<QLineEdit*>().contains(m_box->Edit()));

  QApplication::setActiveWindow(m_frame.get());
  m_frame->ShapeWnd()->ViewWindow()->setFocus();
  QTest::keyClick(m_frame.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(m_box->Edit()->hasFocus());

  QTest::keyClicks(m_box->Edit(), QStringLiteral("chil"));
  EXPECT_TRUE(m_box->IsSearching()) << "typing does not wait for the search";
  WaitForSearch();
  EXPECT_TRUE(m_box->Dock()->isVisible());
  const QList<QStringList> matches = Matches();
  ASSERT_FALSE(matches.isEmpty());
  int chile = -1;
  for (int i = 0; i < matches.size(); ++i)
    if (matches[i][1] == "name" && matches[i][2] == "Chile")
      chile = i;
  ASSERT_GE(chile, 0);
  EXPECT_EQ(m_box->StatusLabel()->text(), QStringLiteral("%1 matches").arg(matches.size()));
  const int record = matches[chile][0].toInt() - 1;  // the list counts records from 1, as the table does

  // The Japanese name finds the same record in its own column.
  m_box->Edit()->setText(QString::fromUtf8("チリ"));
  WaitForSearch();
  ASSERT_EQ(Matches().size(), 1);
  EXPECT_EQ(Matches()[0], QStringList({QString::number(record + 1), "name_ja", QString::fromUtf8("チリ")}));

  // A click on the match fits the map to the record and outlines it.
  View()->SetScale(200000000);
  View()->SetCenter(100, 40);
  ProcessPostedMessages();
  QTreeWidget* list = m_box->List();
  const QRect row = list->visualItemRect(list->topLevelItem(0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  ProcessPostedMessages();
  IZamraViewExtras* extras = IZamraViewExtras::Of(View());
  EXPECT_EQ(extras->GetHighlightLayer(), View()->GetLayerByIndex(0));
  EXPECT_EQ(extras->GetHighlightRecord(), record);
  double minX = 0, minY = 0, maxX = 0, maxY = 0, x = 0, y = 0;
  View()->GetLayerByIndex(0)->GetShapeRect(record, &minX, &minY, &maxX, &maxY);
  View()->GetCenter(x, y);
  EXPECT_NEAR(x, (minX + maxX) / 2, 1e-9);
  EXPECT_NEAR(y, (minY + maxY) / 2, 1e-9);
  EXPECT_GT(Count(m_frame->ShapeWnd()->grab().toImage().convertToFormat(QImage::Format_RGB32), kHighlight), 50);

  // Nothing found says so; Escape empties the box.
  m_box->Edit()->setText(QStringLiteral("no such place"));
  WaitForSearch();
  EXPECT_TRUE(Matches().isEmpty());
  EXPECT_EQ(m_box->StatusLabel()->text(), "No match");
  QTest::keyClick(m_box->Edit(), Qt::Key_Escape);
  EXPECT_TRUE(m_box->Edit()->text().isEmpty());
}

TEST_F(FindBox, NumbersAreFoundAsShownAndAnotherLayerIsSearchedWhenSelected)
{
  zamra_test::TempDir data;
  std::vector<TestShape> shapes;
  for (int i = 0; i < 4; ++i)
    shapes.push_back(TestShape{{{{10.0 * i, 5.0}}}});
  ASSERT_TRUE(zamra_test::WriteShapefile(
      data.File("towns"), SHPT_POINT, shapes,
      {{"name", FTString, 20, 0}, {"pop", FTInteger, 9, 0}, {"area", FTDouble, 10, 2}},
      {{"Alpha", "1200", "3.5"}, {"Bravo", "120", "12.25"}, {"Charlie", "77", "1.2"}, {"Delta", "5", "0.75"}}));
  ASSERT_EQ(m_frame->AddLayerFiles({QString::fromStdString(data.File("towns.shp"))}), 1);

  // Without a selected layer the panel says what to do.
  Post(WM_LAYER_SELECT, 0, 0);
  m_box->Edit()->setText(QStringLiteral("12"));
  m_box->SearchNow();
  EXPECT_EQ(m_box->StatusLabel()->text(), "Select a layer to search its table.");
  EXPECT_TRUE(Matches().isEmpty());

  // Selecting the layer searches it: numbers as the table shows them, record by record.
  Select(0);
  WaitForSearch();
  EXPECT_EQ(Matches(), QList<QStringList>({{"1", "pop", "1200"}, {"2", "pop", "120"}, {"2", "area", "12.250000"}}));

  // Enter chooses the first match.
  QTest::keyClick(m_box->Edit(), Qt::Key_Return);
  ProcessPostedMessages();
  EXPECT_EQ(IZamraViewExtras::Of(View())->GetHighlightRecord(), 0);

  // Work cancelled before it ends finds nothing more.
  std::atomic<bool> cancel{true};
  int found = 0;
  EXPECT_FALSE(CFindJob::Compute(
      *View()->GetLayerByIndex(0)->GetDataView(), "a", 10, [&found](FindMatch&&) { ++found; }, &cancel, nullptr,
      nullptr));
  EXPECT_EQ(found, 0);
  // The limit stops the search and says so.
  bool reachedLimit = false;
  EXPECT_TRUE(CFindJob::Compute(
      *View()->GetLayerByIndex(0)->GetDataView(), "a", 2, [&found](FindMatch&&) { ++found; }, nullptr, nullptr,
      &reachedLimit));
  EXPECT_EQ(found, 2);
  EXPECT_TRUE(reachedLimit);
}

TEST_F(FindBox, AMillionRowsAreSearchedWhileTheEventLoopRuns)
{
  zamra_test::TempDir data;
  constexpr int kRows = 1000000;
  ASSERT_TRUE(zamra_test::WriteNamedPoints(data.File("many"), kRows, [](int i) { return "row" + std::to_string(i); }));
  ASSERT_EQ(m_frame->AddLayerFiles({QString::fromStdString(data.File("many.shp"))}), 1);
  Select(0);

  // A timer of the window keeps ticking while the rows are read.
  int ticks = 0, ticksWhileSearching = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++ticks;
    if (m_box->IsSearching())
      ++ticksWhileSearching;
  });
  ticker.start(0);
  m_box->Edit()->setText(QStringLiteral("ROW999999"));
  m_box->SearchNow();
  WaitForSearch();
  ticker.stop();
  EXPECT_GT(ticksWhileSearching, 0);
  EXPECT_EQ(Matches(), QList<QStringList>({{"1000000", "name", "row999999"}}));

  // A layer deleted during a search takes the search with it.
  m_box->Edit()->setText(QStringLiteral("row5"));
  m_box->SearchNow();
  ASSERT_TRUE(m_box->IsSearching());
  m_frame->Action(ID_DEL_LAYER)->trigger();
  ProcessPostedMessages();
  EXPECT_EQ(View()->GetLayerCount(), 0);
  EXPECT_FALSE(m_box->IsSearching());
  EXPECT_TRUE(Matches().isEmpty());
}

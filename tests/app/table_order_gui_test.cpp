// Sorting and filtering the properties window's table, through the real window: a header click
// sorts by the column's real type (numbers as numbers), a second click the other way; the filter
// box keeps the rows containing its text; a double click still names the record, not the row.
// SPDX-License-Identifier: MIT
#include "data_wnd.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

#include "layer_table_model.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "row_order_job.h"
#include "platform/window_message.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "app/app_test_support.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

// Records a frame's posted messages.
class MessageSink final : public QWidget {
public:
  bool event(QEvent* event) override
  {
    if (event->type() == WindowMessageEvent::EventType()) {
      const auto* message = static_cast<WindowMessageEvent*>(event);
      messages.push_back({message->Message(), int(message->WParam()), int(message->LParam())});
      return true;
    }
    return QWidget::event(event);
  }
  struct Message {
    UINT id;
    int wParam;
    int lParam;
  };
  std::vector<Message> messages;
};

class TableOrder : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(CResourceTable::SelectLanguage(kEnglish));
    // Five towns: a numeric column that sorts differently as text, a decimal one and names.
    std::vector<TestShape> shapes;
    for (int i = 0; i < 5; ++i)
      shapes.push_back(TestShape{{{{100.0 + i, 30.0}}}});
    ASSERT_TRUE(WriteShapefile(m_dir.File("towns"), SHPT_POINT, shapes,
                               {{"count", FTInteger, 6, 0}, {"area", FTDouble, 10, 3}, {"name", FTString, 20, 0}},
                               {{"1", "2.5", "delta"},
                                {"10", "-1", "Alpha"},
                                {"100", "0.25", "charlie"},
                                {"11", "12", "bravo"},
                                {"2", "3", "alpha"}}));
    m_view.reset(IZamraView::GetInstance());
    ASSERT_EQ(m_view->Create(nullptr, 0, 0, 0, 0, 600, 400, &m_host, 2001), 1);
    ASSERT_NE(m_view->AddLayer(m_dir.File("towns.shp").c_str()), nullptr);
    m_window = std::make_unique<CDataWnd>(m_view.get(), &m_sink, QStringLiteral("Property"));
    m_window->resize(700, 300);
    m_window->show();
    m_window->ShowLayer(0, -1);
  }

  // The texts of a column as the window shows them, top to bottom.
  QStringList Column(int column) const
  {
    QStringList texts;
    CLayerTableModel* model = m_window->Model();
    for (int row = 0; row < model->rowCount(); ++row)
      texts << model->data(model->index(row, column)).toString().trimmed();
    return texts;
  }
  void WaitForOrder()
  {
    for (int i = 0; i < 3000 && m_window->IsOrdering(); ++i)
      QTest::qWait(5);
    ASSERT_FALSE(m_window->IsOrdering());
  }
  void ClickHeader(int column)
  {
    QHeaderView* header = m_window->Table()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    WaitForOrder();
  }

  TempDir m_dir;
  zamra_test::AppEnvironment m_environment;
  QWidget m_host;
  MessageSink m_sink;
  std::unique_ptr<IZamraView> m_view;
  std::unique_ptr<CDataWnd> m_window;
};

}  // namespace

TEST_F(TableOrder, AHeaderClickSortsNumbersAsNumbersAndTextsAsTexts)
{
  EXPECT_EQ(Column(0), QStringList({"1", "10", "100", "11", "2"}));
  ClickHeader(0);
  EXPECT_EQ(Column(0), QStringList({"1", "2", "10", "11", "100"}));
  EXPECT_EQ(m_window->SortColumn(), 0);
  EXPECT_TRUE(m_window->Table()->horizontalHeader()->isSortIndicatorShown());
  ClickHeader(0);
  EXPECT_EQ(Column(0), QStringList({"100", "11", "10", "2", "1"}));
  EXPECT_FALSE(m_window->SortAscending());

  ClickHeader(1);  // decimals, negative ones included
  QStringList areas = Column(1);
  std::vector<double> numbers;
  for (const QString& text : areas)
    numbers.push_back(text.toDouble());
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << areas.join(u' ').toStdString();
  EXPECT_EQ(numbers.front(), -1.0);

  ClickHeader(2);  // Latin letters without their case; equal words keep record order
  EXPECT_EQ(Column(2), QStringList({"Alpha", "alpha", "bravo", "charlie", "delta"}));
  // The rows move whole: each count stays with its name.
  EXPECT_EQ(Column(0), QStringList({"10", "2", "11", "100", "1"}));
}

TEST_F(TableOrder, TheFilterKeepsRowsContainingItsTextAndRowsStillNameTheirRecords)
{
  ClickHeader(0);
  m_window->FilterBox()->setFocus();
  QTest::keyClicks(m_window->FilterBox(), "ALPHA");
  QTest::keyClick(m_window->FilterBox(), Qt::Key_Return);
  WaitForOrder();
  EXPECT_EQ(Column(2), QStringList({"alpha", "Alpha"}));  // sorted by count: 2, then 10
  EXPECT_EQ(Column(0), QStringList({"2", "10"}));

  // Double-clicking the first row centres the map on record 4, whatever row shows it.
  QTableView* table = m_window->Table();
  const QRect cell = table->visualRect(m_window->Model()->index(0, 2));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  ProcessPostedMessages();
  ASSERT_FALSE(m_sink.messages.empty());
  EXPECT_EQ(m_sink.messages.back().id, UINT(WM_FEATURE_GOTO));
  EXPECT_EQ(m_sink.messages.back().lParam, 4);
  // Zoom to Feature names the record too.
  m_window->ZoomToRow(1);
  ProcessPostedMessages();
  EXPECT_EQ(m_sink.messages.back().id, UINT(WM_FEATURE_ZOOM));
  EXPECT_EQ(m_sink.messages.back().lParam, 1);

  // Selecting a record that is shown selects its row; one that is filtered out selects nothing new.
  m_window->ShowLayer(0, 1);
  EXPECT_EQ(table->currentIndex().row(), 1);

  const QString folder = [] {
    const QByteArray configured = qgetenv("ZAMRA_SCREENSHOT_DIR");
    return configured.isEmpty() ? QStringLiteral(ZAMRA_TOOLS_DIR "/../screenshots")
                                : QString::fromLocal8Bit(configured);
  }();
  QDir().mkpath(folder);
  m_window->FilterBox()->clear();
  QTest::keyClicks(m_window->FilterBox(), "l");  // bravo has none
  QTest::keyClick(m_window->FilterBox(), Qt::Key_Return);
  WaitForOrder();
  EXPECT_EQ(Column(0), QStringList({"1", "2", "10", "100"}));
  EXPECT_TRUE(m_window->grab().save(QDir(folder).filePath(QStringLiteral("table_sorted_filtered.png"))));

  // An empty filter shows every record again, still sorted.
  m_window->SetFilterText(QString());
  WaitForOrder();
  EXPECT_EQ(Column(0), QStringList({"1", "2", "10", "11", "100"}));
}

TEST_F(TableOrder, AnotherLayerOrNoLayerStartsUnsortedAndCancelledWorkChangesNothing)
{
  ClickHeader(0);
  m_window->SetFilterText(QStringLiteral("a"));
  WaitForOrder();
  m_window->ShowLayer(-1, -1);
  EXPECT_EQ(m_window->Model()->rowCount(), 0);
  EXPECT_TRUE(m_window->FilterBox()->text().isEmpty());
  m_window->ShowLayer(0, -1);
  EXPECT_EQ(Column(0), QStringList({"1", "10", "100", "11", "2"}));
  EXPECT_EQ(m_window->SortColumn(), -1);

  // Work cancelled before it ends answers nothing and leaves the table as it was.
  std::atomic<bool> cancel{true};
  std::vector<int> rows{7};
  RowOrderRequest request;
  request.sortColumn = 0;
  EXPECT_FALSE(CRowOrderJob::Compute(*m_view->GetLayerByIndex(0)->GetDataView(), request, rows, &cancel, nullptr));
  m_window->SortByColumn(0, true);
  m_window->CancelRowOrder();
  EXPECT_FALSE(m_window->IsOrdering());
  EXPECT_FALSE(m_window->ProgressBar()->isVisible());
  EXPECT_EQ(Column(0), QStringList({"1", "10", "100", "11", "2"}));

  // Done on this thread: the same order as the window's.
  cancel = false;
  std::atomic<int> progress{0};
  ASSERT_TRUE(CRowOrderJob::Compute(*m_view->GetLayerByIndex(0)->GetDataView(), request, rows, &cancel, &progress));
  EXPECT_EQ(rows, std::vector<int>({0, 4, 1, 3, 2}));
  EXPECT_EQ(progress.load(), 1000);
}

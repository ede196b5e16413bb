// The properties window with real widgets: which table it shows when, the selection, the
// go-to request of a double click, and its look.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "data_wnd.h"
#include "layer_table_model.h"
#include "platform/window_message.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"

using mapory::CDataWnd;
using zamra_test::TempDir;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Message& other) const
  {
    return message == other.message && wParam == other.wParam && lParam == other.lParam;
  }
};

// Stands where the main frame stands: it records what is posted to it.
class FrameStandIn final : public QWidget {
public:
  std::vector<Message> received;

protected:
  bool event(QEvent* event) override
  {
    if (event->type() == WindowMessageEvent::EventType()) {
      auto* message = static_cast<WindowMessageEvent*>(event);
      received.push_back({message->Message(), message->WParam(), message->LParam()});
      return true;
    }
    return QWidget::event(event);
  }
};

TestShape PointAt(double x, double y) { return TestShape{{{{x, y}}}}; }

class PropertiesWindow : public ::testing::Test {
protected:
  void SetUp() override
  {
    m_view.reset(IZamraView::GetInstance());
    ASSERT_EQ(m_view->Create(nullptr, 0, 0, 0, 0, 600, 400, &m_frame, 2001), 1);
    // Ten columns and three rows, then three columns and five rows.
    std::vector<TestColumn> ten;
    std::vector<std::string> row;
    for (int c = 0; c < 10; ++c) {
      ten.push_back({"c" + std::to_string(c), FTString, 4 + c, 0});
      row.push_back("v" + std::to_string(c));
    }
    ASSERT_TRUE(WriteShapefile(m_dir.File("wide"), SHPT_POINT, {PointAt(1, 1), PointAt(2, 2), PointAt(3, 3)}, ten,
                               {row, row, row}));
    std::vector<TestColumn> three = {{"ID", FTInteger, 10, 0}, {"NAME", FTString, 20, 0}, {"VALUE", FTDouble, 14, 3}};
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < 5; ++r)
      rows.push_back({std::to_string(r * 10), "name" + std::to_string(r), std::to_string(r) + ".5"});
    ASSERT_TRUE(WriteShapefile(m_dir.File("narrow"), SHPT_POINT,
                               {PointAt(1, 1), PointAt(2, 2), PointAt(3, 3), PointAt(4, 4), PointAt(5, 5)}, three,
                               rows));
    ASSERT_NE(m_view->AddLayer(m_dir.File("wide.shp").c_str()), nullptr);
    ASSERT_NE(m_view->AddLayer(m_dir.File("narrow.shp").c_str()), nullptr);
    m_window = std::make_unique<CDataWnd>(m_view.get(), &m_frame, QStringLiteral("Property"));
    m_window->resize(500, 300);
    m_window->show();
  }

  QStringList Headers() const
  {
    QStringList names;
    for (int c = 0; c < m_window->Model()->columnCount(); ++c)
      names << m_window->Model()->headerData(c, Qt::Horizontal).toString();
    return names;
  }
  QString Cell(int row, int column) const
  {
    return m_window->Model()->data(m_window->Model()->index(row, column)).toString();
  }
  int SelectedRow() const
  {
    const QModelIndexList rows = m_window->Table()->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
  }

  TempDir m_dir;
  FrameStandIn m_frame;
  std::unique_ptr<IZamraView> m_view;
  std::unique_ptr<CDataWnd> m_window;
};

}  // namespace

TEST_F(PropertiesWindow, AnotherLayerReplacesEveryColumnAndTheSameOneOnlyMovesTheSelection)
{
  EXPECT_FALSE(m_window->Table()->isVisible()) << "hidden until a first table is in it";
  m_window->ShowLayer(0, -1);
  EXPECT_TRUE(m_window->Table()->isVisible());
  EXPECT_EQ(m_window->windowTitle(), "wide.shp");
  EXPECT_EQ(Headers().size(), 10);
  EXPECT_EQ(m_window->Model()->rowCount(), 3);
  EXPECT_EQ(SelectedRow(), -1);

  m_window->ShowLayer(1, 2);
  EXPECT_EQ(Headers(), (QStringList{"ID", "NAME", "VALUE"})) << "none of the ten old columns survives";
  EXPECT_EQ(m_window->windowTitle(), "narrow.shp");
  EXPECT_EQ(m_window->Model()->rowCount(), 5);
  EXPECT_EQ(Cell(3, 0), "30");
  EXPECT_EQ(Cell(4, 1), "name4");
  EXPECT_EQ(SelectedRow(), 2);

  // An identification in the layer shown moves the selection; -1 leaves it where it is.
  m_window->ShowLayer(1, 4);
  EXPECT_EQ(SelectedRow(), 4);
  m_window->ShowLayer(1, -1);
  EXPECT_EQ(SelectedRow(), 4);
  EXPECT_EQ(m_window->CurrentLayerIndex(), 1);
}

// Columns fit what they hold: never wider than the field at six pixels a character, never
// narrower than the header, and the user can still drag them.
TEST_F(PropertiesWindow, ColumnsFitTheirCellsBetweenHeaderAndFieldWidth)
{
  const std::vector<TestColumn> columns = {
      {"NOTE", FTString, 80, 0}, {"LONGHEADER", FTString, 2, 0}, {"CODE", FTString, 10, 0}};
  const std::vector<std::vector<std::string>> rows = {{"ab", "x", "WWWWWWWWWW"}, {"cd", "y", "WWWWWWWWWW"}};
  ASSERT_TRUE(WriteShapefile(m_dir.File("notes"), SHPT_POINT, {PointAt(1, 1), PointAt(2, 2)}, columns, rows));
  ASSERT_NE(m_view->AddLayer(m_dir.File("notes.shp").c_str()), nullptr);
  m_window->ShowLayer(2, -1);
  QTableView* table = m_window->Table();
  QHeaderView* header = table->horizontalHeader();
  const QFontMetrics metrics(table->font());

  EXPECT_LT(table->columnWidth(0), 6 * 80 / 4) << "two letters need far less than 80 characters";
  EXPECT_GE(table->columnWidth(0), metrics.horizontalAdvance(QStringLiteral("ab")));
  EXPECT_GE(table->columnWidth(0), header->sectionSizeHint(0));
  EXPECT_GE(table->columnWidth(1), metrics.horizontalAdvance(QStringLiteral("LONGHEADER"))) << "the header shows";
  EXPECT_EQ(table->columnWidth(2), 6 * 10) << "ten wide letters are cut at the field's width";

  EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
  header->resizeSection(0, 333);
  EXPECT_EQ(table->columnWidth(0), 333);
}

TEST_F(PropertiesWindow, AMissingLayerEmptiesTheTableAndKeepsTheTitle)
{
  m_window->ShowLayer(1, -1);
  ASSERT_EQ(m_view->DeleteLayer(1), 1);
  m_window->ShowLayer(-1, -1);
  EXPECT_EQ(m_window->Model()->columnCount(), 0);
  EXPECT_EQ(m_window->Model()->rowCount(), 0);
  EXPECT_EQ(m_window->windowTitle(), "narrow.shp");
  EXPECT_EQ(m_window->CurrentLayerIndex(), -1);
  m_window->ShowLayer(7, -1);
  EXPECT_EQ(m_window->Model()->columnCount(), 0);

  // Activation shows the selected layer, and with none selected changes nothing.
  m_window->ShowLayer(0, -1);
  m_view->SetSelectLayer(-1);
  m_window->OnActivationChanged();
  EXPECT_EQ(m_window->CurrentLayerIndex(), 0);
}

TEST_F(PropertiesWindow, DoubleClickOnARowAsksTheFrameToGoThereAndBelowTheRowsNothing)
{
  m_window->ShowLayer(1, -1);
  QApplication::processEvents();
  m_frame.received.clear();
  QTableView* table = m_window->Table();
  const QRect third = table->visualRect(m_window->Model()->index(3, 1));
  // A double click as the system delivers it: a click, then the second press.
  auto doubleClick = [table](QPoint at) {
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  };
  doubleClick(third.center());
  const QRect last = table->visualRect(m_window->Model()->index(4, 0));
  doubleClick(QPoint(last.center().x(), last.bottom() + 12));
  QApplication::processEvents();
  EXPECT_EQ(m_frame.received, (std::vector<Message>{{0x405, 1, 3}}));
}

TEST_F(PropertiesWindow, PaleYellowGroundAndASelectionThatStaysVisibleWithoutFocus)
{
  m_window->ShowLayer(1, 1);
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  QApplication::processEvents();
  const QPalette palette = m_window->Table()->palette();
  EXPECT_EQ(palette.color(QPalette::Base), QColor(255, 255, 220));
  EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Highlight),
            palette.color(QPalette::Active, QPalette::Highlight));
  // Pixels: the selected row is drawn in the highlight colour, the others on the ground.
  const QImage picture = m_window->Table()->viewport()->grab().toImage();
  const QRect selected = m_window->Table()->visualRect(m_window->Model()->index(1, 0));
  const QRect plain = m_window->Table()->visualRect(m_window->Model()->index(3, 0));
  EXPECT_EQ(picture.pixelColor(selected.right() - 2, selected.center().y()), palette.color(QPalette::Highlight));
  EXPECT_EQ(picture.pixelColor(plain.right() - 2, plain.center().y()), QColor(255, 255, 220));
}

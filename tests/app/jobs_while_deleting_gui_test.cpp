// Work beside the window that reads a layer's table (the properties window's sort and filter,
// the find box's search) while the user deletes that layer: the work stops before the table
// goes, at whatever point it has reached, and the window shows no rows. Run under
// ThreadSanitizer as well, where a read of the table after it went would be reported.
// SPDX-License-Identifier: MIT
#include <QLineEdit>
#include <QTest>
#include <string>

#include <gtest/gtest.h>

#include "data_wnd.h"
#include "find_box.h"
#include "layer_table_model.h"
#include "main_frame.h"
#include "resource_ids.h"
#include "support/shapelib_writer.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;

namespace {

class JobsWhileDeleting : public zamra_test::FrameTest {
protected:
  // A shapefile of `rows` points whose names sort in another order than their records.
  void WriteManyRows(int rows)
  {
    ASSERT_TRUE(zamra_test::WriteNamedPoints(m_data.File("many"), rows,
                                             [rows](int i) { return "row" + std::to_string((i * 7919) % rows); }));
  }
  void AddManyRows()
  {
    ASSERT_EQ(m_frame->AddLayerFiles({QString::fromStdString(m_data.File("many.shp"))}), 1);
    Select(0);
    ProcessPostedMessages();
  }

  zamra_test::TempDir m_data;
};

}  // namespace

TEST_F(JobsWhileDeleting, SortFilterAndFindStopBeforeTheirTableGoes)
{
  WriteManyRows(200000);
  // Deleted at once, after a few turns of the event loop, and after more: the work is caught
  // at different points of its reading and sorting.
  for (const int turns : {0, 2, 20}) {
    SCOPED_TRACE(turns);
    AddManyRows();
    CDataWnd* table = m_frame->DataWnd();
    table->ShowLayer(0, -1);
    table->SortByColumn(0, false);
    ASSERT_TRUE(table->IsOrdering());
    m_frame->FindBox()->Edit()->setText(QStringLiteral("row1999"));
    m_frame->FindBox()->SearchNow();
    ASSERT_TRUE(m_frame->FindBox()->IsSearching());
    for (int turn = 0; turn < turns; ++turn)
      QTest::qWait(1);
    m_frame->Action(ID_DEL_LAYER)->trigger();
    ProcessPostedMessages();
    EXPECT_EQ(View()->GetLayerCount(), 0);
    EXPECT_FALSE(table->IsOrdering());
    EXPECT_FALSE(m_frame->FindBox()->IsSearching());
    EXPECT_EQ(table->Model()->rowCount(), 0);
  }
}

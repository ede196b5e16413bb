// Layers that load beside the window: the map answers meanwhile, the status bar says what is
// loading with a Cancel that leaves nothing behind, the layers arrive in the order the user
// asked for, and the last session comes back the same way without ever being written in part. Every load here goes to
// the background (no patience), so nothing hangs on timing. SPDX-License-Identifier: MIT
#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "layer_load_bar.h"
#include "main_frame.h"
#include "resource_ids.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "app/app_test_support.h"
#include "app/frame_test.h"
#include "platform/gdi.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

using namespace mapory;
using zamra_test::ProcessPostedMessages;
using zamra_test::Sample;

namespace {

constexpr int kManyRows = 300000;

class BackgroundLoad : public zamra_test::FrameTest {
protected:
  // The large file is written once: that takes a while.
  static void SetUpTestSuite()
  {
    s_data = new zamra_test::TempDir;
    ASSERT_TRUE(
        zamra_test::WriteNamedPoints(s_data->File("many"), kManyRows, [](int i) { return "row" + std::to_string(i); }));
  }
  static void TearDownTestSuite()
  {
    delete s_data;
    s_data = nullptr;
  }

  void SetUp() override
  {
    FrameTest::SetUp();
    Bar()->SetPatience(0);
  }

  CLayerLoadBar* Bar() const { return m_frame->LoadBar(); }
  static QString Many() { return QString::fromStdString(s_data->File("many.shp")); }
  std::string LayerPath(int index) const
  {
    char path[260] = {};
    View()->GetLayerByIndex(index)->GetPath(path);
    return path;
  }
  // Turns the event loop until every load has arrived; false when one never does.
  bool WaitForLoads()
  {
    const QDeadlineTimer deadline(120000);
    while (Bar()->IsBusy() && !deadline.hasExpired())
      QTest::qWait(10);
    ProcessPostedMessages();
    return !Bar()->IsBusy();
  }

  static inline zamra_test::TempDir* s_data = nullptr;
};

}  // namespace

TEST_F(BackgroundLoad, TheMapAnswersAndTheLayersArriveInTheOrderAskedFor)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Many(), Sample("world_countries.shp")}), 2);
  EXPECT_EQ(View()->GetLayerCount(), 0) << "nothing arrives before the event loop turns";
  EXPECT_TRUE(Bar()->isVisible());
  EXPECT_EQ(Bar()->Text()->text(), QStringLiteral("Loading many.shp… (1 more waiting)"));
  EXPECT_TRUE(m_frame->LoadBar()->IsLoading(Many()));
  EXPECT_EQ(m_frame->AddLayerFiles({Many()}), 0) << "a file that is loading is not loaded twice";

  // The user pans and zooms the (empty) map while the files load.
  int turns = 0;
  while (Bar()->IsBusy() && turns < 100000) {
    View()->SetScale(10000000.0 + 1000.0 * (turns % 7));
    View()->SetCenter(10.0, 5.0);
    View()->Refresh();
    QTest::qWait(5);
    ++turns;
  }
  ASSERT_TRUE(WaitForLoads());
  EXPECT_FALSE(Bar()->isVisible());
  ASSERT_EQ(View()->GetLayerCount(), 2);
  EXPECT_EQ(LayerPath(0), s_data->File("many.shp")) << "the small file waited for the large one";
  EXPECT_EQ(LayerPath(1), ZAMRA_SAMPLES_DIR "/world_countries.shp");
  // Opened on an empty map, the files are shown whole once they are in.
  const double scale = View()->GetScale();
  m_frame->Action(ID_FULL_MAP)->trigger();
  EXPECT_EQ(View()->GetScale(), scale);
}

TEST_F(BackgroundLoad, CancelLeavesNothingBehind)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Many(), Sample("world_borders.shp")}), 2);
  ASSERT_TRUE(Bar()->IsBusy());
  QTest::mouseClick(Bar()->CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(Bar()->IsBusy());
  EXPECT_FALSE(Bar()->isVisible());
  QTest::qWait(300);  // whatever the thread still finishes is thrown away
  EXPECT_EQ(View()->GetLayerCount(), 0);

  // The same files load afterwards, as new.
  ASSERT_EQ(m_frame->AddLayerFiles({Many()}), 1);
  ASSERT_TRUE(WaitForLoads());
  EXPECT_EQ(View()->GetLayerCount(), 1);
}

TEST_F(BackgroundLoad, TheOtherLayersCanBeDeletedWhileOneLoads)
{
  Bar()->SetPatience(kNoBackground);
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_countries.shp")}), 1);
  Bar()->SetPatience(0);
  ASSERT_EQ(m_frame->AddLayerFiles({Many()}), 1);
  Select(0);
  m_frame->Action(ID_DEL_LAYER)->trigger();
  // The countries go whether the other file is still loading or (on a loaded machine, where it
  // was once seen arriving first) has just arrived behind them.
  for (int i = 0; i < View()->GetLayerCount(); ++i)
    EXPECT_NE(LayerPath(i), Sample("world_countries.shp").toStdString());
  ASSERT_TRUE(WaitForLoads());
  ASSERT_EQ(View()->GetLayerCount(), 1);
  EXPECT_EQ(LayerPath(0), s_data->File("many.shp"));
}

TEST_F(BackgroundLoad, AFileThatFailsIsToldWhenItsTurnComes)
{
  zamra_test::TempDir dir;
  std::ofstream(dir.File("broken.shp"), std::ios::binary) << "not a shapefile at all";
  QString message;
  zamra_test::AnswerModal<QMessageBox>([&message](QMessageBox* box) {
    message = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  ASSERT_EQ(m_frame->AddLayerFiles({QString::fromStdString(dir.File("broken.shp"))}), 1);
  ASSERT_TRUE(WaitForLoads());
  EXPECT_EQ(message, mapory::CResourceTable::Current().Text(QStringLiteral("open_file_false")));
  EXPECT_EQ(View()->GetLayerCount(), 0);
}

TEST_F(BackgroundLoad, TheLastSessionComesBackBesideTheWindowAndIsKeptWhole)
{
  Bar()->SetPatience(kNoBackground);
  ASSERT_EQ(m_frame->AddLayerFiles({Sample("world_countries.shp"), Many()}), 2);
  View()->GetLayerByIndex(0)->SetLineColor(RGB(9, 8, 7));
  View()->SetScale(8000000.0);
  const double scale = View()->GetScale();
  m_frame->close();  // writes the session
  m_frame.reset();

  m_frame = std::make_unique<CMainFrame>();
  m_frame->show();
  Bar()->SetPatience(0);
  m_frame->RestoreSession();
  EXPECT_EQ(View()->GetLayerCount(), 0) << "the window is there before the layers";
  EXPECT_TRUE(Bar()->IsLoadingWorkspace());
  EXPECT_EQ(Bar()->Text()->text(), QStringLiteral("Loading world_countries.shp… (1 more waiting)"));
  // Closed at once, the program waits for the session's layers: the session written is whole.
  m_frame->close();
  EXPECT_EQ(View()->GetLayerCount(), 2);
  m_frame.reset();

  m_frame = std::make_unique<CMainFrame>();
  Bar()->SetPatience(kNoBackground);
  m_frame->RestoreSession();
  ASSERT_EQ(View()->GetLayerCount(), 2);
  EXPECT_EQ(LayerPath(1), s_data->File("many.shp"));
  EXPECT_EQ(View()->GetLayerByIndex(0)->GetLineColor(), RGB(9, 8, 7)) << "with its settings";
  EXPECT_EQ(View()->GetScale(), scale) << "and its place";
}

TEST_F(BackgroundLoad, TheWindowClosesWhileLayersLoad)
{
  ASSERT_EQ(m_frame->AddLayerFiles({Many(), Sample("world_cities.shp")}), 2);
  m_frame->close();
  EXPECT_FALSE(Bar()->IsBusy());
  m_frame.reset();  // the view stops its thread; the sanitizers see any leak or race
}

// Layers loaded beside the host's thread: the same layers AddLayer gives, taken in when the host
// asks, while the host goes on changing the list; given up loads leave nothing; a workspace's
// layers take their settings as they arrive. The thread sanitizer run covers these.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QWidget>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "platform/gdi.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/idata_view.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"

using namespace zamra::view;

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr int kManyRows = 200000;

class BackgroundLoads : public ::testing::Test {
protected:
  // The files are written once: a large one takes a while.
  static void SetUpTestSuite()
  {
    s_dir = new TempDir;
    ASSERT_TRUE(WriteShapefile(s_dir->File("lands"), SHPT_POLYGON,
                               {TestShape{{Square(10, 20, 4)}}, TestShape{{Square(20, 30, 4)}}}));
    ASSERT_TRUE(
        zamra_test::WriteNamedPoints(s_dir->File("many"), kManyRows, [](int i) { return "row" + std::to_string(i); }));
  }
  static void TearDownTestSuite()
  {
    delete s_dir;
    s_dir = nullptr;
  }

  void SetUp() override
  {
    m_view.reset(IZamraView::GetInstance());
    ASSERT_EQ(m_view->Create(nullptr, 0x10000000UL, 0, 0, 0, 400, 300, &m_host, 2001), 1);
    m_extras = IZamraViewExtras::Of(m_view.get());
    ASSERT_NE(m_extras, nullptr);
  }

  std::string Path(ILayer* layer) const
  {
    char path[260] = {};
    layer->GetPath(path);
    return path;
  }

  static inline TempDir* s_dir = nullptr;
  TempDir& m_dir = *s_dir;
  QWidget m_host;
  std::unique_ptr<IZamraView> m_view;
  IZamraViewExtras* m_extras = nullptr;
};

TEST_F(BackgroundLoads, GiveTheLayerAddLayerGivesWhenTaken)
{
  const std::string many = m_dir.File("many.shp");
  const int ticket = m_extras->BeginAddLayer(many.c_str());
  ASSERT_GT(ticket, 0);
  EXPECT_EQ(m_view->GetLayerCount(), 0) << "nothing joins the list before it is taken";
  int memoryShort = -1;
  ILayer* layer = m_extras->EndAddLayer(ticket, &memoryShort);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(memoryShort, 0);
  EXPECT_EQ(m_view->GetLayerCount(), 1);
  EXPECT_EQ(m_view->GetLayerByIndex(0), layer);
  EXPECT_EQ(Path(layer), many);
  EXPECT_EQ(layer->GetDataView()->GetRowCount(), kManyRows);
  char text[32] = {};
  ASSERT_TRUE(static_cast<CShapeLayer*>(layer)->GetLabelText(kManyRows - 1, text, sizeof text));
  EXPECT_STREQ(text, ("row" + std::to_string(kManyRows - 1)).c_str());

  EXPECT_EQ(m_extras->WaitAddLayer(ticket, 0), -1) << "the ticket is spent";
  EXPECT_EQ(m_extras->EndAddLayer(ticket, nullptr), nullptr);
  EXPECT_EQ(m_view->GetLayerCount(), 1);
}

TEST_F(BackgroundLoads, LetTheHostChangeTheListMeanwhile)
{
  const int first = m_extras->BeginAddLayer(m_dir.File("many.shp").c_str());
  const int second = m_extras->BeginAddLayer(m_dir.File("lands.dbf").c_str());  // its .shp
  ASSERT_GT(first, 0);
  ASSERT_GT(second, first);
  // The host adds, draws, moves and deletes layers while the thread reads.
  for (int round = 0; round < 20; ++round) {
    ASSERT_NE(m_view->AddLayer(ZAMRA_SAMPLES_DIR "/world_countries.shp"), nullptr);
    m_view->SetScale(30000000.0 * (round + 1));
    m_view->Refresh();
    m_host.grab();  // paints the map
    m_view->MoveLayer(0, 0);
    ASSERT_EQ(m_view->DeleteLayer(0), 1);
  }
  ASSERT_NE(m_view->AddLayer(ZAMRA_SAMPLES_DIR "/world_borders.shp"), nullptr);
  EXPECT_EQ(m_extras->WaitAddLayer(second, 60000), 1);
  // Taken in the order the host chooses; each goes last.
  ILayer* lands = m_extras->EndAddLayer(second, nullptr);
  ILayer* many = m_extras->EndAddLayer(first, nullptr);
  ASSERT_NE(lands, nullptr);
  ASSERT_NE(many, nullptr);
  ASSERT_EQ(m_view->GetLayerCount(), 3);
  EXPECT_EQ(Path(m_view->GetLayerByIndex(1)), m_dir.File("lands.shp"));
  EXPECT_EQ(m_view->GetLayerByIndex(2), many);
}

TEST_F(BackgroundLoads, AddNothingForFailuresDuplicatesAndLoadsGivenUp)
{
  // A path loaded meanwhile is not loaded twice.
  const int twice = m_extras->BeginAddLayer(m_dir.File("lands.shp").c_str());
  ASSERT_NE(m_view->AddLayer(m_dir.File("lands.shp").c_str()), nullptr);
  EXPECT_EQ(m_extras->EndAddLayer(twice, nullptr), nullptr);
  EXPECT_EQ(m_view->GetLayerCount(), 1);

  int memoryShort = -1;
  EXPECT_EQ(m_extras->EndAddLayer(m_extras->BeginAddLayer(m_dir.File("missing.shp").c_str()), &memoryShort), nullptr);
  EXPECT_EQ(memoryShort, 0) << "a missing file is no lack of memory";

  // Given up: the ticket is spent at once and nothing arrives, whether it was running or waiting.
  const int running = m_extras->BeginAddLayer(m_dir.File("many.shp").c_str());
  const int waiting = m_extras->BeginAddLayer(ZAMRA_SAMPLES_DIR "/world_borders.shp");
  m_extras->CancelAddLayer(running);
  m_extras->CancelAddLayer(waiting);
  EXPECT_EQ(m_extras->WaitAddLayer(running, 0), -1);
  EXPECT_EQ(m_extras->EndAddLayer(waiting, nullptr), nullptr);
  EXPECT_EQ(m_view->GetLayerCount(), 1);
  // The same files load again afterwards.
  const int again = m_extras->BeginAddLayer(m_dir.File("many.shp").c_str());
  EXPECT_NE(m_extras->EndAddLayer(again, nullptr), nullptr);
  EXPECT_EQ(m_view->GetLayerCount(), 2);

  EXPECT_EQ(m_extras->BeginAddLayer(nullptr), 0);
  EXPECT_EQ(m_extras->WaitAddLayer(12345, 0), -1);
  m_extras->CancelAddLayer(12345);  // unknown: nothing happens
}

TEST_F(BackgroundLoads, StopReadingWhenGivenUp)
{
  // The flag is looked at between the steps of a load: one set from the start reads nothing.
  std::atomic<bool> stop{true};
  CMapModel model;
  EXPECT_EQ(CMapModel::LoadLayer(&model, m_dir.File("many.shp").c_str(), &stop), nullptr);
  EXPECT_EQ(CMapModel::LoadLayer(&model, m_dir.File("lands.shp").c_str(), &stop), nullptr);
  stop = false;
  EXPECT_NE(CMapModel::LoadLayer(&model, m_dir.File("lands.shp").c_str(), &stop), nullptr);
}

TEST_F(BackgroundLoads, BringAWorkspaceBackLayerByLayerAndItsPlaceAfterTheLast)
{
  ILayer* lands = m_view->AddLayer(m_dir.File("lands.shp").c_str());
  ASSERT_NE(lands, nullptr);
  lands->SetLineColor(RGB(1, 2, 3));
  lands->SetVisible(0);
  ASSERT_NE(m_view->AddLayer(m_dir.File("many.shp").c_str()), nullptr);
  m_view->SetScale(5000000.0);
  m_view->SetCenter(12.0, 22.0);
  double x = 0.0, y = 0.0;
  m_view->GetCenter(x, y);
  const double scale = m_view->GetScale();
  const std::string workspace = m_dir.File("session.xml");
  ASSERT_EQ(m_view->SaveXml(workspace.c_str()), 1);

  QWidget host;
  std::unique_ptr<IZamraView> next(IZamraView::GetInstance());
  ASSERT_EQ(next->Create(nullptr, 0x10000000UL, 0, 0, 0, 400, 300, &host, 2002), 1);
  IZamraViewExtras* extras = IZamraViewExtras::Of(next.get());
  int first = 0, other = 0;
  ASSERT_EQ(extras->BeginLoadXml(workspace.c_str(), &first), 2);
  EXPECT_EQ(extras->BeginLoadXml(workspace.c_str(), &other), -1) << "one workspace at a time";
  EXPECT_EQ(next->GetLayerCount(), 0);
  char path[260] = {};
  EXPECT_EQ(extras->GetAddLayerPath(first + 1, path), static_cast<int>(m_dir.File("many.shp").size()) + 1);
  EXPECT_EQ(std::string(path), m_dir.File("many.shp"));

  ILayer* landsAgain = extras->EndAddLayer(first, nullptr);
  ASSERT_NE(landsAgain, nullptr);
  EXPECT_EQ(landsAgain->GetLineColor(), RGB(1, 2, 3)) << "each layer takes its settings as it arrives";
  EXPECT_EQ(landsAgain->GetVisible(), 0);
  EXPECT_NE(next->GetScale(), scale) << "the map's place waits for the last layer";
  ASSERT_NE(extras->EndAddLayer(first + 1, nullptr), nullptr);
  EXPECT_EQ(next->GetScale(), scale);
  double nextX = 0.0, nextY = 0.0;
  next->GetCenter(nextX, nextY);
  EXPECT_EQ(nextX, x);
  EXPECT_EQ(nextY, y);
}

TEST_F(BackgroundLoads, TakeTheWorkspacesPlaceAlsoWhenItsLastLoadIsGivenUp)
{
  ASSERT_NE(m_view->AddLayer(m_dir.File("lands.shp").c_str()), nullptr);
  ASSERT_NE(m_view->AddLayer(m_dir.File("many.shp").c_str()), nullptr);
  m_view->SetScale(7000000.0);
  const double scale = m_view->GetScale();
  const std::string workspace = m_dir.File("session.xml");
  ASSERT_EQ(m_view->SaveXml(workspace.c_str()), 1);
  while (m_view->GetLayerCount() > 0)
    m_view->DeleteLayer(0);
  m_view->SetScale(30000000.0);

  int first = 0;
  ASSERT_EQ(m_extras->BeginLoadXml(workspace.c_str(), &first), 2);
  ASSERT_NE(m_extras->EndAddLayer(first, nullptr), nullptr);
  m_extras->CancelAddLayer(first + 1);
  EXPECT_EQ(m_view->GetLayerCount(), 1);
  EXPECT_EQ(m_view->GetScale(), scale);

  EXPECT_EQ(m_extras->BeginLoadXml(m_dir.File("lands.dbf").c_str(), &first), -1) << "no workspace";
  EXPECT_EQ(first, 0);
}

TEST_F(BackgroundLoads, EndWithTheViewThatGoesWhileTheyRun)
{
  for (int i = 0; i < 3; ++i)
    ASSERT_GT(m_extras->BeginAddLayer(m_dir.File("many.shp").c_str()), 0);
  m_view.reset();  // stops and joins the thread; the sanitizers see any leak or race
  SUCCEED();
}

}  // namespace

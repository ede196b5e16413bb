// The workspace file: a saved view restored into a fresh one, the document as written, and
// the loading rules for files written by hand.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QWidget>

#include <clocale>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <memory>
#include <string>

#include "api/base/xml.h"
#include "support/shapelib_writer.h"
#include "support/projected_samples.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"
#include "drawing/text_fields.h"

using namespace zamra::view;

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

class Workspace : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(WriteShapefile(m_dir.File("lands"), SHPT_POLYGON, {TestShape{{Square(100, 20, 20)}}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("towns"), SHPT_POINT, {TestShape{{{{110, 30}}}}}));
    ASSERT_TRUE(WriteShapefile(m_dir.File("roads"), SHPT_ARC, {TestShape{{{{100, 20}, {120, 40}}}}}));
  }

  std::unique_ptr<IZamraView> NewView()
  {
    std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
    EXPECT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, &m_host, 2001), 1);
    return view;
  }

  // Writes a workspace document by hand (UTF-8 with a declaration).
  std::string WriteDocument(const std::string& name, const std::string& body)
  {
    const std::string path = m_dir.File(name);
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" << body;
    return path;
  }

  std::string Layer(const std::string& name, const std::string& children)
  {
    return "<layer path=\"" + m_dir.File(name + ".shp") + "\">" + children + "</layer>";
  }

  TempDir m_dir;
  QWidget m_host;
};

}  // namespace

TEST_F(Workspace, SavedStateComesBackInAFreshView)
{
  auto view = NewView();
  ILayer* lands = view->AddLayer(m_dir.File("lands.shp").c_str());
  ILayer* towns = view->AddLayer(m_dir.File("towns.shp").c_str());
  ILayer* roads = view->AddLayer(m_dir.File("roads.shp").c_str());
  ASSERT_TRUE(lands && towns && roads);
  lands->SetBkColor(RGB(1, 2, 3));
  lands->SetLineWidth(3);
  lands->SetLabelVisible(0);
  towns->SetPointIndex(7);
  towns->SetLabelFont(RGB(200, 100, 50), "Noto Sans CJK SC", 17);
  towns->SetScaleRange(1000, 5000000);
  roads->SetLineStyle(2);
  roads->SetLineColor(RGB(9, 8, 7));
  roads->SetVisible(0);
  view->MoveLayer(0, 2);
  view->SetScale(1234567);
  view->SetCenter(104.5, 33.25);
  const std::string path = m_dir.File("Mapory.exe.xml");
  ASSERT_EQ(view->SaveXml(path.c_str()), 1);

  auto fresh = NewView();
  ASSERT_EQ(fresh->LoadXml(path.c_str()), 1);
  ASSERT_EQ(fresh->GetLayerCount(), 3);
  char name[MAX_PATH];
  const char* expectedOrder[] = {"roads.shp", "towns.shp", "lands.shp"};
  for (int i = 0; i < 3; ++i) {
    fresh->GetLayerByIndex(i)->GetName(name);
    EXPECT_STREQ(name, expectedOrder[i]);
  }
  ILayer* roads2 = fresh->GetLayerByIndex(0);
  ILayer* towns2 = fresh->GetLayerByIndex(1);
  ILayer* lands2 = fresh->GetLayerByIndex(2);
  EXPECT_EQ(roads2->GetVisible(), 0);
  EXPECT_EQ(roads2->GetLineStyle(), 2);
  EXPECT_EQ(roads2->GetLineColor(), RGB(9, 8, 7));
  EXPECT_EQ(towns2->GetPointIndex(), 7);
  COLORREF color = 0;
  char face[32];
  int size = 0;
  towns2->GetLabelFont(&color, face, &size);
  EXPECT_EQ(color, RGB(200, 100, 50));
  EXPECT_STREQ(face, "Noto Sans CJK SC");
  EXPECT_EQ(size, 17);
  double minimum = 0, maximum = 0;
  towns2->GetScaleRange(&minimum, &maximum);
  EXPECT_EQ(minimum, 1000);
  EXPECT_EQ(maximum, 5000000);
  EXPECT_EQ(lands2->GetBkColor(), RGB(1, 2, 3));
  EXPECT_EQ(lands2->GetLineWidth(), 3);
  EXPECT_EQ(lands2->GetLabelVisible(), 0);
  EXPECT_EQ(fresh->GetScale(), 1234567);
  double x = 0, y = 0;
  fresh->GetCenter(x, y);
  EXPECT_EQ(x, 104.5);
  EXPECT_EQ(y, 33.25);
}

// Sessions west of Greenwich or south of the equator, in plain longitude/latitude and in a
// layer projected from State Plane feet, reopen where they were left.
TEST_F(Workspace, AnyFiniteCentreComesBack)
{
  ASSERT_TRUE(WriteShapefile(m_dir.File("south"), SHPT_POLYGON, {TestShape{{Square(-80, -40, 10)}}}));
  ASSERT_EQ(zamra_test::WriteProjectedSamples(m_dir), "");
  struct Session {
    const char* layer;
    double x, y;
  };
  for (const Session& session : {Session{"south", -75.5, -33.25}, Session{"stateplane_points", -74.0, 40.7}}) {
    SCOPED_TRACE(session.layer);
    const std::string workspace = m_dir.File(std::string(session.layer) + ".xml");
    {
      auto view = NewView();
      ASSERT_NE(view->AddLayer(m_dir.File(std::string(session.layer) + ".shp").c_str()), nullptr);
      view->SetScale(50000);
      view->SetCenter(session.x, session.y);
      double x = 0, y = 0;
      view->GetCenter(x, y);
      ASSERT_NEAR(x, session.x, 1e-9) << "the layer holds the centre";
      ASSERT_NEAR(y, session.y, 1e-9);
      ASSERT_EQ(view->SaveXml(workspace.c_str()), 1);
    }
    auto fresh = NewView();
    ASSERT_EQ(fresh->LoadXml(workspace.c_str()), 1);
    ASSERT_EQ(fresh->GetLayerCount(), 1);
    double x = 0, y = 0;
    fresh->GetCenter(x, y);
    EXPECT_NEAR(x, session.x, 1e-6);
    EXPECT_NEAR(y, session.y, 1e-6);
    EXPECT_EQ(fresh->GetScale(), 50000);
  }

  // A coordinate that is no number leaves the centre the layers gave.
  auto view = NewView();
  ASSERT_EQ(view->LoadXml(WriteDocument("nonumber.xml",
                                        "<map x=\"abc\" y=\"-35\"><layers>" + Layer("south", "") + "</layers></map>")
                              .c_str()),
            1);
  double x = 0, y = 0;
  view->GetCenter(x, y);
  EXPECT_EQ(x, -75.0);
  EXPECT_EQ(y, -35.0);
}

TEST_F(Workspace, TheDocumentAsWritten)
{
  // A decimal comma in the user's locale must not reach the file.
  const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  auto view = NewView();
  ASSERT_NE(view->AddLayer(m_dir.File("roads.shp").c_str()), nullptr);
  const std::string path = m_dir.File("written.xml");
  ASSERT_EQ(view->SaveXml(path.c_str()), 1);
  std::setlocale(LC_NUMERIC, "C");
  if (german == nullptr)
    std::fprintf(stderr, "note: de_DE.UTF-8 is not installed; the locale part ran under C\n");

  ZMXml document;
  ASSERT_TRUE(document.LoadXml(path.c_str()));
  const ZMXmlNode* map = document.GetRootNode();
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(std::u16string(map->GetName()), u"map");
  const char16_t* names[] = {u"version", u"scale", u"x", u"y", u"maxscale", u"minscale"};
  const char16_t* values[] = {u"1.2.0.5",   u"30000000.000000",  u"110.000000",
                              u"30.000000", u"300000000.000000", u"500.000000"};
  const ZMXmlAttribute* attribute = map->GetAttribute();
  for (int i = 0; i < 6; ++i, attribute = attribute->GetNext()) {
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(std::u16string(attribute->GetName()), names[i]);
    EXPECT_EQ(std::u16string(attribute->GetValue()), values[i]);
  }
  const ZMXmlNode* layer = map->SearchNodeByTagName(u"layer");
  ASSERT_NE(layer, nullptr);
  std::u16string order;
  for (const ZMXmlNode* child = layer->GetChild(); child != nullptr; child = child->GetNext())
    order += std::u16string(child->GetName()) + u" ";
  EXPECT_EQ(order, u"visible labelvisible layerstyle labelfont scale ");
  EXPECT_EQ(std::u16string(layer->SearchNodeByTagName(u"linecolor")->GetText()), u"200,200,150");
  EXPECT_EQ(std::u16string(layer->SearchNodeByTagName(u"pointindex")->GetText()), u"0");
  const std::string face = DefaultLabelFace();
  EXPECT_EQ(std::u16string(layer->SearchNodeByTagName(u"name")->GetText()), std::u16string(face.begin(), face.end()))
      << "the face the labels are drawn with";
  EXPECT_EQ(std::u16string(layer->SearchNodeByTagName(u"max")->GetText()), u"300000000.000000");
}

TEST_F(Workspace, LoadingRulesForHandWrittenFiles)
{
  auto view = NewView();
  EXPECT_EQ(view->LoadXml(m_dir.File("missing.xml").c_str()), 0);
  EXPECT_EQ(view->LoadXml(WriteDocument("noroot.xml", "<other><layers/></other>").c_str()), 0);
  EXPECT_EQ(view->LoadXml(WriteDocument("nolayers.xml", "<map x=\"105\" y=\"25\" scale=\"5000\"/>").c_str()), 0);
  EXPECT_EQ(view->GetScale(), 30000000) << "without layers nothing applies, not even the scale";

  // The walk stops at the first child of another name.
  EXPECT_EQ(view->LoadXml(
                WriteDocument("other.xml", "<map><layers><group/>" + Layer("lands", "") + "</layers></map>").c_str()),
            1);
  EXPECT_EQ(view->GetLayerCount(), 0);

  // Missing elements: hidden, labels hidden, defaults kept; only "max" of a scale range.
  const std::string body = "<map scale=\" 2500000.5xyz\"><layers>" +
                           Layer("lands", "<labelvisible>true</labelvisible><scale><max>7000</max></scale>") +
                           Layer("missing", "<visible>true</visible>") +
                           Layer("towns", "<visible>true</visible><layerstyle><pointindex>4</pointindex></layerstyle>"
                                          "<labelfont><size>20</size></labelfont>") +
                           "</layers></map>";
  ASSERT_EQ(view->LoadXml(WriteDocument("partial.xml", body).c_str()), 1);
  ASSERT_EQ(view->GetLayerCount(), 2) << "a layer whose files are missing is skipped";
  ILayer* lands = view->GetLayerByIndex(0);
  ILayer* towns = view->GetLayerByIndex(1);
  EXPECT_EQ(lands->GetVisible(), 0) << "no visible element: hidden";
  EXPECT_EQ(lands->GetLabelVisible(), 1);
  EXPECT_EQ(lands->GetBkColor(), RGB(255, 255, 200)) << "no style: defaults";
  double minimum = 0, maximum = 0;
  lands->GetScaleRange(&minimum, &maximum);
  EXPECT_EQ(minimum, 100.0);
  EXPECT_EQ(maximum, 7000.0);
  EXPECT_EQ(towns->GetPointIndex(), 4);
  COLORREF color = 1;
  char face[32];
  int size = 0;
  towns->GetLabelFont(&color, face, &size);
  EXPECT_EQ(face, DefaultLabelFace()) << "no name: the layer's own face";
  EXPECT_EQ(size, 20);
  EXPECT_EQ(color, 0u);
  EXPECT_EQ(view->GetScale(), 2500000) << "leading space accepted, trailing text ignored, cut to whole";
  double x = 0, y = 0;
  view->GetCenter(x, y);
  EXPECT_EQ(x, 110) << "no x: the centre from loading the layers stays";

  // A path already loaded is skipped with its settings.
  ASSERT_EQ(view->LoadXml(WriteDocument("again.xml",
                                        "<map><layers>" + Layer("lands", "<visible>true</visible>") + "</layers></map>")
                              .c_str()),
            1);
  EXPECT_EQ(view->GetLayerCount(), 2);
  EXPECT_EQ(view->GetLayerByIndex(0)->GetVisible(), 0);
}

TEST_F(Workspace, SavingNeverFollowsALinkPlantedBySomeoneElse)
{
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to give a link to another user";
  auto view = NewView();
  ASSERT_NE(view->AddLayer(m_dir.File("lands.shp").c_str()), nullptr);
  const std::string victim = m_dir.File("victim.txt");
  std::ofstream(victim) << "precious";
  const std::string workspace = m_dir.File("Mapory.exe.xml");
  std::filesystem::create_symlink(victim, workspace);
  ASSERT_EQ(::lchown(workspace.c_str(), 65534, 65534), 0);  // the link now belongs to "nobody"
  EXPECT_EQ(view->SaveXml(workspace.c_str()), 0);
  std::ifstream in(victim);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "precious") << "the file the link names is untouched";
  EXPECT_TRUE(std::filesystem::is_symlink(workspace));
}

TEST_F(Workspace, SavingNeverFollowsAFolderLinkPlantedBySomeoneElse)
{
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to give a link to another user";
  auto view = NewView();
  ASSERT_NE(view->AddLayer(m_dir.File("lands.shp").c_str()), nullptr);
  std::filesystem::create_directory(m_dir.File("private"));
  const std::string victim = m_dir.File("private/ws.xml");
  std::ofstream(victim) << "precious";
  std::filesystem::create_directory(m_dir.File("shared"));
  std::filesystem::permissions(m_dir.File("shared"), std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
  std::filesystem::create_directory_symlink(m_dir.File("private"), m_dir.File("shared/sub"));
  ASSERT_EQ(::lchown(m_dir.File("shared/sub").c_str(), 65534, 65534), 0);
  EXPECT_EQ(view->SaveXml(m_dir.File("shared/sub/ws.xml").c_str()), 0);
  std::ifstream in(victim);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "precious") << "the file behind the link is untouched";
}

TEST_F(Workspace, AFullDiskKeepsTheOldWorkspaceByteForByte)
{
  zamra_test::SmallDisk disk(256 * 1024, 16);
  if (!disk.Mounted())
    GTEST_SKIP() << "no tmpfs can be mounted here (needs root)";
  auto view = NewView();
  const std::string path = disk.File("ws.xml");
  ASSERT_EQ(view->SaveXml(path.c_str()), 1);
  const std::vector<unsigned char> before = zamra_test::ReadAll(path);
  for (int copy = 0; copy < 8; ++copy) {  // a document of several pages
    const std::string name = m_dir.File("lands" + std::to_string(copy));
    ASSERT_TRUE(WriteShapefile(name, SHPT_POLYGON, {TestShape{{Square(100, 20, 20)}}}));
    ASSERT_NE(view->AddLayer((name + ".shp").c_str()), nullptr);
  }
  disk.Fill();
  EXPECT_EQ(view->SaveXml(path.c_str()), 0);
  EXPECT_EQ(zamra_test::ReadAll(path), before);
  EXPECT_EQ(view->SaveXml(disk.File("new.xml").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(disk.File("new.xml")));
}

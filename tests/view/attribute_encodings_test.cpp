// Attribute texts in the code pages real files use reach cells, labels and identify as UTF-8:
// the .cpg names the code page, else the dBASE language-driver byte, else the process's (with
// its override). The tables are written by shapelib with the bytes of each code page.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "api/formats/data_view.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "model/map_model.h"
#include "layers/point_layer.h"

using namespace zamra::view;

using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr long kLanguageDriverOffset = 29;

const std::string kBeijingGbk = "\xB1\xB1\xBE\xA9";     // 北京
const std::string kTokyoShiftJis = "\x93\x8C\x8B\x9E";  // 東京
const std::string kZurichLatin1 = "Z\xFCrich";          // Zürich
const std::string kCafe1252 = "Caf\xE9 \x80";           // Café €

// A point layer named `name` with one row holding `bytes`; `cpg` is written as the .cpg unless
// empty, and the language-driver byte is set to `driver`.
std::string WriteTable(const TempDir& dir, const std::string& name, const std::string& bytes, const std::string& cpg,
                       unsigned char driver)
{
  const std::string base = dir.File(name);
  EXPECT_TRUE(WriteShapefile(base, SHPT_POINT, {TestShape{{{{1, 1}}}}}, {{"name", FTString, 254, 0}}, {{bytes}}));
  if (!cpg.empty())
    std::ofstream(base + ".cpg", std::ios::binary) << cpg;
  std::fstream dbf(base + ".dbf", std::ios::binary | std::ios::in | std::ios::out);
  dbf.seekp(kLanguageDriverOffset);
  dbf.put(static_cast<char>(driver));
  return base + ".shp";
}

std::string Cell(ILayer* layer)
{
  char text[ZMDataView::kTextSize] = "";
  layer->GetDataView()->GetItemValue(0, 0, text);
  return text;
}

std::string Label(ILayer* layer)
{
  char text[ZMDataView::kTextSize] = "";
  EXPECT_TRUE(dynamic_cast<CShapeLayer*>(layer)->GetLabelText(0, text, sizeof text));
  return text;
}

}  // namespace

TEST(AttributeEncodings, CpgFilesInTheSpellingsRealFilesUse)
{
  TempDir dir;
  struct Case {
    const char* cpg;
    std::string bytes;
    const char* expected;
  };
  const Case cases[] = {
      {"GBK", kBeijingGbk, "北京"},
      {"936", kBeijingGbk, "北京"},
      {"CP936\r\n", kBeijingGbk, "北京"},
      {"GB18030", kBeijingGbk, "北京"},
      {"Shift_JIS", kTokyoShiftJis, "東京"},
      {"CP932", kTokyoShiftJis, "東京"},
      {"ISO-8859-1", kZurichLatin1, "Zürich"},
      {"88591", kZurichLatin1, "Zürich"},
      {"1252", kCafe1252, "Café €"},
      {"ANSI 1252", kCafe1252, "Café €"},
      {"Windows-1252", kCafe1252, "Café €"},
      {"UTF-8", "日本", "日本"},
      {"utf8", "日本", "日本"},
  };
  CMapModel model;
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cpg);
    // The language-driver byte says something else: the .cpg wins.
    ILayer* layer = model.AddLayer(WriteTable(dir, "t" + std::to_string(index++), c.bytes, c.cpg, 0x57).c_str());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(Cell(layer), c.expected);
    EXPECT_EQ(Label(layer), c.expected) << "labels are drawn from the same text";
  }
}

TEST(AttributeEncodings, TheLanguageDriverByteWhenThereIsNoCpg)
{
  TempDir dir;
  CMapModel model;
  ILayer* gbk = model.AddLayer(WriteTable(dir, "gbk", kBeijingGbk, "", 0x4D).c_str());
  ILayer* gbkToo = model.AddLayer(WriteTable(dir, "gbk2", kBeijingGbk, "", 0x7A).c_str());
  ILayer* japanese = model.AddLayer(WriteTable(dir, "sjis", kTokyoShiftJis, "", 0x13).c_str());
  ILayer* western = model.AddLayer(WriteTable(dir, "ansi", kCafe1252, "", 0x57).c_str());
  ILayer* dos = model.AddLayer(WriteTable(dir, "dos", "\x81", "", 0x01).c_str());  // ü in code page 437
  ASSERT_TRUE(gbk && gbkToo && japanese && western && dos);
  EXPECT_EQ(Cell(gbk), "北京");
  EXPECT_EQ(Cell(gbkToo), "北京");
  EXPECT_EQ(Cell(japanese), "東京");
  EXPECT_EQ(Cell(western), "Café €");
  EXPECT_EQ(Cell(dos), "ü");
}

TEST(AttributeEncodings, WithoutHintsTheProcessCodePageAndItsOverride)
{
  TempDir dir;
  const std::string shp = WriteTable(dir, "plain", kBeijingGbk, "", 0);
  const char* before = std::getenv("ZAMRA_CODEPAGE");
  const std::string saved = before ? before : "";
  setenv("ZAMRA_CODEPAGE", "936", 1);
  {
    CMapModel model;
    ILayer* layer = model.AddLayer(shp.c_str());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(Cell(layer), "北京") << "a Chinese desktop's code page";
  }
  setenv("ZAMRA_CODEPAGE", "65001", 1);
  {
    CMapModel model;
    ILayer* layer = model.AddLayer(shp.c_str());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(Cell(layer), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")
        << "invalid bytes become U+FFFD, never raw";
  }
  if (before)
    setenv("ZAMRA_CODEPAGE", saved.c_str(), 1);
  else
    unsetenv("ZAMRA_CODEPAGE");
}

TEST(AttributeEncodings, InvalidBytesAndLongTextsStayWithinTheBuffer)
{
  TempDir dir;
  CMapModel model;
  ILayer* broken = model.AddLayer(WriteTable(dir, "broken",
                                             "a\xFF"
                                             "b",
                                             "UTF-8", 0)
                                      .c_str());
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(Cell(broken), "a\xEF\xBF\xBD"
                          "b");

  // 127 Chinese characters take 254 bytes in GBK and 381 in UTF-8: the cell is cut at a
  // character boundary within the view's 256-byte buffers.
  std::string wide;
  for (int i = 0; i < 127; ++i)
    wide += kBeijingGbk.substr(0, 2);
  ILayer* layer = model.AddLayer(WriteTable(dir, "long", wide, "GBK", 0).c_str());
  ASSERT_NE(layer, nullptr);
  const std::string cell = Cell(layer);
  EXPECT_EQ(cell.size(), 255u);
  std::string expected;
  for (int i = 0; i < 85; ++i)
    expected += "北";
  EXPECT_EQ(cell, expected);
  char small[8];
  dynamic_cast<CShapeLayer*>(layer)->LayerDataView()->GetItemText(0, 0, small, sizeof small);
  EXPECT_STREQ(small, "北北") << "7 bytes hold two characters, not two and a third";
}

TEST(AttributeEncodings, IdentifyAndDbfinfoPrintUtf8)
{
  TempDir dir;
  const std::string shp = WriteTable(dir, "gbk", kBeijingGbk, "", 0x4D);
  int status = -1;
  std::string out = zamra_test::RunCommand(
      "QT_QPA_PLATFORM=offscreen " + std::string(ZAMRA_TOOLS_DIR) + "/mapory-identify 1 1 '" + shp + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("北京"), std::string::npos) << out;
  out = zamra_test::RunCommand(std::string(ZAMRA_TOOLS_DIR) + "/dbfinfo '" + dir.File("gbk.dbf") + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("0\t北京"), std::string::npos) << out;
  EXPECT_NE(out.find("code page: 936 (from the language driver byte)"), std::string::npos) << out;
}

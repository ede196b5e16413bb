// Shapefiles inside .zip archives (written by Python's zipfile, in folders too) read into memory
// through the same reader as files on disk: companions, .cpg, .prj and damage handling alike;
// damaged archives, unsafe member names and oversized members refused without a file written;
// the workspace keeps the archive and the member.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"
#include "view/izamra_view.h"
#include "view/shapefile_archive.h"

using namespace zamra::view;

using zamra_test::ReadAll;
using zamra_test::RunPython;
using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteAll;
using zamra_test::WriteShapefile;

namespace {

const char* const kUtm33nWkt =
    R"(PROJCS["WGS_1984_UTM_Zone_33N",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,)"
    R"(298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],)"
    R"(PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],)"
    R"(PARAMETER["Central_Meridian",15.0],PARAMETER["Scale_Factor",0.9996],PARAMETER["Latitude_Of_Origin",0.0],)"
    R"(UNIT["Meter",1.0]])";

std::unique_ptr<IZamraView> NewView()
{
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  EXPECT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, nullptr, 2001), 1);
  return view;
}

// Zips `files` (path on disk, name in the archive) into `archive`; names are kept as given.
// Every member deflated, as zip tools write them; with `storeTables` the .dbf members are stored
// as they are, as some tools do with members that do not shrink.
void Zip(const TempDir& dir, const std::string& archive, const std::vector<std::pair<std::string, std::string>>& files,
         bool storeTables = false)
{
  std::string arguments = std::string(storeTables ? "stored" : "deflated") + " '" + archive + "'";
  for (const auto& [path, name] : files)
    arguments += " '" + path + "' '" + name + "'";
  int status = -1;
  const std::string output = RunPython(dir, R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_DEFLATED) as z:
    for path, name in zip(sys.argv[3::2], sys.argv[4::2]):
        stored = sys.argv[1] == 'stored' and name.endswith('.dbf')
        z.writestr(zipfile.ZipInfo(name), open(path, 'rb').read(), zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED)
)",
                                       arguments, &status);
  ASSERT_EQ(status, 0) << output;
}

std::vector<std::pair<std::string, std::string>> Trio(const std::string& base, const std::string& inside)
{
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* extension : {".shp", ".shx", ".dbf"})
    files.emplace_back(base + extension, inside + extension);
  return files;
}

std::string Cell(ILayer* layer, int row, int column)
{
  char text[ZMDataView::kTextSize] = "";
  static_cast<CShapeLayer*>(layer)->LayerDataView()->GetItemText(row, column, text, sizeof text);
  return text;
}

std::set<std::string> FilesUnder(const std::string& folder)
{
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.insert(entry.path().string());
  return names;
}

// Three squares named in Latin-2 ("ąę0", ...), with a .cpg and a UTM zone 33N .prj; the squares
// lie 1 km apart near 500 km east, 5000 km north.
std::string WriteProjectedSquares(const TempDir& dir, const std::string& name)
{
  const std::string base = dir.File(name);
  std::vector<TestShape> shapes;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 3; ++i) {
    shapes.push_back(TestShape{{Square(500000 + 2000 * i, 5000000, 1000)}});
    rows.push_back({"\xB1\xEA" + std::to_string(i)});
  }
  EXPECT_TRUE(WriteShapefile(base, SHPT_POLYGON, shapes, {TestColumn{"name", FTString, 10, 0}}, rows));
  std::ofstream(base + ".cpg") << "latin2";
  std::ofstream(base + ".prj") << kUtm33nWkt;
  return base;
}

}  // namespace

TEST(ZippedShapefiles, AShapefileInAFolderOfAnArchiveLoadsAsTheSameFilesOnDisk)
{
  TempDir dir;
  const std::string base = WriteProjectedSquares(dir, "squares");
  std::vector<std::pair<std::string, std::string>> files = Trio(base, "data/2024/squares");
  files.emplace_back(base + ".cpg", "data/2024/squares.cpg");
  files.emplace_back(base + ".prj", "data/2024/squares.prj");
  files.emplace_back(base + ".cpg", "readme.txt");
  Zip(dir, dir.File("squares.zip"), files, true);
  const std::set<std::string> before = FilesUnder(dir.Path());

  CMapModel model;
  auto* onDisk = dynamic_cast<CShapeLayer*>(model.AddLayer((base + ".shp").c_str()));
  auto* zipped = dynamic_cast<CShapeLayer*>(model.AddLayer(dir.File("squares.zip").c_str()));
  ASSERT_NE(onDisk, nullptr);
  ASSERT_NE(zipped, nullptr) << "an archive with one shapefile stands for it";
  EXPECT_EQ(std::string(zipped->Path()), dir.File("squares.zip") + "/data/2024/squares.shp");
  char name[260] = {};
  zipped->GetName(name);
  EXPECT_STREQ(name, "squares.shp");
  EXPECT_EQ(zipped->Projection().coordinates, LayerCoordinates::Transformed);
  ASSERT_EQ(zipped->RecordCount(), 3);
  double a[4], b[4];
  onDisk->GetRect(&a[0], &a[1], &a[2], &a[3]);
  zipped->GetRect(&b[0], &b[1], &b[2], &b[3]);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(a[i], b[i]);
  for (int record = 0; record < 3; ++record) {
    SCOPED_TRACE(record);
    EXPECT_EQ(Cell(zipped, record, 0), "ąę" + std::to_string(record)) << "the .cpg in the archive counts";
    double box[4];
    onDisk->GetShapeRect(record, &box[0], &box[1], &box[2], &box[3]);
    const double x = (box[0] + box[2]) / 2, y = (box[1] + box[3]) / 2;
    EXPECT_EQ(zipped->HitTest(x, y), record);
  }
  EXPECT_EQ(FilesUnder(dir.Path()), before) << "nothing unpacked";
  EXPECT_EQ(model.AddLayer(zipped->Path()), nullptr) << "loaded already";
}

TEST(ZippedShapefiles, SeveralShapefilesAreListedAndEachOpensByItsMemberPath)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("a"), SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}}));
  ASSERT_TRUE(WriteShapefile(dir.File("b"), SHPT_ARC, {TestShape{{{{0, 0}, {5, 5}}}}}));
  std::vector<std::pair<std::string, std::string>> files = Trio(dir.File("a"), "land/A");
  for (auto& [path, inside] : files)
    inside = inside.substr(0, inside.size() - 3) + (inside.back() == 'p'   ? "SHP"
                                                    : inside.back() == 'x' ? "SHX"
                                                                           : "DBF");
  for (const auto& file : Trio(dir.File("b"), "roads"))
    files.push_back(file);
  files.emplace_back(dir.File("a.shp"), "nodbf/lonely.shp");
  Zip(dir, dir.File("two.zip"), files);

  std::vector<std::string> members;
  ASSERT_EQ(ZamraArchive::ListShapefiles(dir.File("two.zip"), members), ZamraArchiveStatus::Ok);
  EXPECT_EQ(members, (std::vector<std::string>{"land/A.SHP", "roads.shp", "nodbf/lonely.shp"}));
  CMapModel model;
  EXPECT_EQ(model.AddLayer(dir.File("two.zip").c_str()), nullptr) << "the host chooses among several";
  ILayer* land = model.AddLayer(ZamraArchive::MemberPath(dir.File("two.zip"), "land/A.SHP").c_str());
  ILayer* roads = model.AddLayer(ZamraArchive::MemberPath(dir.File("two.zip"), "roads.shp").c_str());
  ILayer* lonely = model.AddLayer(ZamraArchive::MemberPath(dir.File("two.zip"), "nodbf/lonely.shp").c_str());
  ASSERT_TRUE(land && roads && lonely);
  EXPECT_EQ(land->GetType(), 5);
  EXPECT_EQ(roads->GetType(), 3);
  EXPECT_EQ(Cell(land, 0, 0), "row0") << "its upper-case .DBF";
  EXPECT_EQ(lonely->GetDataView()->GetColumnCount(), 0) << "no .dbf beside it in the archive";
  EXPECT_EQ(lonely->GetDataView()->GetRowCount(), 1);
  EXPECT_EQ(model.AddLayer(ZamraArchive::MemberPath(dir.File("two.zip"), "missing.shp").c_str()), nullptr);

  std::string archive, member;
  EXPECT_TRUE(ZamraArchive::SplitMemberPath(dir.File("two.zip") + "/land/A.SHP", archive, member));
  EXPECT_EQ(archive, dir.File("two.zip"));
  EXPECT_EQ(member, "land/A.SHP");
  EXPECT_FALSE(ZamraArchive::SplitMemberPath(dir.File("a.shp"), archive, member));
}

TEST(ZippedShapefiles, DamagedUnsafeAndOversizedArchivesAreRefusedWithoutAFileWritten)
{
  TempDir dir;
  ASSERT_TRUE(
      WriteShapefile(dir.File("a"), SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}, TestShape{{Square(2, 2, 1)}}}));
  Zip(dir, dir.File("good.zip"), Trio(dir.File("a"), "a"));
  const std::vector<unsigned char> good = ReadAll(dir.File("good.zip"));
  std::filesystem::create_directories(dir.File("out"));
  std::vector<std::pair<std::string, ZamraArchiveStatus>> cases;

  // A byte of the compressed .shp changed: it fails its CRC (or its inflation).
  std::vector<unsigned char> bytes = good;
  bytes[30 + 5 + 40] ^= 0x55;  // past the first local header and the name "a.shp"
  WriteAll(dir.File("crc.zip"), bytes);
  cases.emplace_back(dir.File("crc.zip"), ZamraArchiveStatus::Damaged);
  // The .shp's bytes sound but its CRC (local header offset 14, directory entry offset 16) not.
  bytes = good;
  const std::vector<unsigned char> directory = {'P', 'K', 1, 2};
  const auto entry = std::search(bytes.begin(), bytes.end(), directory.begin(), directory.end());
  ASSERT_NE(entry, bytes.end());
  bytes[14] ^= 0x01;
  bytes[static_cast<size_t>(entry - bytes.begin()) + 16] ^= 0x01;
  WriteAll(dir.File("crconly.zip"), bytes);
  cases.emplace_back(dir.File("crconly.zip"), ZamraArchiveStatus::Damaged);
  // Cut in the middle: its directory is gone.
  WriteAll(dir.File("cut.zip"), std::vector<unsigned char>(good.begin(), good.begin() + good.size() / 2));
  cases.emplace_back(dir.File("cut.zip"), ZamraArchiveStatus::CannotOpen);
  WriteAll(dir.File("text.zip"), std::vector<unsigned char>(100, 'x'));
  cases.emplace_back(dir.File("text.zip"), ZamraArchiveStatus::CannotOpen);
  cases.emplace_back(dir.File("missing.zip"), ZamraArchiveStatus::CannotOpen);
  // Names that would land outside the folder it were unpacked into.
  for (const char* unsafe : {"../../out/a", "/tmp/zamra-unsafe/a", "data/../../a"}) {
    const std::string archive = dir.File("unsafe" + std::to_string(cases.size()) + ".zip");
    Zip(dir, archive, Trio(dir.File("a"), unsafe));
    cases.emplace_back(archive, ZamraArchiveStatus::UnsafePath);
  }
  // Only a text file.
  Zip(dir, dir.File("empty.zip"), {{dir.File("a.dbf"), "notes.txt"}});
  cases.emplace_back(dir.File("empty.zip"), ZamraArchiveStatus::NoShapefile);
  const std::set<std::string> before = FilesUnder(dir.Path());

  for (const auto& [archive, expected] : cases) {
    SCOPED_TRACE(archive);
    std::vector<std::string> members;
    const ZamraArchiveStatus listed = ZamraArchive::ListShapefiles(archive, members);
    if (expected == ZamraArchiveStatus::Damaged) {
      ASSERT_EQ(listed, ZamraArchiveStatus::Ok) << "its directory is sound";
      ShapefileBytes files;
      EXPECT_EQ(ReadArchiveShapefile(archive, "a.shp", files), ZamraArchiveStatus::Damaged);
    } else {
      EXPECT_EQ(listed, expected);
      EXPECT_TRUE(members.empty());
    }
    CMapModel model;
    EXPECT_EQ(model.AddLayer(archive.c_str()), nullptr);
    EXPECT_EQ(model.AddLayer((archive + "/a.shp").c_str()), nullptr);
  }
  EXPECT_EQ(FilesUnder(dir.Path()), before) << "nothing written anywhere";
  EXPECT_FALSE(std::filesystem::exists("/tmp/zamra-unsafe"));

  // A member that claims more than a shapefile can hold is refused before any is read: the
  // uncompressed size in its local header (offset 22) and its directory entry (offset 24).
  bytes = good;
  const auto putSize = [&bytes](size_t at) {
    const std::uint32_t huge = 0x90000000u;
    std::memcpy(&bytes[at], &huge, 4);
  };
  putSize(22);
  std::vector<unsigned char> signature = {'P', 'K', 1, 2};
  const auto central = std::search(bytes.begin(), bytes.end(), signature.begin(), signature.end());
  ASSERT_NE(central, bytes.end());
  putSize(static_cast<size_t>(central - bytes.begin()) + 24);
  WriteAll(dir.File("huge.zip"), bytes);
  ShapefileBytes files;
  EXPECT_EQ(ReadArchiveShapefile(dir.File("huge.zip"), "a.shp", files), ZamraArchiveStatus::TooLarge);

  // A .shp cut short inside a sound archive keeps its complete records, as on disk.
  std::vector<unsigned char> shp = ReadAll(dir.File("a.shp"));
  shp.resize(shp.size() - 10);
  WriteAll(dir.File("cut.shp"), shp);
  Zip(dir, dir.File("cutshp.zip"), {{dir.File("cut.shp"), "a.shp"}, {dir.File("a.dbf"), "a.dbf"}});
  CMapModel model;
  auto* layer = dynamic_cast<CShapeLayer*>(model.AddLayer(dir.File("cutshp.zip").c_str()));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->RecordCount(), 1);
  EXPECT_EQ(layer->DamagedFrom(), 1);
}

TEST(ZippedShapefiles, TheWorkspaceKeepsTheArchiveAndTheMember)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("a"), SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}}));
  ASSERT_TRUE(WriteShapefile(dir.File("b"), SHPT_POLYGON, {TestShape{{Square(5, 5, 1)}}}));
  std::vector<std::pair<std::string, std::string>> files = Trio(dir.File("a"), "x/a");
  for (const auto& file : Trio(dir.File("b"), "b"))
    files.push_back(file);
  Zip(dir, dir.File("ab.zip"), files);
  std::unique_ptr<IZamraView> view = NewView();
  const std::string member = ZamraArchive::MemberPath(dir.File("ab.zip"), "x/a.shp");
  ASSERT_NE(view->AddLayer(member.c_str()), nullptr);
  ASSERT_EQ(view->SaveXml(dir.File("w.xml").c_str()), 1);
  // The file is UTF-16 with a byte-order mark; its paths here are ASCII.
  const std::vector<unsigned char> saved = ReadAll(dir.File("w.xml"));
  ASSERT_GT(saved.size(), 2u);
  std::string text;
  for (size_t at = 2; at + 1 < saved.size(); at += 2)
    text.push_back(static_cast<char>(saved[at]));
  const std::string expected = "path=\"" + member + "\"  archive=\"" + dir.File("ab.zip") + "\"  member=\"x/a.shp\"";
  EXPECT_NE(text.find(expected), std::string::npos) << text;

  std::unique_ptr<IZamraView> restored = NewView();
  ASSERT_EQ(restored->LoadXml(dir.File("w.xml").c_str()), 1);
  ASSERT_EQ(restored->GetLayerCount(), 1);
  char path[260] = {};
  restored->GetLayerByIndex(0)->GetPath(path);
  EXPECT_EQ(std::string(path), member);
  EXPECT_EQ(restored->GetLayerByIndex(0)->HitTest(0.5, 0.5), 0);

  // The archive and the member decide over a path that no longer names them.
  std::string edited = text;
  edited.replace(edited.find("path=\"" + member), 6 + member.size(), "path=\"" + dir.File("elsewhere.shp"));
  std::vector<unsigned char> wide(saved.begin(), saved.begin() + 2);
  for (char c : edited) {
    wide.push_back(static_cast<unsigned char>(c));
    wide.push_back(0);
  }
  WriteAll(dir.File("w2.xml"), wide);
  std::unique_ptr<IZamraView> again = NewView();
  ASSERT_EQ(again->LoadXml(dir.File("w2.xml").c_str()), 1);
  EXPECT_EQ(again->GetLayerCount(), 1);
}

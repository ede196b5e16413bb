// A table loaded and saved again keeps every value, as two independent readers (pyshp and
// GDAL's ogrinfo) see it: the samples' tables, and tables made by pyshp that hold wide
// decimals, 64-bit integers, blank and "*"-filled numbers and deleted records.
// SPDX-License-Identifier: MIT
#include "api/formats/dbf_file.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/formats/shape_file.h"
#include "support/table_values.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::CellText;
using zamra_test::ReadAll;
using zamra_test::RunCommand;
using zamra_test::TempDir;
using zamra_test::WriteAll;

// Runs a Python script (pyshp) with the arguments; its output, or the failure.
std::string Python(const TempDir& dir, const std::string& script, const std::string& arguments)
{
  WriteAll(dir.File("script.py"), std::vector<unsigned char>(script.begin(), script.end()));
  int status = -1;
  const std::string output = RunCommand("/usr/bin/python3 '" + dir.File("script.py") + "' " + arguments + " 2>&1",
                                        &status);
  EXPECT_EQ(status, 0) << output;
  return output;
}

// Every live record as pyshp reads it, one line each.
std::string PyshpRecords(const TempDir& dir, const std::string& dbf)
{
  return Python(dir, R"(
import shapefile, sys
with open(sys.argv[1], 'rb') as f:
    r = shapefile.Reader(dbf=f)
    print([field[:4] for field in r.fields[1:]])
    for record in r.records():
        print(list(record))
)",
                "'" + dbf + "'");
}

// Every live record as GDAL reads it, without the lines that name the file or its date.
std::string OgrRecords(const std::string& dbf)
{
  int status = -1;
  const std::string output = RunCommand("ogrinfo -ro -al -q '" + dbf + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << output;
  std::string kept;
  size_t start = 0;
  while (start < output.size()) {
    const size_t end = std::min(output.find('\n', start), output.size());
    const std::string line = output.substr(start, end - start);
    if (line.find("Layer name") == std::string::npos && line.find("DBF_DATE_LAST_UPDATE") == std::string::npos)
      kept += line + "\n";
    start = end + 1;
  }
  return kept;
}

// A copy of a .dbf (and its .cpg) alone in folder `folder` under the name table.dbf, so that
// a reader of the original sees no .shp beside it and names its layer as it names the copy's.
std::string Alone(const TempDir& dir, const std::string& folder, const std::string& dbf)
{
  std::filesystem::create_directories(dir.File(folder));
  const std::string copy = dir.File(folder + "/table.dbf");
  std::filesystem::copy_file(dbf, copy, std::filesystem::copy_options::overwrite_existing);
  const std::filesystem::path codePage = std::filesystem::path(dbf).replace_extension(".cpg");
  if (std::filesystem::exists(codePage))
    std::filesystem::copy_file(codePage, dir.File(folder + "/table.cpg"),
                               std::filesystem::copy_options::overwrite_existing);
  return copy;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

bool SetText(ZMDataView& table, int row, int column, const std::string& text)
{
  return table.SetItemValue(row, column, zamra_test::TextValue(text));
}

// Five records: wide decimals, integers beyond 32 bits, "*"-filled (pyshp's NULL) and blank
// numbers, a deleted record, an "F" field.
const char* const kEveryCase = R"(
import shapefile, struct, sys
w = shapefile.Writer(sys.argv[1], shapeType=shapefile.POINT)
w.field('NAME', 'C', 16)
w.field('WIDE2', 'N', 16, 2)
w.field('WIDE6', 'N', 16, 6)
w.field('BIG', 'N', 20, 0)
w.field('HUGE', 'N', 21, 0)
w.field('SMALL', 'N', 10, 0)
w.field('AVOGADRO', 'N', 30, 2)
w.field('RATE', 'F', 12, 4)
rows = [('Berlin', 1623819823.81, 330470.010332, 9007199254740993, 10**20, 42, 6.02214076e23, 0.1234),
        ('Paris', -0.01, 0.000001, -2**63, -10**19, -7, 1.5, -3.25),
        ('Nothing', None, None, None, None, None, None, None),
        ('Rome', 1.0, 2.0, 3, 4, 5, 6.0, 7.0),
        ('Oslo', 0.5, 0.25, 2**40, 1, 2, 3.0, 4.0)]
for index, row in enumerate(rows):
    w.point(index, index)
    w.record(*row)
w.close()
data = bytearray(open(sys.argv[1] + '.dbf', 'rb').read())
header, length = struct.unpack('<HH', data[8:12])
data[header + 4 * length] = ord('*')                      # Oslo is deleted
small = 1 + 16 + 16 + 16 + 20 + 21                        # Rome's SMALL is blank, not starred
data[header + 3 * length + small:header + 3 * length + small + 10] = b' ' * 10
open(sys.argv[1] + '.dbf', 'wb').write(data)
)";

TEST(LoadSaveRoundTrip, ATableWithEveryCaseKeepsEveryValueForPyshpAndGdal)
{
  TempDir dir;
  Python(dir, kEveryCase, "'" + dir.File("cases") + "'");
  const std::string original = dir.File("cases.dbf");
  std::unique_ptr<ZMDataView> table(ZMDbfFile::LoadFile(original.c_str()));
  ASSERT_TRUE(table);
  ASSERT_EQ(table->GetRowCount(), 5);  // the deleted record too

  // What callers see: the reading table's column types, numbers as the file has them.
  char type = 0, flag = 0;
  int length = 0;
  table->GetColumn(3, type, length, nullptr, nullptr, flag);
  EXPECT_EQ(type, ZM_VAR_INT);
  table->GetColumn(1, type, length, nullptr, nullptr, flag);
  EXPECT_EQ(type, ZM_VAR_FLOAT);
  EXPECT_EQ(CellText(*table, 0, 1), "1623819823.810000");
  EXPECT_EQ(CellText(*table, 0, 2), "330470.010332");
  EXPECT_EQ(CellText(*table, 0, 3), "9007199254740993");
  EXPECT_EQ(CellText(*table, 1, 3), "-9223372036854775808");
  EXPECT_EQ(CellText(*table, 0, 4), "100000000000000000000");
  EXPECT_EQ(CellText(*table, 2, 5), "");  // "*"-filled
  EXPECT_EQ(CellText(*table, 3, 5), "");  // blank

  ASSERT_TRUE(SetText(*table, 0, 0, "Bonn"));
  const std::string saved = dir.File("saved.dbf");
  ASSERT_EQ(ZMDbfFile::SaveFile(saved.c_str(), table.get()), 1);

  EXPECT_EQ(PyshpRecords(dir, saved), Replaced(PyshpRecords(dir, original), "Berlin", "Bonn"));
  EXPECT_EQ(OgrRecords(Alone(dir, "b", saved)), Replaced(OgrRecords(Alone(dir, "a", original)), "Berlin", "Bonn"));
  const std::vector<unsigned char> bytes = ReadAll(saved);
  const size_t header = bytes[8] | bytes[9] << 8, record = bytes[10] | bytes[11] << 8;
  EXPECT_EQ(bytes[header + 4 * record], '*');  // still deleted
  EXPECT_EQ(std::string(bytes.begin() + 32 + 11, bytes.begin() + 32 + 12), "C");
  EXPECT_EQ(std::string(bytes.begin() + 32 * 8 + 11, bytes.begin() + 32 * 8 + 12), "F");  // RATE stays "F"
}

TEST(LoadSaveRoundTrip, TheSamplesTablesReadBackTheSame)
{
  TempDir dir;
  int tables = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZAMRA_SAMPLES_DIR)) {
    if (entry.path().extension() != ".dbf")
      continue;
    ++tables;
    const std::string original = entry.path().string();
    std::unique_ptr<ZMDataView> table(ZMDbfFile::LoadFile(original.c_str()));
    ASSERT_TRUE(table) << original;
    const std::string saved = dir.File(entry.path().filename().string());
    ASSERT_EQ(ZMDbfFile::SaveFile(saved.c_str(), table.get()), 1) << original;
    EXPECT_EQ(PyshpRecords(dir, saved), PyshpRecords(dir, original)) << original;
    EXPECT_EQ(OgrRecords(Alone(dir, "b", saved)), OgrRecords(Alone(dir, "a", original))) << original;
  }
  EXPECT_GT(tables, 0);
}

TEST(LoadSaveRoundTrip, AShapefileWithFewerRowsThanShapesSavesEveryShape)
{
  TempDir dir;
  Python(dir, R"(
import shapefile, struct, sys
w = shapefile.Writer(sys.argv[1], shapeType=shapefile.POINT)
w.field('NAME', 'C', 8)
w.field('ID', 'N', 4, 0)
for index in range(3):
    w.point(index, 10 * index)
    w.record('P%d' % index, index)
w.close()
data = bytearray(open(sys.argv[1] + '.dbf', 'rb').read())
header, length = struct.unpack('<HH', data[8:12])
data[4:8] = struct.pack('<i', 2)                          # the third row is missing
open(sys.argv[1] + '.dbf', 'wb').write(data[:header + 2 * length] + b'\x1a')
)",
         "'" + dir.File("points") + "'");
  std::unique_ptr<ZMShapeFile> file(ZMShapeFile::GetInstance(dir.File("points.shp").c_str()));
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Save(dir.File("saved.shp").c_str()));
  const std::string output = Python(dir, R"(
import shapefile, sys
r = shapefile.Reader(sys.argv[1])
for shape, record in zip(r.shapes(), r.records()):
    print(shape.points, list(record))
)",
                                    "'" + dir.File("saved") + "'");
  EXPECT_EQ(output, "[[0.0, 0.0]] ['P0', 0]\n[[1.0, 10.0]] ['P1', 1]\n[[2.0, 20.0]] ['', None]\n");
}

TEST(LoadSaveRoundTrip, ANumberWiderThanItsFieldIsRoundedOrRefusedNeverCut)
{
  TempDir dir;
  ZMDataView table(3);
  table.SetColumn(0, ZM_VAR_FLOAT, 20, "AVOGADRO", nullptr, 1);
  table.SetColumn(1, ZM_VAR_FLOAT, 11, "ROUNDED", "%.2f", 1);
  table.SetColumn(2, ZM_VAR_INT, 3, "ID", nullptr, 1);
  table.AddRow();
  ASSERT_TRUE(table.SetItemValue(0, 0, zamra_test::FloatValue(6.02214076e23f)));
  ASSERT_TRUE(table.SetItemValue(0, 1, zamra_test::DoubleValue(12345678.126)));
  const std::string path = dir.File("wide.dbf");
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), &table), 1);
  const std::string output = Python(dir, R"(
import shapefile, sys
with open(sys.argv[1], 'rb') as f:
    print(shapefile.Reader(dbf=f).record(0)[:2])
)",
                                    "'" + path + "'");
  // The single's own shortest form, and the field's two decimals.
  EXPECT_EQ(output, "[6.0221406e+23, 12345678.13]\n");

  // 123456 in three digits cannot be rounded: the save is refused and the file stays.
  ASSERT_TRUE(table.SetItemValue(0, 2, zamra_test::IntValue(123456)));
  const std::vector<unsigned char> before = ReadAll(path);
  EXPECT_EQ(ZMDbfFile::SaveFile(path.c_str(), &table), 0);
  EXPECT_EQ(ReadAll(path), before);
}

}  // namespace

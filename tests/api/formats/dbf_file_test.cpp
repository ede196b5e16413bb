// ZMDbfFile: reading dBASE files (our own, shapelib's and hand-made broken ones) and writing
// them byte for byte.
// SPDX-License-Identifier: MIT
#include "api/formats/dbf_file.h"

#include <clocale>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <shapefil.h>
#include <signal.h>        // SIGXFSZ
#include <sys/resource.h>  // RLIMIT_FSIZE

#include "support/table_values.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::CellNumber;
using zamra_test::CellText;
using zamra_test::Column;
using zamra_test::ColumnInfo;
using zamra_test::DoubleValue;
using zamra_test::FloatValue;
using zamra_test::IntValue;
using zamra_test::TextValue;

using zamra_test::ReadAll;
using zamra_test::TempDir;
using zamra_test::WriteAll;

constexpr int kDefault = INT32_MIN;  // take the value from the content

struct FieldDescriptor {
  std::string name;
  char letter;
  int lengthByte;
  int decimals;
};

// A dBASE file made by hand: header, descriptors, terminator, records (each given whole,
// deletion flag included), and the end byte when asked.
std::vector<unsigned char> MakeDbf(const std::vector<FieldDescriptor>& fields, const std::vector<std::string>& records,
                                   bool endByte = true, int recordCount = kDefault, int headerLength = kDefault,
                                   int recordLength = kDefault)
{
  std::vector<unsigned char> bytes(32, 0);
  bytes[0] = 3;
  int computedRecordLength = 1;
  for (const FieldDescriptor& field : fields)
    computedRecordLength += field.lengthByte + (field.letter == 'N' || field.letter == 'F' ? 0 : 256 * field.decimals);
  const std::int32_t count = recordCount != kDefault ? recordCount : static_cast<std::int32_t>(records.size());
  const auto header = static_cast<std::int16_t>(headerLength != kDefault ? headerLength : 32 * fields.size() + 33);
  const auto record = static_cast<std::int16_t>(recordLength != kDefault ? recordLength : computedRecordLength);
  std::memcpy(&bytes[4], &count, 4);
  std::memcpy(&bytes[8], &header, 2);
  std::memcpy(&bytes[10], &record, 2);
  for (const FieldDescriptor& field : fields) {
    unsigned char descriptor[32] = {};
    std::memcpy(descriptor, field.name.data(), std::min<size_t>(field.name.size(), 11));
    descriptor[11] = static_cast<unsigned char>(field.letter);
    descriptor[16] = static_cast<unsigned char>(field.lengthByte);
    descriptor[17] = static_cast<unsigned char>(field.decimals);
    bytes.insert(bytes.end(), descriptor, descriptor + 32);
  }
  bytes.push_back(0x0D);
  for (const std::string& text : records)
    bytes.insert(bytes.end(), text.begin(), text.end());
  if (endByte)
    bytes.push_back(0x1A);
  return bytes;
}

std::string Left(std::string text, size_t width)
{
  text.resize(width, ' ');
  return text;
}

std::string Right(const std::string& text, size_t width) { return std::string(width - text.size(), ' ') + text; }

std::unique_ptr<ZMDataView> Load(const std::string& path)
{
  return std::unique_ptr<ZMDataView>(ZMDbfFile::LoadFile(path.c_str()));
}

TEST(DbfFile, ReadsColumnsAndCellsOfEveryFieldLetter)
{
  TempDir dir;
  const std::string path = dir.File("mixed.dbf");
  WriteAll(
      path,
      MakeDbf(
          {{"NAME", 'C', 10, 0}, {"COUNT", 'N', 10, 0}, {"RATE", 'N', 12, 2}, {"DAY", 'D', 8, 0}, {"OK", 'L', 1, 0}},
          {std::string(" ") + " ABCDE    " + "        42" + "        3.25" + "20091206" + "T",
           std::string("*") + "Gone      " + "  -7abc   " + "            " + "        " + "F"},
          /*endByte=*/false));
  auto table = Load(path);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->GetColumnCount(), 5);
  ASSERT_EQ(table->GetRowCount(), 2);  // the deleted record loads, the missing end byte is fine

  const char expectedTypes[] = {ZM_VAR_STRING, ZM_VAR_INT, ZM_VAR_FLOAT, ZM_VAR_STRING, ZM_VAR_STRING};
  const int expectedLengths[] = {10, 10, 12, 8, 1};
  for (int column = 0; column < 5; ++column) {
    EXPECT_EQ(Column(*table, column).type, expectedTypes[column]) << column;
    EXPECT_EQ(Column(*table, column).length, expectedLengths[column]) << column;
    EXPECT_EQ(Column(*table, column).flag, 1);
  }
  EXPECT_STREQ(Column(*table, 1).name, "COUNT");
  EXPECT_STREQ(Column(*table, 2).format, "%f");

  EXPECT_EQ(CellText(*table, 0, 0), " ABCDE");  // trailing spaces go, leading ones stay
  EXPECT_EQ(CellNumber<std::int32_t>(*table, 0, 1), 42);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 2), 3.25);  // a FLOAT column holds doubles
  EXPECT_EQ(CellText(*table, 0, 3), "20091206");
  EXPECT_EQ(CellText(*table, 0, 4), "T");
  EXPECT_EQ(CellText(*table, 1, 0), "Gone");
  EXPECT_EQ(CellNumber<std::int32_t>(*table, 1, 1), -7);  // up to the first character that is no digit
  EXPECT_EQ(CellText(*table, 1, 2), "");                  // a blank number has no value
}

TEST(DbfFile, ReadsCharacterFieldsLongerThan254BytesWhole)
{
  TempDir dir;
  const std::string path = dir.File("long.dbf");
  std::string value(300, 'x');
  value[0] = 'a';
  value[299] = 'z';
  // Length byte 0x2C and decimal count 1: 44 + 256 = 300.
  WriteAll(path, MakeDbf({{"NOTE", 'C', 0x2C, 1}, {"ID", 'N', 4, 0}}, {" " + value + "  17"}));
  auto table = Load(path);
  ASSERT_TRUE(table);
  EXPECT_EQ(Column(*table, 0).type, ZM_VAR_STRING);
  EXPECT_EQ(Column(*table, 0).length, 300);
  zm_variant cell;
  table->GetItemValue(0, 0, cell);
  ASSERT_EQ(cell.length, 301);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(cell.data)), value);
  EXPECT_EQ(CellNumber<std::int32_t>(*table, 0, 1), 17);  // the next field is where it belongs
}

TEST(DbfFile, RejectsBrokenHeaders)
{
  TempDir dir;
  const std::vector<FieldDescriptor> fields = {{"ID", 'N', 5, 0}};
  const auto twoRecords = std::vector<std::string>{"     1", "     2"};
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"header length below 33", MakeDbf(fields, twoRecords, true, kDefault, 32)},
      {"negative header length", MakeDbf(fields, twoRecords, true, kDefault, 0x8001)},
      {"more records than the file holds", MakeDbf(fields, twoRecords, true, 3)},
      {"negative record count", MakeDbf(fields, twoRecords, true, -2)},
      {"record shorter than its fields", MakeDbf(fields, twoRecords, true, kDefault, kDefault, 4)},
      {"header longer than the file", MakeDbf(fields, {}, false, 0, 4000)},
      {"shorter than a file header", std::vector<unsigned char>(20, 0)},
  };
  for (const Case& broken : cases) {
    const std::string path = dir.File("broken.dbf");
    WriteAll(path, broken.bytes);
    EXPECT_EQ(ZMDbfFile::LoadFile(path.c_str()), nullptr) << broken.what;
  }
  EXPECT_EQ(ZMDbfFile::LoadFile(dir.File("missing.dbf").c_str()), nullptr);
  EXPECT_EQ(ZMDbfFile::LoadFile(dir.Path().c_str()), nullptr);  // a folder
}

TEST(DbfFile, ExtraHeaderSpaceAfterTheTerminatorAddsNoColumns)
{
  TempDir dir;
  const std::string path = dir.File("backlink.dbf");
  std::vector<unsigned char> bytes = MakeDbf({{"ID", 'N', 5, 0}}, {});
  // Room for a 263-byte backlink after the terminator, as some writers leave it.
  bytes.pop_back();  // the end byte
  const std::int16_t header = 32 + 32 + 1 + 263;
  std::memcpy(&bytes[8], &header, 2);
  bytes.resize(header, 0);
  const std::string record = "   12";
  bytes.insert(bytes.end(), record.begin(), record.end());
  const std::int32_t one = 1;
  std::memcpy(&bytes[4], &one, 4);
  bytes.insert(bytes.begin() + header, ' ');
  WriteAll(path, bytes);
  auto table = Load(path);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->GetColumnCount(), 1);
  EXPECT_EQ(CellNumber<std::int32_t>(*table, 0, 0), 12);
}

TEST(DbfFile, DoubleFieldsKeepTheirValuesAsTextOrBinary)
{
  TempDir dir;
  const std::string path = dir.File("doubles.dbf");
  const double binary = -1234.5;
  std::string binaryText(8, '\0');
  std::memcpy(&binaryText[0], &binary, 8);
  const std::int64_t currency = 123456;  // 12.3456 in ten-thousandths
  std::string currencyText(8, '\0');
  std::memcpy(&currencyText[0], &currency, 8);
  WriteAll(path, MakeDbf({{"TEXT", 'B', 12, 0}, {"BIN", 'B', 8, 0}, {"CASH", 'Y', 8, 0}},
                         {" " + std::string("2.500000    ") + binaryText + currencyText}));
  auto table = Load(path);
  ASSERT_TRUE(table);
  for (int column = 0; column < 3; ++column)
    EXPECT_EQ(Column(*table, column).type, ZM_VAR_DOUBLE);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 0), 2.5);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 1), -1234.5);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 2), 12.3456);
}

// Other writers (Visual FoxPro among them) store an "I" field of 4 bytes as a binary
// little-endian integer; the text of earlier versions of ours still reads as text.
TEST(DbfFile, FourByteIFieldsHoldBinaryIntegers)
{
  TempDir dir;
  const std::string path = dir.File("binary_int.dbf");
  auto binary = [](std::int32_t value) {
    std::string bytes(4, '\0');
    std::memcpy(&bytes[0], &value, 4);
    return bytes;
  };
  const std::int32_t values[] = {0, 1, 48, -5, 1000000, INT32_MAX, INT32_MIN, 0x41424344};
  std::vector<std::string> records;
  for (std::int32_t value : values)
    records.push_back(" " + binary(value) + "name");
  records.push_back(" " + Left("12", 4) + "text");
  WriteAll(path, MakeDbf({{"ID", 'I', 4, 0}, {"NAME", 'C', 4, 0}}, records));
  auto table = Load(path);
  ASSERT_TRUE(table);
  EXPECT_EQ(Column(*table, 0).type, ZM_VAR_INT);
  const int count = static_cast<int>(std::size(values));
  ASSERT_EQ(table->GetRowCount(), count + 1);
  for (int row = 0; row < count; ++row) {
    EXPECT_EQ(CellNumber<std::int32_t>(*table, row, 0), values[row]) << row;
    EXPECT_EQ(CellText(*table, row, 1), "name") << row;
  }
  EXPECT_EQ(CellNumber<std::int32_t>(*table, count, 0), 12);

  // Saved, the values that fit 4 digits come back the same from the "N" field ours writes.
  WriteAll(path, MakeDbf({{"ID", 'I', 4, 0}}, {" " + binary(-5), " " + binary(48), " " + binary(7)}));
  auto small = Load(path);
  ASSERT_TRUE(small);
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), small.get()), 1);
  auto again = Load(path);
  ASSERT_TRUE(again);
  EXPECT_EQ(ReadAll(path)[32 + 11], 'N');
  EXPECT_EQ(CellNumber<std::int32_t>(*again, 0, 0), -5);
  EXPECT_EQ(CellNumber<std::int32_t>(*again, 1, 0), 48);
  EXPECT_EQ(CellNumber<std::int32_t>(*again, 2, 0), 7);
}

std::unique_ptr<ZMDataView> IntAndTextTable(int rows)
{
  auto table = std::make_unique<ZMDataView>(2);
  table->SetColumn(0, ZM_VAR_INT, 10, "POPULATION", nullptr, 1);
  table->SetColumn(1, ZM_VAR_STRING, 20, "A_NAME_OF_15_CH", nullptr, 1);
  for (int row = 0; row < rows; ++row) {
    table->AddRow();
    EXPECT_TRUE(table->SetItemValue(row, 0, IntValue(row == 0 ? 42 : 1000 + row)));
    const std::string text = row == 0 ? "A text longer than its twenty bytes" : "Row " + std::to_string(row);
    EXPECT_TRUE(table->SetItemValue(row, 1, TextValue(text)));
  }
  return table;
}

TEST(DbfFile, WritesTheLayoutByteForByte)
{
  TempDir dir;
  const std::string path = dir.File("out.dbf");
  auto table = IntAndTextTable(2);
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), table.get()), 1);
  const std::vector<unsigned char> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 32u + 64 + 1 + 2 * 31 + 1);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 109);
  EXPECT_EQ(bytes[2], 12);
  EXPECT_EQ(bytes[3], 6);
  EXPECT_EQ(bytes[4], 2);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 97);    // header length
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 31);  // record length
  for (int index = 12; index < 32; ++index)
    EXPECT_EQ(bytes[index], 0);
  // Descriptors: names cut to 11 bytes, letters, addresses within the record, lengths.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[32]), 11), "POPULATION" + std::string(1, '\0'));
  EXPECT_EQ(bytes[32 + 11], 'N');
  EXPECT_EQ(bytes[32 + 12], 0);
  EXPECT_EQ(bytes[32 + 16], 10);
  EXPECT_EQ(bytes[32 + 17], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[64]), 11), "A_NAME_OF_1");
  EXPECT_EQ(bytes[64 + 11], 'C');
  EXPECT_EQ(bytes[64 + 12], 10);
  EXPECT_EQ(bytes[64 + 16], 20);
  EXPECT_EQ(bytes[96], 0x0D);
  // Records: the valid-record flag, values left-aligned, padded and cut to their fields.
  EXPECT_EQ(bytes[97], ' ');
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[98]), 30), "42        A text longer than i");
  EXPECT_EQ(bytes[128], ' ');
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[129]), 30), "1001      Row 1               ");
  EXPECT_EQ(bytes.back(), 0x1A);

  // An empty table: header, descriptors, terminator and the end byte.
  table->RemoveAll();
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), table.get()), 1);
  const std::vector<unsigned char> empty = ReadAll(path);
  ASSERT_EQ(empty.size(), 32u + 64 + 1 + 1);
  EXPECT_EQ(empty[4], 0);
  EXPECT_EQ(empty[96], 0x0D);
  EXPECT_EQ(empty[97], 0x1A);
}

TEST(DbfFile, FloatAndDoubleColumnsComeBackWithTheirValues)
{
  TempDir dir;
  const std::string path = dir.File("numbers.dbf");
  ZMDataView table(3);
  table.SetColumn(0, ZM_VAR_FLOAT, 12, "RATE", nullptr, 1);
  table.SetColumn(1, ZM_VAR_FLOAT, 10, "SHARE", "%.2f", 1);
  table.SetColumn(2, ZM_VAR_DOUBLE, 16, "AREA", nullptr, 1);
  table.AddRow();
  ASSERT_TRUE(table.SetItemValue(0, 0, FloatValue(1.5f)));
  ASSERT_TRUE(table.SetItemValue(0, 1, FloatValue(0.25f)));
  ASSERT_TRUE(table.SetItemValue(0, 2, DoubleValue(12345.0625)));
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), &table), 1);

  const std::vector<unsigned char> bytes = ReadAll(path);
  EXPECT_EQ(bytes[32 + 11], 'N');
  EXPECT_EQ(bytes[32 + 17], 6);  // "%f" prints six decimals
  EXPECT_EQ(bytes[64 + 17], 2);
  EXPECT_EQ(bytes[96 + 11], 'N');
  EXPECT_EQ(bytes[96 + 16], 24);  // room for any double

  auto loaded = Load(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Column(*loaded, 0).type, ZM_VAR_FLOAT);
  EXPECT_EQ(Column(*loaded, 0).length, 12);
  EXPECT_EQ(Column(*loaded, 1).type, ZM_VAR_FLOAT);
  EXPECT_EQ(Column(*loaded, 2).type, ZM_VAR_FLOAT);  // a number field with decimals
  EXPECT_DOUBLE_EQ(CellNumber<double>(*loaded, 0, 0), 1.5);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*loaded, 0, 1), 0.25);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*loaded, 0, 2), 12345.0625);
}

TEST(DbfFile, NumbersStayLocaleFreeUnderAGermanLocale)
{
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  TempDir dir;
  const std::string input = dir.File("in.dbf");
  WriteAll(input, MakeDbf({{"X", 'N', 8, 2}, {"Y", 'B', 8, 0}}, {" " + std::string("    3.25") + "  -0.5  "}));
  auto table = Load(input);
  const std::string output = dir.File("out.dbf");
  const int savedOk = table ? ZMDbfFile::SaveFile(output.c_str(), table.get()) : 0;
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(table);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 0), 3.25);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 1), -0.5);
  ASSERT_EQ(savedOk, 1);
  const std::vector<unsigned char> bytes = ReadAll(output);
  const std::string record(bytes.begin() + 32 + 64 + 1, bytes.end() - 1);
  EXPECT_EQ(record, " 3.25    -0.500000" + std::string(15, ' '));
}

TEST(DbfFile, LoadSaveLoadKeepsColumnsAndCells)
{
  TempDir dir;
  const std::string first = dir.File("first.dbf");
  WriteAll(first,
           MakeDbf({{"NAME", 'C', 12, 0}, {"POP", 'N', 9, 0}, {"AREA", 'N', 11, 3}, {"LONG", 'C', 0x10, 1}},
                   {" " + Left("Zürich", 12) + Right("402762", 9) + Right("87.880", 11) + std::string(272, 'L'),
                    " " + Left("Genève", 12) + Right("203856", 9) + Right("15.930", 11) + std::string(272, 'G')}));
  auto once = Load(first);
  ASSERT_TRUE(once);
  const std::string second = dir.File("second.dbf");
  ASSERT_EQ(ZMDbfFile::SaveFile(second.c_str(), once.get()), 1);
  auto twice = Load(second);
  ASSERT_TRUE(twice);
  ASSERT_EQ(twice->GetColumnCount(), once->GetColumnCount());
  ASSERT_EQ(twice->GetRowCount(), 2);
  for (int column = 0; column < once->GetColumnCount(); ++column) {
    EXPECT_EQ(Column(*twice, column).type, Column(*once, column).type) << column;
    EXPECT_EQ(Column(*twice, column).length, Column(*once, column).length) << column;
    EXPECT_STREQ(Column(*twice, column).name, Column(*once, column).name);
    for (int row = 0; row < 2; ++row)
      EXPECT_EQ(CellText(*twice, row, column), CellText(*once, row, column)) << row << "," << column;
  }
  EXPECT_EQ(CellText(*twice, 1, 0), "Genève");
  EXPECT_EQ(CellText(*twice, 0, 2), "87.880000");  // held exactly, not as a single
}

TEST(DbfFile, ShapelibFilesLoadWithTheirValues)
{
  TempDir dir;
  const std::string path = dir.File("shapelib.dbf");
  DBFHandle dbf = DBFCreate(path.c_str());
  ASSERT_NE(dbf, nullptr);
  ASSERT_EQ(DBFAddField(dbf, "NAME", FTString, 16, 0), 0);
  ASSERT_EQ(DBFAddField(dbf, "POP", FTInteger, 9, 0), 1);
  ASSERT_EQ(DBFAddField(dbf, "DENSITY", FTDouble, 12, 4), 2);
  const char* names[] = {"Lisbon", "Porto", "Braga"};
  const int populations[] = {545000, 232000, -1};
  const double densities[] = {5445.7, 5703.25, 0.0};
  for (int row = 0; row < 3; ++row) {
    DBFWriteStringAttribute(dbf, row, 0, names[row]);
    DBFWriteIntegerAttribute(dbf, row, 1, populations[row]);
    DBFWriteDoubleAttribute(dbf, row, 2, densities[row]);
  }
  DBFClose(dbf);

  auto table = Load(path);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->GetRowCount(), 3);
  EXPECT_EQ(Column(*table, 0).type, ZM_VAR_STRING);
  EXPECT_EQ(Column(*table, 1).type, ZM_VAR_INT);
  EXPECT_EQ(Column(*table, 2).type, ZM_VAR_FLOAT);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(CellText(*table, row, 0), names[row]);
    EXPECT_EQ(CellNumber<std::int32_t>(*table, row, 1), populations[row]);
    EXPECT_DOUBLE_EQ(CellNumber<double>(*table, row, 2), densities[row]);
  }
}

// Tables of several megabytes are decoded in two halves at once: every row comes back whole,
// on both sides of the middle, and deleted marks survive a save.
TEST(DbfFile, LargeTablesLoadEveryRowAndSaveTheirDeletedMarks)
{
  TempDir dir;
  const std::string path = dir.File("large.dbf");
  constexpr int kRows = 120001;  // 46-byte records: over 5 MB, split unevenly
  DBFHandle dbf = DBFCreate(path.c_str());
  ASSERT_NE(dbf, nullptr);
  ASSERT_EQ(DBFAddField(dbf, "NAME", FTString, 24, 0), 0);
  ASSERT_EQ(DBFAddField(dbf, "POP", FTInteger, 9, 0), 1);
  ASSERT_EQ(DBFAddField(dbf, "DENSITY", FTDouble, 12, 4), 2);
  const auto name = [](int row) { return "place " + std::to_string(row * 7919 % 100003); };
  const auto density = [](int row) { return (row % 977) * 0.25; };
  const int deleted[] = {0, 7, kRows / 2 - 1, kRows / 2, kRows - 1};
  for (int row = 0; row < kRows; ++row) {
    DBFWriteStringAttribute(dbf, row, 0, name(row).c_str());
    if (row % 5 == 3)
      DBFWriteNULLAttribute(dbf, row, 1);
    else
      DBFWriteIntegerAttribute(dbf, row, 1, row * 3 - 1000);
    DBFWriteDoubleAttribute(dbf, row, 2, density(row));
  }
  for (int row : deleted)
    DBFMarkRecordDeleted(dbf, row, 1);
  DBFClose(dbf);

  auto table = Load(path);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->GetRowCount(), kRows);
  int wrong = 0;
  for (int row = 0; row < kRows; ++row) {
    zm_variant population;
    table->GetItemValue(row, 1, population);
    const bool populationRight = row % 5 == 3 ? population.type == ZM_VAR_NULL
                                              : CellNumber<std::int32_t>(*table, row, 1) == row * 3 - 1000;
    if (CellText(*table, row, 0) != name(row) || !populationRight || CellNumber<double>(*table, row, 2) != density(row))
      ++wrong;
  }
  EXPECT_EQ(wrong, 0) << "rows whose cells differ from what was written";

  const std::string copy = dir.File("copy.dbf");
  ASSERT_EQ(ZMDbfFile::SaveFile(copy.c_str(), table.get()), 1);
  DBFHandle back = DBFOpen(copy.c_str(), "rb");
  ASSERT_NE(back, nullptr);
  int marked = 0;
  for (int row = 0; row < kRows; ++row)
    marked += DBFIsRecordDeleted(back, row) ? 1 : 0;
  for (int row : deleted)
    EXPECT_TRUE(DBFIsRecordDeleted(back, row)) << "row " << row;
  EXPECT_EQ(marked, 5);
  EXPECT_STREQ(DBFReadStringAttribute(back, kRows - 1, 0), name(kRows - 1).c_str());
  DBFClose(back);
}

// A loaded table reads its cells from the file's records until a row is changed: the changed
// row gets cells of its own, the others go on reading from the records, and rows deleted on
// either side keep the rest in place, through a copy and a save.
TEST(DbfFile, ALoadedTableChangesRowByRowAndReadsTheRestFromTheRecords)
{
  TempDir dir;
  const std::string path = dir.File("places.dbf");
  DBFHandle dbf = DBFCreate(path.c_str());
  ASSERT_NE(dbf, nullptr);
  ASSERT_EQ(DBFAddField(dbf, "NAME", FTString, 200, 0), 0);
  ASSERT_EQ(DBFAddField(dbf, "POP", FTInteger, 9, 0), 1);
  const auto name = [](int row) { return std::string(150, 'x') + std::to_string(row); };  // past 128 bytes
  for (int row = 0; row < 6; ++row) {
    DBFWriteStringAttribute(dbf, row, 0, name(row).c_str());
    DBFWriteIntegerAttribute(dbf, row, 1, row * 100);
  }
  DBFClose(dbf);

  auto table = Load(path);
  ASSERT_TRUE(table);
  ASSERT_TRUE(table->SetItemValue(2, 1, IntValue(-7)));
  ASSERT_TRUE(table->DelRow(0));  // a row still in the records
  ASSERT_TRUE(table->DelRow(1));  // the changed one (row 2 before)
  ASSERT_EQ(table->GetRowCount(), 4);
  for (int row = 0; row < 4; ++row) {
    const int original = row == 0 ? 1 : row + 2;
    EXPECT_EQ(CellText(*table, row, 0), name(original)) << "row " << row;
    EXPECT_EQ(CellNumber<std::int32_t>(*table, row, 1), original * 100) << "row " << row;
  }
  ASSERT_TRUE(table->SetItemValue(3, 1, IntValue(-7)));
  EXPECT_EQ(CellNumber<std::int32_t>(*table, 3, 1), -7);
  EXPECT_EQ(CellText(*table, 3, 0), name(5)) << "the rest of a changed row stays";

  ZMDataView copy(0);
  ASSERT_TRUE(copy.From(table.get()));
  table.reset();  // the copy owns what it holds
  const std::string saved = dir.File("saved.dbf");
  ASSERT_EQ(ZMDbfFile::SaveFile(saved.c_str(), &copy), 1);
  DBFHandle back = DBFOpen(saved.c_str(), "rb");
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(DBFGetRecordCount(back), 4);
  EXPECT_STREQ(DBFReadStringAttribute(back, 1, 0), name(3).c_str());
  EXPECT_EQ(DBFReadIntegerAttribute(back, 2, 1), 400);
  EXPECT_EQ(DBFReadIntegerAttribute(back, 3, 1), -7);
  DBFClose(back);
}

TEST(DbfFile, OurFilesReadBackInShapelib)
{
  TempDir dir;
  const std::string path = dir.File("ours.dbf");
  auto table = IntAndTextTable(50);
  table->InitColumn(3);
  table->SetColumn(0, ZM_VAR_INT, 8, "ID", nullptr, 1);
  table->SetColumn(1, ZM_VAR_STRING, 24, "NAME", nullptr, 1);
  table->SetColumn(2, ZM_VAR_FLOAT, 14, "VALUE", nullptr, 1);
  for (int row = 0; row < 50; ++row) {
    table->AddRow();
    ASSERT_TRUE(table->SetItemValue(row, 0, IntValue(row)));
    ASSERT_TRUE(table->SetItemValue(row, 1, TextValue("Feature " + std::to_string(row))));
    ASSERT_TRUE(table->SetItemValue(row, 2, FloatValue(row * 0.5f - 3.0f)));
  }
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), table.get()), 1);

  DBFHandle dbf = DBFOpen(path.c_str(), "rb");
  ASSERT_NE(dbf, nullptr);
  EXPECT_EQ(DBFGetRecordCount(dbf), 50);
  ASSERT_EQ(DBFGetFieldCount(dbf), 3);
  char name[12];
  int width = 0;
  int decimals = 0;
  EXPECT_EQ(DBFGetFieldInfo(dbf, 2, name, &width, &decimals), FTDouble);
  EXPECT_STREQ(name, "VALUE");
  EXPECT_EQ(width, 14);
  EXPECT_EQ(decimals, 6);
  for (int row = 0; row < 50; ++row) {
    EXPECT_EQ(std::atoi(DBFReadStringAttribute(dbf, row, 0)), row);
    EXPECT_STREQ(DBFReadStringAttribute(dbf, row, 1), ("Feature " + std::to_string(row)).c_str());
    EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(dbf, row, 2), row * 0.5 - 3.0);
  }
  DBFClose(dbf);

  int status = -1;
  const std::string dump = zamra_test::RunCommand("dbfdump '" + path + "' 2>&1", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(dump.find("Feature 49"), std::string::npos) << dump.substr(0, 400);
}

TEST(DbfFile, TablesTheFormatCannotHoldAreRefusedAndTheOldFileStays)
{
  TempDir dir;
  const std::string path = dir.File("keep.dbf");
  auto small = IntAndTextTable(1);
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), small.get()), 1);
  const std::vector<unsigned char> before = ReadAll(path);

  ZMDataView wide(1100);  // the header length would pass 32767
  for (int column = 0; column < 1100; ++column)
    wide.SetColumn(column, ZM_VAR_STRING, 1, "C", nullptr, 1);
  EXPECT_EQ(ZMDbfFile::SaveFile(path.c_str(), &wide), 0);
  ZMDataView longRecord(2);  // the record length would pass 32767
  longRecord.SetColumn(0, ZM_VAR_STRING, 30000, "A", nullptr, 1);
  longRecord.SetColumn(1, ZM_VAR_STRING, 3000, "B", nullptr, 1);
  EXPECT_EQ(ZMDbfFile::SaveFile(path.c_str(), &longRecord), 0);
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(ZMDbfFile::SaveFile(dir.File("no/such/folder.dbf").c_str(), small.get()), 0);
}

TEST(DbfFile, AFailedWriteReportsFailureAndKeepsTheOldFile)
{
  TempDir dir;
  const std::string path = dir.File("full.dbf");
  auto small = IntAndTextTable(1);
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), small.get()), 1);
  const std::vector<unsigned char> before = ReadAll(path);
  auto big = IntAndTextTable(2000);  // about 62 KB

  // A file size limit makes write fail as a full disk would.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 16 * 1024;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const int result = ZMDbfFile::SaveFile(path.c_str(), big.get());
  setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadAll(path), before);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);  // no temporary file is left behind
}

// Files that earlier versions wrote, with number text in "I" and "B" fields, load with their
// values and are written back as "N" fields, which every reader takes for numbers.
TEST(DbfFile, FilesWithNumberTextInIAndBFieldsLoadAndSaveAsN)
{
  TempDir dir;
  const std::string path = dir.File("older.dbf");
  WriteAll(path, MakeDbf({{"ID", 'I', 10, 0}, {"AREA", 'B', 16, 0}},
                         {" " + Left("12", 10) + Left("2.500000", 16), " " + Left("", 10) + Left("-7.25", 16)}));
  auto table = Load(path);
  ASSERT_TRUE(table);
  EXPECT_EQ(CellNumber<std::int32_t>(*table, 0, 0), 12);
  EXPECT_DOUBLE_EQ(CellNumber<double>(*table, 0, 1), 2.5);
  EXPECT_EQ(CellText(*table, 1, 0), "");  // blank: no value
  ASSERT_EQ(ZMDbfFile::SaveFile(path.c_str(), table.get()), 1);
  const std::vector<unsigned char> bytes = ReadAll(path);
  EXPECT_EQ(bytes[32 + 11], 'N');
  EXPECT_EQ(bytes[32 + 17], 0);
  EXPECT_EQ(bytes[64 + 11], 'N');
  auto again = Load(path);
  ASSERT_TRUE(again);
  EXPECT_EQ(CellText(*again, 0, 0), "12");
  EXPECT_EQ(CellText(*again, 1, 0), "");
  EXPECT_DOUBLE_EQ(CellNumber<double>(*again, 1, 1), -7.25);
}

}  // namespace

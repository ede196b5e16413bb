// ZMDataView and zm_variant: columns, rows, typed cells and their text.
// SPDX-License-Identifier: MIT
#include "api/formats/data_view.h"

#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/address_space.h"
#include "support/table_values.h"

namespace {

using zamra_test::CellText;
using zamra_test::Column;
using zamra_test::IntValue;
using zamra_test::NumberValue;
using zamra_test::TextValue;

TEST(DataView, NewTableHasBlankColumnsAndNoRows)
{
  ZMDataView table(3);
  EXPECT_EQ(table.GetColumnCount(), 3);
  EXPECT_EQ(table.GetRowCount(), 0);
  for (int index = 0; index < 3; ++index) {
    const zamra_test::ColumnInfo column = Column(table, index);
    EXPECT_EQ(column.type, 0);
    EXPECT_EQ(column.length, 0);
    EXPECT_STREQ(column.name, "");
    EXPECT_STREQ(column.format, "");
    EXPECT_EQ(column.flag, 0);
  }
}

TEST(DataView, SetColumnChoosesDefaultFormatsAndKeepsGivenOnes)
{
  ZMDataView table(9);
  const struct {
    char type;
    const char* format;
  } expected[] = {{ZM_VAR_CHAR, "%c"},    {ZM_VAR_SHORT, "%d"},  {ZM_VAR_INT, "%d"},
                  {ZM_VAR_LONG, "%d"},    {ZM_VAR_FLOAT, "%f"},  {ZM_VAR_DATETIME, "%04d-%02d-%02d %02d:%02d:%02d"},
                  {ZM_VAR_DOUBLE, "%lf"}, {ZM_VAR_STRING, "%s"}, {ZM_VAR_NULL, ""}};
  for (int index = 0; index < 9; ++index)
    table.SetColumn(index, expected[index].type, 10, "AREA", nullptr, 1);
  for (int index = 0; index < 9; ++index) {
    const zamra_test::ColumnInfo column = Column(table, index);
    EXPECT_STREQ(column.format, expected[index].format) << "type " << int(expected[index].type);
    EXPECT_EQ(column.type, expected[index].type);
    EXPECT_EQ(column.length, 10);
    EXPECT_STREQ(column.name, "AREA");
    EXPECT_EQ(column.flag, 1);
  }
  table.SetColumn(0, ZM_VAR_FLOAT, 12, "RATE", "%.2f", 7);
  EXPECT_STREQ(Column(table, 0).format, "%.2f");
  EXPECT_EQ(Column(table, 0).flag, 7);
}

TEST(DataView, LongColumnNamesAreCutTo39Characters)
{
  ZMDataView table(1);
  const std::string longName(60, 'N');
  table.SetColumn(0, ZM_VAR_STRING, 10, longName.c_str(), nullptr, 0);
  char name[40];
  std::memset(name, 'x', sizeof name);
  char type;
  int length;
  char flag;
  table.GetColumn(0, type, length, name, nullptr, flag);
  EXPECT_EQ(std::string(name), std::string(39, 'N'));
}

TEST(DataView, RowsAreAddedAndDeletedInOrder)
{
  ZMDataView table(1);
  table.SetColumn(0, ZM_VAR_INT, 10, "ID", nullptr, 1);
  EXPECT_EQ(table.AddRow(), 0);
  for (int row = 1; row < 5; ++row)
    EXPECT_EQ(table.AddRow(), row);
  EXPECT_EQ(table.AddRow(), 5);
  for (int row = 0; row < 6; ++row)
    ASSERT_TRUE(table.SetItemValue(row, 0, IntValue(row * 10)));

  EXPECT_FALSE(table.DelRow(-1));
  EXPECT_FALSE(table.DelRow(table.GetRowCount()));
  EXPECT_TRUE(table.DelRow(0));
  EXPECT_EQ(table.GetRowCount(), 5);
  EXPECT_EQ(CellText(table, 0, 0), "10");
  EXPECT_EQ(CellText(table, 1, 0), "20");

  table.RemoveAll();
  EXPECT_EQ(table.GetRowCount(), 0);
  EXPECT_FALSE(table.DelRow(0));
  EXPECT_EQ(Column(table, 0).type, ZM_VAR_INT);  // the columns stay

  table.InitColumn(2);
  EXPECT_EQ(table.GetColumnCount(), 2);
  EXPECT_EQ(Column(table, 0).type, 0);
}

TEST(DataView, ValuesOfAnotherTypeAreRefusedAndTheCellKeepsItsContent)
{
  ZMDataView table(1);
  table.SetColumn(0, ZM_VAR_INT, 10, "ID", nullptr, 1);
  table.AddRow();
  EXPECT_FALSE(table.SetItemValue(0, 0, TextValue("12")));
  EXPECT_EQ(CellText(table, 0, 0), "");
  ASSERT_TRUE(table.SetItemValue(0, 0, IntValue(7)));
  EXPECT_FALSE(table.SetItemValue(0, 0, TextValue("12")));
  EXPECT_EQ(CellText(table, 0, 0), "7");

  zm_variant broken = IntValue(1);
  broken.length = -1;
  EXPECT_FALSE(table.SetItemValue(0, 0, broken));
}

TEST(DataView, CellsRenderWithTheDefaultFormats)
{
  ZMDataView table(6);
  table.SetColumn(0, ZM_VAR_INT, 10, "I", nullptr, 1);
  table.SetColumn(1, ZM_VAR_FLOAT, 10, "F", nullptr, 1);
  table.SetColumn(2, ZM_VAR_DATETIME, 20, "T", nullptr, 1);
  table.SetColumn(3, ZM_VAR_DOUBLE, 10, "D", nullptr, 1);
  table.SetColumn(4, ZM_VAR_SHORT, 10, "S", nullptr, 1);
  table.SetColumn(5, ZM_VAR_CHAR, 1, "C", nullptr, 1);
  table.AddRow();
  ASSERT_TRUE(table.SetItemValue(0, 0, IntValue(42)));
  ASSERT_TRUE(table.SetItemValue(0, 1, NumberValue<float>(ZM_VAR_FLOAT, 1.5f)));
  // year, month, day of week, day, hour, minute, second, milliseconds
  const std::uint16_t time[8] = {2009, 12, 0, 6, 8, 5, 3, 0};
  zm_variant datetime;
  datetime.type = ZM_VAR_DATETIME;
  datetime.length = 16;
  datetime.data = new unsigned char[16];
  std::memcpy(datetime.data, time, 16);
  ASSERT_TRUE(table.SetItemValue(0, 2, datetime));
  ASSERT_TRUE(table.SetItemValue(0, 3, NumberValue<double>(ZM_VAR_DOUBLE, 2.25)));
  ASSERT_TRUE(table.SetItemValue(0, 4, NumberValue<std::int16_t>(ZM_VAR_SHORT, -12)));
  ASSERT_TRUE(table.SetItemValue(0, 5, NumberValue<char>(ZM_VAR_CHAR, 'Q')));

  EXPECT_EQ(CellText(table, 0, 0), "42");
  EXPECT_EQ(CellText(table, 0, 1), "1.500000");
  EXPECT_EQ(CellText(table, 0, 2), "2009-12-06 08:05:03");
  EXPECT_EQ(CellText(table, 0, 3), "2.250000");
  EXPECT_EQ(CellText(table, 0, 4), "-12");
  EXPECT_EQ(CellText(table, 0, 5), "Q");

  char unbounded[64];
  table.GetItemValue(0, 1, unbounded);
  EXPECT_STREQ(unbounded, "1.500000");
}

TEST(DataView, RenderingNeverPassesTheCallersBuffer)
{
  ZMDataView table(1);
  table.SetColumn(0, ZM_VAR_STRING, 400, "NOTE", nullptr, 1);
  table.AddRow();
  const std::string longText(300, 'w');
  ASSERT_TRUE(table.SetItemValue(0, 0, TextValue(longText.c_str())));

  char buffer[16 + 8];
  std::memset(buffer, '#', sizeof buffer);
  const int full = table.GetItemValue(0, 0, buffer, 16);
  EXPECT_EQ(full, 300);
  EXPECT_EQ(std::string(buffer), std::string(15, 'w'));
  for (size_t index = 16; index < sizeof buffer; ++index)
    EXPECT_EQ(buffer[index], '#');

  char whole[301];
  table.GetItemValue(0, 0, whole);
  EXPECT_EQ(std::string(whole), longText);
}

TEST(DataView, FormatsThatDoNotSuitTheCellFallBackToTheDefault)
{
  ZMDataView table(2);
  table.SetColumn(0, ZM_VAR_INT, 10, "ID", nullptr, 1);
  table.SetColumn(1, ZM_VAR_DOUBLE, 10, "X", "%.1f m", 1);
  table.AddRow();
  ASSERT_TRUE(table.SetItemValue(0, 0, IntValue(5)));
  ASSERT_TRUE(table.SetItemValue(0, 1, NumberValue<double>(ZM_VAR_DOUBLE, 3.25)));
  EXPECT_EQ(CellText(table, 0, 1), "3.2 m");  // a fitting format is used as given

  // Retyping a column keeps its cells: "%s" with an integer cell would read a wild pointer.
  table.SetColumn(0, ZM_VAR_STRING, 10, "ID", nullptr, 1);
  EXPECT_EQ(CellText(table, 0, 0), "5");
  table.SetColumn(0, ZM_VAR_INT, 10, "ID", "%d %d %n", 1);
  EXPECT_EQ(CellText(table, 0, 0), "5");
  table.SetColumn(0, ZM_VAR_INT, 10, "ID", "#%05d", 1);
  EXPECT_EQ(CellText(table, 0, 0), "#00005");
}

TEST(DataView, NumbersRenderWithAPointUnderACommaLocale)
{
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  ZMDataView table(1);
  table.SetColumn(0, ZM_VAR_DOUBLE, 12, "X", nullptr, 1);
  table.AddRow();
  ASSERT_TRUE(table.SetItemValue(0, 0, NumberValue<double>(ZM_VAR_DOUBLE, 3.25)));
  const std::string text = CellText(table, 0, 0);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(text, "3.250000");
}

TEST(DataView, GetItemValueHandsOutAnOwnedCopy)
{
  ZMDataView table(1);
  table.SetColumn(0, ZM_VAR_STRING, 10, "NAME", nullptr, 1);
  table.AddRow();
  table.AddRow();
  ASSERT_TRUE(table.SetItemValue(0, 0, TextValue("Oslo")));

  zm_variant value = IntValue(3);  // a previous block is released, not leaked
  table.GetItemValue(0, 0, value);
  EXPECT_EQ(value.type, ZM_VAR_STRING);
  EXPECT_EQ(value.length, 5);
  ASSERT_NE(value.data, nullptr);
  EXPECT_STREQ(reinterpret_cast<const char*>(value.data), "Oslo");
  value.data[0] = 'X';
  EXPECT_EQ(CellText(table, 0, 0), "Oslo");

  table.GetItemValue(1, 0, value);  // a cell never set
  EXPECT_EQ(value.type, ZM_VAR_NULL);
  EXPECT_EQ(value.length, 0);
  EXPECT_NE(value.data, nullptr);

  const zm_variant copy = TextValue("Rome");
  zm_variant assigned;
  assigned = copy;
  ASSERT_NE(assigned.data, copy.data);
  EXPECT_STREQ(reinterpret_cast<const char*>(assigned.data), "Rome");
}

TEST(DataView, FromMakesAnIndependentDeepCopy)
{
  ZMDataView source(2);
  source.SetColumn(0, ZM_VAR_INT, 10, "ID", "%04d", 3);
  source.SetColumn(1, ZM_VAR_STRING, 20, "NAME", nullptr, 1);
  const char* names[] = {"Lima", "Quito", "La Paz", "Bogota"};
  for (int row = 0; row < 4; ++row) {
    source.AddRow();
    ASSERT_TRUE(source.SetItemValue(row, 0, IntValue(row + 1)));
    ASSERT_TRUE(source.SetItemValue(row, 1, TextValue(names[row])));
  }

  ZMDataView copy(5);
  copy.AddRow();
  ASSERT_TRUE(copy.From(&source));
  ASSERT_EQ(copy.GetColumnCount(), 2);
  ASSERT_EQ(copy.GetRowCount(), 4);
  for (int column = 0; column < 2; ++column) {
    const zamra_test::ColumnInfo from = Column(source, column);
    const zamra_test::ColumnInfo to = Column(copy, column);
    EXPECT_EQ(to.type, from.type);
    EXPECT_EQ(to.length, from.length);
    EXPECT_STREQ(to.name, from.name);
    EXPECT_STREQ(to.format, from.format);
    EXPECT_EQ(to.flag, from.flag);
  }
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 2; ++column)
      EXPECT_EQ(CellText(copy, row, column), CellText(source, row, column));

  ASSERT_TRUE(copy.SetItemValue(1, 1, TextValue("Caracas")));
  EXPECT_EQ(CellText(source, 1, 1), "Quito");
  EXPECT_EQ(CellText(copy, 0, 0), "0001");
}

// A column whose format memory cannot hold fails the copy, rather than leaving a blank column
// in its place under a copy that reports success.
TEST(DataView, FromFailsWhenAColumnCannotBeCopied)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
  ZMDataView source(2);
  source.SetColumn(0, ZM_VAR_INT, 10, "ID", nullptr, 1);
  {
    const std::string wide(std::size_t{96} << 20, 'x');  // a format of 96 MB
    source.SetColumn(1, ZM_VAR_STRING, 20, "NAME", wide.c_str(), 1);
  }
  source.AddRow();
  ASSERT_TRUE(source.SetItemValue(0, 0, IntValue(7)));

  ZMDataView copy(1);
  bool copied = true;
  {
    zamra_test::AddressSpaceLimit limit(std::int64_t{32} << 20);
    ASSERT_TRUE(limit.Limited());
    copied = copy.From(&source);
  }
  EXPECT_FALSE(copied);
  EXPECT_EQ(copy.GetColumnCount(), 0) << "a failed copy empties the table";
  EXPECT_EQ(copy.GetRowCount(), 0);
  EXPECT_TRUE(copy.From(&source)) << "with the memory back the same copy succeeds";
  EXPECT_EQ(CellText(copy, 0, 0), "7");
}

}  // namespace

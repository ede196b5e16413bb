// ZMDbfFile and the sizes a dBASE header claims: lengths past signed 16 bits load, a table
// that would need far more memory than its file has bytes is refused before room is set aside
// for it, and a table that memory cannot hold is refused and noted as such.
// SPDX-License-Identifier: MIT
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/formats/dbf_file.h"
#include "platform/memory_room.h"
#include "support/address_space.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::TempDir;

struct Field {
  char letter;
  int length;  // for "C" fields up to 65535, carried in the decimal-count byte as well
};

// A dBASE III file of `rows` records, each `fill` repeated over the record's fields.
std::vector<unsigned char> MakeTable(const std::vector<Field>& fields, std::int32_t rows, char fill)
{
  std::vector<unsigned char> bytes(32, 0);
  bytes[0] = 3;
  std::uint32_t recordLength = 1;
  for (const Field& field : fields)
    recordLength += static_cast<std::uint32_t>(field.length);
  const auto headerLength = static_cast<std::uint32_t>(32 * fields.size() + 33);
  std::memcpy(&bytes[4], &rows, 4);
  bytes[8] = static_cast<unsigned char>(headerLength);
  bytes[9] = static_cast<unsigned char>(headerLength >> 8);
  bytes[10] = static_cast<unsigned char>(recordLength);
  bytes[11] = static_cast<unsigned char>(recordLength >> 8);
  for (size_t index = 0; index < fields.size(); ++index) {
    unsigned char descriptor[32] = {};
    const std::string name = "F" + std::to_string(index);
    std::memcpy(descriptor, name.data(), name.size());
    descriptor[11] = static_cast<unsigned char>(fields[index].letter);
    descriptor[16] = static_cast<unsigned char>(fields[index].length % 256);
    descriptor[17] = static_cast<unsigned char>(fields[index].letter == 'C' ? fields[index].length / 256 : 0);
    bytes.insert(bytes.end(), descriptor, descriptor + 32);
  }
  bytes.push_back(0x0D);
  std::string record(recordLength, fill);
  record[0] = ' ';
  for (std::int32_t row = 0; row < rows; ++row)
    bytes.insert(bytes.end(), record.begin(), record.end());
  bytes.push_back(0x1A);
  return bytes;
}

std::unique_ptr<ZMDataView> Load(const TempDir& dir, const std::vector<unsigned char>& bytes)
{
  const std::string path = dir.File("table.dbf");
  zamra_test::WriteAll(path, bytes);
  return std::unique_ptr<ZMDataView>(ZMDbfFile::LoadFile(path.c_str()));
}

}  // namespace

TEST(DbfFileHostileSizes, HeaderAndRecordLengthsPastSignedSixteenBitsLoad)
{
  TempDir dir;
  // Records of 40001 bytes: one text field of 40000.
  std::unique_ptr<ZMDataView> wide = Load(dir, MakeTable({{'C', 40000}}, 2, 'w'));
  ASSERT_TRUE(wide) << "a record length of 40001 is not a negative one";
  EXPECT_EQ(wide->GetRowCount(), 2);
  char text[16] = {};
  wide->GetItemValue(1, 0, text, sizeof text);
  EXPECT_STREQ(text, std::string(15, 'w').c_str());

  // 1100 columns: a header of 35233 bytes.
  std::unique_ptr<ZMDataView> many = Load(dir, MakeTable(std::vector<Field>(1100, Field{'N', 3}), 3, '7'));
  ASSERT_TRUE(many) << "a header length of 35233 is not a negative one";
  EXPECT_EQ(many->GetColumnCount(), 1100);
  EXPECT_EQ(many->GetRowCount(), 3);
  many->GetItemValue(2, 1099, text, sizeof text);
  EXPECT_STREQ(text, "777");
}

TEST(DbfFileHostileSizes, ColumnsOfWidthZeroClaimingAGigabyteAreRefusedBeforeRoomIsTaken)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "the sanitizer's quarantine keeps freed blocks mapped";
  TempDir dir;
  // 1022 columns of width 0 and 65000 records of one byte: a 97 KB file whose table would be
  // a cell per column and row, over a gigabyte.
  const std::vector<unsigned char> bytes = MakeTable(std::vector<Field>(1022, Field{'C', 0}), 65000, ' ');
  ASSERT_LT(bytes.size(), 100u * 1024);
  const long before = zamra_test::PeakKilobytes();
  ASSERT_GT(before, 0);
  const std::uint64_t shortBefore = zamra::sys::MemoryShortCount();
  EXPECT_FALSE(Load(dir, bytes));
  EXPECT_LT(zamra_test::PeakKilobytes() - before, 64 * 1024) << "KB more at the peak";
  EXPECT_EQ(zamra::sys::MemoryShortCount(), shortBefore) << "a broken file, not one too large for memory";

  // A few such columns beside real ones are a table like any other.
  std::vector<Field> mixed(3, Field{'C', 0});
  mixed.push_back(Field{'N', 4});
  std::unique_ptr<ZMDataView> table = Load(dir, MakeTable(mixed, 65000, '5'));
  ASSERT_TRUE(table);
  EXPECT_EQ(table->GetColumnCount(), 4);
  EXPECT_EQ(table->GetRowCount(), 65000);
}

// A loaded table holds its file and a row's place and flag (9 bytes) a record, and decodes a
// cell when it is read: narrow numbers that would take 24 bytes a byte decoded load under a limit
// their cells would not fit, and read right. A table whose rows the address space left cannot
// hold is refused before any of it is set aside, and counted as a load memory could not hold.
TEST(DbfFileHostileSizes, TableMemoryCannotHoldIsRefusedAndNoted)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
  TempDir dir;
  const std::string narrow = dir.File("narrow.dbf");
  // 100 one-digit numbers a record, 80000 records: 8 MB of file, some 190 MB as cells.
  zamra_test::WriteAll(narrow, MakeTable(std::vector<Field>(100, Field{'N', 1}), 80000, '4'));
  const std::string rows = dir.File("rows.dbf");
  // 12 million records of one digit: 24 MB of file and 108 MB of rows.
  zamra_test::WriteAll(rows, MakeTable({{'N', 1}}, 12000000, '6'));
  const std::uint64_t shortBefore = zamra::sys::MemoryShortCount();
  {
    zamra_test::AddressSpaceLimit limit(std::int64_t{96} << 20);
    ASSERT_TRUE(limit.Limited());
    std::unique_ptr<ZMDataView> loaded(ZMDbfFile::LoadFile(narrow.c_str()));
    ASSERT_TRUE(loaded);
    char text[8] = {};
    loaded->GetItemValue(79999, 99, text, sizeof text);
    EXPECT_STREQ(text, "4");
    loaded.reset();
    EXPECT_EQ(zamra::sys::MemoryShortCount(), shortBefore);
    std::unique_ptr<ZMDataView> refused(ZMDbfFile::LoadFile(rows.c_str()));
    EXPECT_FALSE(refused);
  }
  EXPECT_GT(zamra::sys::MemoryShortCount(), shortBefore) << "the failure is noted as one of memory";
  std::unique_ptr<ZMDataView> table(ZMDbfFile::LoadFile(rows.c_str()));
  ASSERT_TRUE(table) << "with the limit gone the same file loads";
  EXPECT_EQ(table->GetRowCount(), 12000000);
}

// A table that claims far more rows than the .shp beside it holds records is refused before
// the shapefile classes set aside room for that many shapes. The room set aside is read from
// the process's peak address space, which an allocation of that size raises even unused.
// SPDX-License-Identifier: MIT
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/formats/dbf_file.h"
#include "api/formats/shape_file.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::TempDir;

constexpr std::int32_t kClaimedRows = 8 * 1024 * 1024;

// The process's peak address space in KB (VmPeak).
long PeakKilobytes()
{
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmPeak:", 0) == 0)
      return std::stol(line.substr(7));
  return -1;
}

// A .dbf without columns whose rows (one deletion flag byte each) are all there: a table the
// dBASE reader takes, of `rows` rows.
void WriteBareTable(const std::string& path, std::int32_t rows)
{
  std::vector<unsigned char> header(33, 0);
  header[0] = 0x03;
  header[1] = 126;
  header[2] = 1;
  header[3] = 1;
  for (int byte = 0; byte < 4; ++byte)
    header[4 + byte] = static_cast<unsigned char>(static_cast<std::uint32_t>(rows) >> (8 * byte));
  header[8] = 33;  // header length
  header[10] = 1;  // record length: the flag alone
  header[32] = 0x0D;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  const std::string flags(static_cast<size_t>(rows), ' ');
  out.write(flags.data(), static_cast<std::streamsize>(flags.size()));
  out.put(0x1A);
}

}  // namespace

TEST(ShapeFileHostileSizes, RowsTheShpCannotHoldAreRefusedBeforeRoomIsTakenForThem)
{
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's quarantine keeps freed blocks mapped";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "the sanitizer's quarantine keeps freed blocks mapped";
#endif
#endif
  TempDir dir;
  const std::string base = dir.File("few");
  ASSERT_TRUE(zamra_test::WriteShapefile(base, SHPT_POINT, {{{{{1, 2}}}}}));
  WriteBareTable(base + ".dbf", kClaimedRows);
  // The table alone, twice, so that the peak already covers what the dBASE reader takes.
  for (int round = 0; round < 2; ++round) {
    std::unique_ptr<ZMDataView> table(ZMDbfFile::LoadFile((base + ".dbf").c_str()));
    ASSERT_TRUE(table);
    ASSERT_EQ(table->GetRowCount(), kClaimedRows);
  }
  const long before = PeakKilobytes();
  ASSERT_GT(before, 0);
  std::unique_ptr<ZMShapeFile> file(ZMShapeFile::GetInstance((base + ".shp").c_str()));
  EXPECT_EQ(file, nullptr) << "one record cannot carry eight million rows";
  // A point and a pointer for each claimed row would be 192 MB; the .shp itself is 128 bytes.
  EXPECT_LT(PeakKilobytes() - before, 64 * 1024) << "KB more at the peak";
}

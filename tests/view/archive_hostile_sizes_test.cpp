// Sizes a .zip archive claims for its members are believed only as far as the member's packed
// bytes can make them: a stored member is as long as its packed bytes, a deflated one at most
// 1032 times as long. A member that claims more is refused as damaged before room is set aside
// for it; one packed by a method without such a bound gets room as its bytes unpack.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/address_space.h"
#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "sources/archive_members.h"
#include "view/shapefile_archive.h"

using namespace zamra::view;

using zamra_test::ReadAll;
using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteAll;

namespace {

// A shapefile of two squares zipped as a.shp, a.shx, a.dbf with `method` ("ZIP_STORED",
// "ZIP_DEFLATED" or "ZIP_BZIP2"); the archive's bytes.
std::vector<unsigned char> ZippedSquares(const TempDir& dir, const char* method)
{
  const std::string base = dir.File("a");
  EXPECT_TRUE(
      zamra_test::WriteShapefile(base, SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}, TestShape{{Square(2, 2, 1)}}}));
  const std::string archive = dir.File(std::string(method) + ".zip");
  int status = -1;
  const std::string output = zamra_test::RunPython(dir,
                                                   std::string(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for extension in ('.shp', '.shx', '.dbf'):
        z.writestr(zipfile.ZipInfo('a' + extension), open(sys.argv[2] + extension, 'rb').read(), zipfile.)") +
                                                       method + ")\n",
                                                   "'" + archive + "' '" + base + "'", &status);
  EXPECT_EQ(status, 0) << output;
  return ReadAll(archive);
}

// Puts `value` at `offset` of the first local header (the .shp's) and 2 bytes further in its
// directory entry: 22 and 24 for the unpacked size.
void Claim(std::vector<unsigned char>& bytes, size_t localOffset, std::uint32_t value)
{
  std::memcpy(&bytes[localOffset], &value, 4);
  const std::vector<unsigned char> signature = {'P', 'K', 1, 2};
  const auto central = std::search(bytes.begin(), bytes.end(), signature.begin(), signature.end());
  ASSERT_NE(central, bytes.end());
  std::memcpy(&bytes[static_cast<size_t>(central - bytes.begin()) + localOffset + 2], &value, 4);
}

constexpr size_t kUnpackedSize = 22;
constexpr std::uint32_t kGigabyteAndAHalf = 0x60000000u;

}  // namespace

TEST(ArchiveHostileSizes, SizesThePackedBytesCannotMakeAreRefusedBeforeRoomIsTaken)
{
  TempDir dir;
  struct Case {
    const char* name;
    const char* method;
    size_t offset;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"stored, unpacked size beyond its packed bytes", "ZIP_STORED", kUnpackedSize, kGigabyteAndAHalf},
      {"deflated, unpacked size beyond 1032 times its packed bytes", "ZIP_DEFLATED", kUnpackedSize, kGigabyteAndAHalf},
      // bzip2 sets no useful bound: room grows with what really unpacks.
      {"bzip2, unpacked size beyond what unpacks", "ZIP_BZIP2", kUnpackedSize, kGigabyteAndAHalf},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    std::vector<unsigned char> bytes = ZippedSquares(dir, test.method);
    {
      ShapefileBytes files;
      ASSERT_EQ(ReadArchiveShapefile(dir.File(std::string(test.method) + ".zip"), "a.shp", files),
                ZamraArchiveStatus::Ok)
          << "the archive as written is sound";
    }
    Claim(bytes, test.offset, test.value);
    const std::string archive = dir.File("lying.zip");
    WriteAll(archive, bytes);
    const long before = zamra_test::PeakKilobytes();
    ShapefileBytes files;
    EXPECT_EQ(ReadArchiveShapefile(archive, "a.shp", files), ZamraArchiveStatus::Damaged);
    if (!zamra_test::kAddressSanitizer) {  // its quarantine keeps freed blocks mapped
      EXPECT_LT(zamra_test::PeakKilobytes() - before, 64 * 1024) << "KB more at the peak";
    }
  }
}

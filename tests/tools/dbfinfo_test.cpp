// dbfinfo: the columns and first rows of a table, and a clear failure for a broken file.
// SPDX-License-Identifier: MIT
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <shapefil.h>

#include "support/temp_dir.h"

namespace {

using zamra_test::RunCommand;
using zamra_test::TempDir;

const std::string kTool = std::string(ZAMRA_TOOLS_DIR) + "/dbfinfo";

TEST(DbfInfo, PrintsColumnsAndTheFirstRows)
{
  TempDir dir;
  const std::string path = dir.File("towns.dbf");
  DBFHandle dbf = DBFCreate(path.c_str());
  ASSERT_NE(dbf, nullptr);
  DBFAddField(dbf, "TOWN", FTString, 14, 0);
  DBFAddField(dbf, "PEOPLE", FTInteger, 8, 0);
  DBFAddField(dbf, "HEIGHT", FTDouble, 9, 2);
  for (int row = 0; row < 12; ++row) {
    DBFWriteStringAttribute(dbf, row, 0, ("Town " + std::to_string(row)).c_str());
    DBFWriteIntegerAttribute(dbf, row, 1, 1000 * row);
    DBFWriteDoubleAttribute(dbf, row, 2, row + 0.5);
  }
  DBFClose(dbf);

  int status = -1;
  const std::string output = RunCommand("'" + kTool + "' -n 3 '" + path + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(output.find("3 columns, 12 rows"), std::string::npos) << output;
  EXPECT_NE(output.find("TOWN        C      STRING   14"), std::string::npos) << output;
  EXPECT_NE(output.find("PEOPLE      N      INT      8"), std::string::npos) << output;
  EXPECT_NE(output.find("HEIGHT      N      FLOAT    9"), std::string::npos) << output;
  EXPECT_NE(output.find("2\tTown 2\t2000\t2.500000"), std::string::npos) << output;
  EXPECT_EQ(output.find("Town 3"), std::string::npos) << output;  // only the rows asked for
}

TEST(DbfInfo, ABrokenOrMissingFileFailsWithAMessage)
{
  TempDir dir;
  const std::string path = dir.File("broken.dbf");
  zamra_test::WriteAll(path, std::vector<unsigned char>(40, 0xFF));
  for (const std::string& target : {path, dir.File("missing.dbf")}) {
    int status = 0;
    const std::string output = RunCommand("'" + kTool + "' '" + target + "' 2>&1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("cannot read it as a dBASE table"), std::string::npos) << output;
  }
  int status = 0;
  RunCommand("'" + kTool + "' 2>&1", &status);
  EXPECT_EQ(status, 2);
}

}  // namespace

// A point layer whose table takes far more memory than its files take disk: every field a
// one-digit number, which the table holds as a cell and a value (24 bytes for the byte).
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/shapelib_writer.h"

namespace zamra_test {

// Writes base.shp/.shx with `rows` points and base.dbf with `columns` one-digit numbers a row:
// (columns + 1) x rows bytes of records, which the loaded table holds. False when shapelib refuses.
inline bool WriteMemoryHungryLayer(const std::string& base, int rows, int columns)
{
  std::vector<TestShape> points(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row)
    points[static_cast<size_t>(row)].parts = {{ST_POINT{-170.0 + 340.0 * row / rows, 10.0 * (row % 7)}}};
  if (!WriteShapefile(base, SHPT_POINT, points, {}))
    return false;
  std::vector<unsigned char> header(32, 0);
  header[0] = 3;
  const std::uint32_t headerLength = 32 * static_cast<std::uint32_t>(columns) + 33;
  const std::uint32_t recordLength = 1 + static_cast<std::uint32_t>(columns);
  std::memcpy(&header[4], &rows, 4);
  header[8] = static_cast<unsigned char>(headerLength);
  header[9] = static_cast<unsigned char>(headerLength >> 8);
  header[10] = static_cast<unsigned char>(recordLength);
  header[11] = static_cast<unsigned char>(recordLength >> 8);
  for (int column = 0; column < columns; ++column) {
    unsigned char descriptor[32] = {};
    const std::string name = "N" + std::to_string(column);
    std::memcpy(descriptor, name.data(), name.size());
    descriptor[11] = 'N';
    descriptor[16] = 1;  // one digit, no decimals
    header.insert(header.end(), descriptor, descriptor + 32);
  }
  header.push_back(0x0D);
  std::ofstream out(base + ".dbf", std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  std::string record(recordLength, '7');
  record[0] = ' ';
  for (int row = 0; row < rows; ++row)
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
  out.put(0x1A);
  return static_cast<bool>(out);
}

}  // namespace zamra_test

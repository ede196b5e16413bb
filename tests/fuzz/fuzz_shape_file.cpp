// Fuzzes the shapefile loader: the input is the .shp (its first 100 bytes also serve as the
// .shx header); the .dbf holds as many rows as the first input byte says.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>  // getpid

#include "api/formats/data_view.h"
#include "api/formats/dbf_file.h"
#include "api/formats/shape_file.h"

namespace {

void Write(const std::string& path, const uint8_t* data, size_t size)
{
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1)
    return 0;
  static const std::string base = "/tmp/zamra-fuzz-shape-" + std::to_string(getpid());
  const int rows = data[0] % 8;
  ZMDataView table(1);
  table.SetColumn(0, ZM_VAR_INT, 4, "ID", nullptr, 1);
  for (int row = 0; row < rows; ++row)
    table.AddRow();
  ZMDbfFile::SaveFile((base + ".dbf").c_str(), &table);
  Write(base + ".shp", data + 1, size - 1);
  Write(base + ".shx", data + 1, size - 1 < 100 ? size - 1 : 100);
  ZMShapeFile* shapeFile = ZMShapeFile::GetInstance((base + ".shp").c_str());
  if (shapeFile != nullptr) {
    shapeFile->Save((base + "-out.shp").c_str());
    delete shapeFile;
  }
  for (const char* extension : {".shp", ".shx", ".dbf", "-out.shp", "-out.shx", "-out.dbf"})
    std::remove((base + extension).c_str());
  return 0;
}

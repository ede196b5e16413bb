// Fuzzes the dBASE reader: any bytes as a .dbf file, then rendering and saving what loaded.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>  // getpid

#include "api/formats/data_view.h"
#include "api/formats/dbf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static const std::string path = "/tmp/zamra-fuzz-dbf-" + std::to_string(getpid()) + ".dbf";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  ZMDataView* table = ZMDbfFile::LoadFile(path.c_str());
  if (table != nullptr) {
    char text[ZMDataView::kTextSize];
    const int rows = table->GetRowCount() < 50 ? table->GetRowCount() : 50;
    for (int row = 0; row < rows; ++row)
      for (int column = 0; column < table->GetColumnCount(); ++column)
        table->GetItemValue(row, column, text, sizeof text);
    ZMDbfFile::SaveFile(path.c_str(), table);
    delete table;
  }
  std::remove(path.c_str());
  return 0;
}

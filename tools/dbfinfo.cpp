// dbfinfo [-n N] FILE.dbf: prints the columns of a dBASE table (name, field letter, value
// type, length), the code page of its texts and its first N rows (10 by default) rendered as
// UTF-8 text.
// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/formats/data_view.h"
#include "api/formats/dbf_file.h"
#include "api/formats/shape_type.h"
#include "shape_core/text_code_page.h"
#include "platform/code_page.h"
#include "platform/memory_room.h"

namespace {

// The field letters, read from the descriptors of a file that LoadFile has accepted.
std::vector<char> FieldLetters(const char* path, int columns)
{
  std::vector<char> letters(static_cast<size_t>(columns), '?');
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr)
    return letters;
  std::vector<unsigned char> descriptors(32 + 32 * static_cast<size_t>(columns));
  if (std::fread(descriptors.data(), 1, descriptors.size(), file) == descriptors.size())
    for (int column = 0; column < columns; ++column)
      letters[static_cast<size_t>(column)] = static_cast<char>(descriptors[32 + 32 * static_cast<size_t>(column) + 11]);
  std::fclose(file);
  return letters;
}

}  // namespace

int main(int argc, char** argv)
{
  long requested = 10;
  int next = 1;
  if (argc == 4 && std::strcmp(argv[1], "-n") == 0) {
    requested = std::strtol(argv[2], nullptr, 10);
    next = 3;
  }
  if (next != argc - 1) {
    std::fprintf(stderr, "usage: dbfinfo [-n N] FILE.dbf\n");
    return 2;
  }
  const char* path = argv[next];
  const std::uint64_t memoryShort = zamra::sys::MemoryShortCount();
  std::unique_ptr<ZMDataView> table(ZMDbfFile::LoadFile(path));
  if (!table) {
    std::fprintf(stderr, "dbfinfo: %s: %s\n", path,
                 zamra::sys::MemoryShortCount() != memoryShort
                     ? "not enough memory to load the table"
                     : "cannot read it as a dBASE table (missing, unreadable or broken)");
    return 1;
  }
  const int columns = table->GetColumnCount();
  const int rows = table->GetRowCount();
  std::printf("%s: %d columns, %d rows\n", path, columns, rows);
  zamra::shape::CodePageSource source = zamra::shape::CodePageSource::Process;
  const unsigned codePage = zamra::shape::TableCodePage(path, &source);
  if (source == zamra::shape::CodePageSource::Process)
    std::printf("code page: the system's (%u)\n", GetACP());
  else
    std::printf("code page: %u (from the %s)\n", codePage,
                source == zamra::shape::CodePageSource::CpgFile ? ".cpg file" : "language driver byte");
  const std::vector<char> letters = FieldLetters(path, columns);
  std::printf("%-4s %-11s %-6s %-8s %s\n", "#", "name", "letter", "type", "length");
  std::vector<std::string> names;
  for (int column = 0; column < columns; ++column) {
    char type = 0;
    int length = 0;
    char name[40] = {};
    char flag = 0;
    table->GetColumn(column, type, length, name, nullptr, flag);
    char typeName[16] = "?";
    ZMType::GetVarName(type, typeName);
    std::printf("%-4d %-11s %-6c %-8s %d\n", column, name, letters[static_cast<size_t>(column)], typeName, length);
    names.emplace_back(name);
  }
  const int shown = static_cast<int>(std::min<long>(rows, requested < 0 ? 0 : requested));
  if (shown > 0) {
    std::printf("\nrow");
    for (const std::string& name : names)
      std::printf("\t%s", name.c_str());
    std::printf("\n");
  }
  char text[1024];  // the widest field, before conversion
  for (int row = 0; row < shown; ++row) {
    std::printf("%d", row);
    for (int column = 0; column < columns; ++column) {
      table->GetItemValue(row, column, text, sizeof text);
      std::printf("\t%s", zamra::shape::TextToUtf8(text, std::strlen(text), codePage).c_str());
    }
    std::printf("\n");
  }
  return 0;
}

// shpinfo: prints what a shapefile holds, record by record, found and decoded by the same reader
// as the map view's. A broken or cut file is reported with the record where the damage begins
// and exit code 1; nothing in it can make the program read outside what it loaded.
// SPDX-License-Identifier: MIT
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shape_core/companion_files.h"
#include "shape_core/file_block.h"
#include "shape_core/record_index.h"
#include "shape_core/shape_layout.h"
#include "api/formats/shape_type.h"
#include "platform/memory_room.h"

namespace zs = zamra::shape;

namespace {

void PrintBox(const ST_RECT& box)
{
  std::printf("(%.6f, %.6f) - (%.6f, %.6f)", box.left, box.bottom, box.right, box.top);
}

int Fail(const std::string& path, const char* message)
{
  std::fprintf(stderr, "shpinfo: %s: %s\n", path.c_str(), message);
  return 1;
}

// Prints one record's content (after its 8-byte header); false when the content is broken.
bool PrintRecord(const unsigned char* content, int length)
{
  if (length < zs::kTypeSize) {
    std::printf("broken: content of %d bytes\n", length);
    return false;
  }
  const int type = zs::LittleInt(content);
  std::printf("%-9s", zs::ShapeTypeName(type));
  const int planar = zs::PlanarType(type);
  if (type == zs::kNullShape) {
    std::printf("\n");
    return true;
  }
  if (planar == zs::kPoint) {
    if (length < zs::kPointContentSize) {
      std::printf(" broken: point content of %d bytes\n", length);
      return false;
    }
    std::printf(" (%.6f, %.6f)\n", zs::LittleDouble(content + 4), zs::LittleDouble(content + 12));
    return true;
  }
  if (planar == zs::kMultiPoint) {
    int points = 0;
    if (!zs::MultiPointFits(content + 4, length - 4, points)) {
      std::printf(" broken: count does not fit the content of %d bytes\n", length);
      return false;
    }
    ST_RECT box;
    ZMType::ReadEnvelop(content + 4, &box);
    std::printf(" points %d box ", points);
    PrintBox(box);
    std::printf("\n");
    return true;
  }
  if (planar == zs::kPolyline || planar == zs::kPolygon) {
    int parts = 0, points = 0;
    if (!zs::MultiPartFits(content + 4, length - 4, parts, points)) {
      std::printf(" broken: counts do not fit the content of %d bytes\n", length);
      return false;
    }
    ST_RECT box;
    ZMType::ReadEnvelop(content + 4, &box);
    std::printf(" parts %d points %d box ", parts, points);
    PrintBox(box);
    std::printf("\n");
    return true;
  }
  std::printf(" (%d bytes, not decoded)\n", length);
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  long limit = -1;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
      limit = std::strtol(argv[++i], nullptr, 10);
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "usage: shpinfo [-n RECORDS] FILE.shp\n");
      return 2;
    } else {
      path = argv[i];
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: shpinfo [-n RECORDS] FILE.shp\n");
    return 2;
  }

  FileBytes shp;
  const std::uint64_t memoryShort = zamra::sys::MemoryShortCount();
  if (!ReadWholeFile(path.c_str(), shp))
    return Fail(path, zamra::sys::MemoryShortCount() != memoryShort ? "not enough memory to load the file"
                                                                    : "cannot read the file");
  if (shp.size < zs::kHeaderSize)
    return Fail(path, "shorter than the 100-byte header");
  const std::string shxPath = zs::CompanionPath(path, ".shx");
  FileBytes shx;
  const bool haveShx = ReadWholeFile(shxPath.c_str(), shx) && shx.size >= zs::kHeaderSize;
  zs::RecordIndex index;
  if (!index.Build(shp.data.get(), shp.size, haveShx ? shx.data.get() : nullptr, shx.size)) {
    tagShpHead head;
    zs::DecodeHeader(shp.data.get(), shp.size, head);
    return Fail(path, head.fileCode != zs::kFileCode ? "not a shapefile (file code is not 9994)"
                                                     : "unsupported version (not 1000)");
  }
  const tagShpHead& head = index.Header();

  std::printf("file      %s\n", path.c_str());
  std::printf("type      %d (%s)\n", head.shapeType, zs::ShapeTypeName(head.shapeType));
  std::printf("length    %d bytes (%" PRId64 " on disk)\n", head.fileLength, shp.size);
  std::printf("version   %d\n", head.version);
  std::printf("envelope  ");
  PrintBox(head.envelop);
  std::printf("\n");
  if (haveShx)
    std::printf("records   %" PRId64 " (from %s%s)\n", (shx.size - zs::kHeaderSize) / zs::kIndexEntrySize,
                shxPath.c_str(), index.UsesIndexFile() ? "" : ", which disagrees with the .shp: walked instead");
  else
    std::printf("records   unknown (no readable %s)\n", shxPath.c_str());

  bool broken = false;
  long shown = 0;
  index.ForEach([&](int record, const zs::Record& at) {
    if (limit < 0 || shown < limit) {
      std::printf("record %-6d", record + 1);
      if (at.type != zs::kNullShape && at.type != head.shapeType)
        std::printf("(type %d in a file of type %d: a null shape to the map) ", at.type, head.shapeType);
      if (!PrintRecord(at.content, static_cast<int>(at.length)))
        broken = true;
      ++shown;
    }
    return true;
  });
  std::printf("walked    %d records\n", index.Count());
  if (index.DamagedFrom() >= 0) {
    std::printf("damaged   from record %d on: the file is cut or broken there; the %d records before it are whole\n",
                index.DamagedFrom() + 1, index.DamagedFrom());
    broken = true;
  }
  if (broken)
    return Fail(path, "the record area is broken");
  return 0;
}

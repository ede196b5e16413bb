// shpinfo: prints what a shapefile holds, record by record, decoded with ZMType. A broken file
// is reported with a message and exit code 1; nothing in it can make the program read outside
// what it loaded.
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/base/file.h"
#include "api/formats/shape_type.h"
#include "platform/file_io.h"

namespace {

constexpr int kHeaderSize = 100;
constexpr int kRecordHeaderSize = 8;  // record number and content length, big-endian

bool LoadWholeFile(const std::string& path, std::vector<unsigned char>& bytes)
{
  HANDLE file = ZMFile::OpenForRead(path.c_str());
  if (file == INVALID_HANDLE_VALUE)
    return false;
  std::int64_t size = 0;
  bool ok = GetFileSizeEx(file, &size) && size >= 0 && size <= INT32_MAX;
  if (ok) {
    bytes.resize(static_cast<size_t>(size));
    DWORD read = 0;
    ok = ReadFile(file, bytes.data(), static_cast<DWORD>(size), &read, nullptr) && read == size;
  }
  CloseHandle(file);
  return ok;
}

const char* ShapeTypeName(int type)
{
  switch (type) {
  case 0: return "null";
  case 1: return "point";
  case 3: return "polyline";
  case 5: return "polygon";
  case 8: return "multipoint";
  case 11: return "pointZ";
  case 13: return "polylineZ";
  case 15: return "polygonZ";
  case 18: return "multipointZ";
  case 21: return "pointM";
  case 23: return "polylineM";
  case 25: return "polygonM";
  case 28: return "multipointM";
  case 31: return "multipatch";
  default: return "unknown";
  }
}

void PrintBox(const ST_RECT& box)
{
  std::printf("(%.6f, %.6f) - (%.6f, %.6f)", box.left, box.bottom, box.right, box.top);
}

std::string SiblingPath(const std::string& shpPath, const char* extension)
{
  const size_t dot = shpPath.find_last_of('.');
  const size_t slash = shpPath.find_last_of('/');
  const std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                               ? shpPath.substr(0, dot)
                               : shpPath;
  const bool upper = dot != std::string::npos && dot + 1 < shpPath.size() && shpPath[dot + 1] == 'S';
  std::string suffix = extension;
  if (upper)
    for (char& c : suffix)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return base + suffix;
}

int Fail(const std::string& path, const char* message)
{
  std::fprintf(stderr, "shpinfo: %s: %s\n", path.c_str(), message);
  return 1;
}

// Prints one record's content (after its 8-byte header); false when the content is broken.
bool PrintRecord(const unsigned char* content, int length)
{
  if (length < 4) {
    std::printf("broken: content of %d bytes\n", length);
    return false;
  }
  const int type = ZMType::ReadInt(content);
  std::printf("%-9s", ShapeTypeName(type));
  if (type == 0) {
    std::printf("\n");
    return true;
  }
  if (type == 1) {
    if (length < 20) {
      std::printf(" broken: point content of %d bytes\n", length);
      return false;
    }
    ST_POINT point;
    ZMType::ReadPoint(content + 4, &point, 1);
    std::printf(" (%.6f, %.6f)\n", point.x, point.y);
    return true;
  }
  if (type == 3 || type == 5) {
    ST_MPOLYLINE record;
    if (!ZMType::ReadMPolyline(content + 4, length - 4, &record)) {
      std::printf(" broken: counts do not fit the content of %d bytes\n", length);
      return false;
    }
    std::int64_t points = 0;
    for (int i = 0; i < record.partCount; ++i)
      points += record.parts[i].pointCount;
    std::printf(" parts %d points %" PRId64 " box ", record.partCount, points);
    PrintBox(record.envelop);
    std::printf("\n");
    return true;
  }
  std::printf(" (%d bytes, not decoded)\n", length);
  return true;
}

} // namespace

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

  std::vector<unsigned char> shp;
  if (!LoadWholeFile(path, shp))
    return Fail(path, "cannot read the file");
  if (shp.size() < kHeaderSize)
    return Fail(path, "shorter than the 100-byte header");
  tagShpHead head;
  if (!ZMType::ReadShpHead(shp.data(), &head))
    return Fail(path, head.fileCode != 9994 ? "not a shapefile (file code is not 9994)"
                                             : "unsupported version (not 1000)");

  std::printf("file      %s\n", path.c_str());
  std::printf("type      %d (%s)\n", head.shapeType, ShapeTypeName(head.shapeType));
  std::printf("length    %d bytes (%zu on disk)\n", head.fileLength, shp.size());
  std::printf("version   %d\n", head.version);
  std::printf("envelope  ");
  PrintBox(head.envelop);
  std::printf("\n");

  const std::string shxPath = SiblingPath(path, ".shx");
  std::vector<unsigned char> shx;
  if (LoadWholeFile(shxPath, shx) && shx.size() >= kHeaderSize)
    std::printf("records   %zu (from %s)\n", (shx.size() - kHeaderSize) / 8, shxPath.c_str());
  else
    std::printf("records   unknown (no readable %s)\n", shxPath.c_str());

  // Walk the records by their own content lengths: null shapes are shorter than the others.
  bool broken = false;
  size_t offset = kHeaderSize;
  long shown = 0;
  long count = 0;
  while (offset + kRecordHeaderSize <= shp.size()) {
    const int number = ZMType::ReadEsriInt(shp.data() + offset);
    const std::int64_t contentLength = 2 * static_cast<std::int64_t>(ZMType::ReadEsriInt(shp.data() + offset + 4));
    offset += kRecordHeaderSize;
    if (contentLength < 0 || static_cast<std::uint64_t>(contentLength) > shp.size() - offset) {
      std::printf("record %d: broken: content length %" PRId64 " runs past the end of the file\n", number,
                  contentLength);
      broken = true;
      break;
    }
    ++count;
    if (limit < 0 || shown < limit) {
      std::printf("record %-6d", number);
      if (!PrintRecord(shp.data() + offset, static_cast<int>(contentLength)))
        broken = true;
      ++shown;
    }
    offset += static_cast<size_t>(contentLength);
  }
  if (!broken && offset != shp.size()) {
    std::printf("trailing %zu bytes after the last record\n", shp.size() - offset);
    broken = true;
  }
  std::printf("walked    %ld records\n", count);
  if (broken)
    return Fail(path, "the record area is broken");
  return 0;
}

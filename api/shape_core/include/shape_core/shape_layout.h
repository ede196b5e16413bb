// Private: the layout of the shapefile family, shared by the formats library, the map view and
// the tools. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace zamra::shape {

// Fields are read in place as little-endian numbers.
static_assert(std::endian::native == std::endian::little, "shapefile fields are read in place");

constexpr int kHeaderSize = 100;  // main header of .shp and .shx
constexpr int kFileCode = 9994;   // first word of a valid header
constexpr int kVersion = 1000;
constexpr int kRecordHeaderSize = 8;               // record number and content length, big-endian
constexpr int kIndexEntrySize = 8;                 // .shx: offset and content length, big-endian, in words
constexpr int kTypeSize = 4;                       // every record's content opens with its shape type
constexpr int kBoxSize = 32;                       // minimum x, minimum y, maximum x, maximum y
constexpr int kPointContentSize = 20;              // shape type, x, y
constexpr int kMultiPartFixedSize = 44;            // shape type, box, part count, point count
constexpr int kMultiPointFixedSize = 40;           // shape type, box, point count
constexpr std::int64_t kMaxFileBytes = INT32_MAX;  // lengths and offsets are signed 32-bit word counts

// Shape type codes. Z types add 10 to the plain code and M types 20; both keep x and y where the
// plain type has them and put their z and measure arrays after the points.
enum ShapeType : int {
  kNullShape = 0,
  kPoint = 1,
  kPolyline = 3,
  kPolygon = 5,
  kMultiPoint = 8,
  kPointZ = 11,
  kPolylineZ = 13,
  kPolygonZ = 15,
  kMultiPointZ = 18,
  kPointM = 21,
  kPolylineM = 23,
  kPolygonM = 25,
  kMultiPointM = 28,
  kMultiPatch = 31,
};

// The 2-D type whose x and y layout a type shares (1, 3, 5 or 8), or 0 for the null shape and
// for types without one (multipatch, unknown codes).
constexpr int PlanarType(int type)
{
  switch (type) {
  case kPoint:
  case kPointZ:
  case kPointM:
    return kPoint;
  case kPolyline:
  case kPolylineZ:
  case kPolylineM:
    return kPolyline;
  case kPolygon:
  case kPolygonZ:
  case kPolygonM:
    return kPolygon;
  case kMultiPoint:
  case kMultiPointZ:
  case kMultiPointM:
    return kMultiPoint;
  default:
    return kNullShape;
  }
}

// A readable name ("polygonZ"), "unknown" for codes outside the family.
const char* ShapeTypeName(int type);

inline std::int32_t BigInt(const unsigned char* bytes)
{
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return static_cast<std::int32_t>(__builtin_bswap32(value));
}

inline std::int32_t LittleInt(const unsigned char* bytes)
{
  std::int32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

inline double LittleDouble(const unsigned char* bytes)
{
  double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace zamra::shape

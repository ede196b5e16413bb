// Reading GDAL's vector formats into shapefiles held in memory.
// SPDX-License-Identifier: MIT
#include "sources/vector_reader.h"

#include <sys/mman.h>  // madvise

#include <algorithm>
#include <atomic>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "shape_core/shape_layout.h"
#include "api/formats/shape_records.h"
#include "sources/gdal_library.h"

namespace zamra::view {

namespace {

namespace zs = zamra::shape;

constexpr int kMaxNesting = 64;  // collections inside collections: deeper is an attack, not data
// A .dbf's header and record lengths are read as signed 16-bit numbers.
constexpr int kMaxDbfColumns = (INT16_MAX - 33) / 32;
constexpr int kMaxRecordBytes = INT16_MAX;
constexpr int kMaxCellBytes = INT16_MAX - 1;        // a table cell keeps at most this much text
constexpr std::int64_t kMaxTableBytes = 1LL << 30;  // text columns are cut to keep the table below
constexpr int kDbfNameBytes = 10;                   // a field name in a .dbf, before its terminator

// --- GDAL handles ------------------------------------------------------------------------------

struct DatasetCloser {
  const GdalLibrary* gdal;
  void operator()(void* dataset) const { gdal->Close(dataset); }
};
using DatasetPtr = std::unique_ptr<void, DatasetCloser>;

struct FeatureDestroyer {
  const GdalLibrary* gdal;
  void operator()(OGRFeatureH feature) const { gdal->F_Destroy(feature); }
};
using FeaturePtr = std::unique_ptr<std::remove_pointer_t<OGRFeatureH>, FeatureDestroyer>;

// GDAL reports on its own error output unless told otherwise; its errors become our statuses.
class QuietErrors final {
public:
  explicit QuietErrors(const GdalLibrary* gdal) : m_gdal(gdal)
  {
    m_gdal->PushErrorHandler(m_gdal->QuietErrorHandler);
    m_gdal->ErrorReset();
  }
  ~QuietErrors() { m_gdal->PopErrorHandler(); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;
  bool Failed() const { return m_gdal->GetLastErrorType() >= CE_Failure; }

private:
  const GdalLibrary* m_gdal;
};

std::string Lower(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

std::string Extension(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string()
                                                                                 : Lower(path.substr(dot));
}

std::string FileName(const std::string& path)
{
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

DatasetPtr OpenDataset(const GdalLibrary* gdal, const std::string& source)
{
  // A CSV file's geometry is found by its column names only when asked to look for them; numbers
  // are read as numbers, so that columns sort as numbers.
  static const char* const csvOptions[] = {"X_POSSIBLE_NAMES=x,lon,lng,long,longitude",
                                           "Y_POSSIBLE_NAMES=y,lat,latitude",
                                           "GEOM_POSSIBLE_NAMES=wkt,geometry,geom,the_geom,shape",
                                           "KEEP_GEOM_COLUMNS=NO",
                                           "AUTODETECT_TYPE=YES",
                                           nullptr};
  const bool csv = Extension(source) == ".csv";
  return DatasetPtr(
      gdal->OpenEx(source.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, csv ? csvOptions : nullptr, nullptr),
      DatasetCloser{gdal});
}

// The 2-D form of a geometry type. GDAL's own macro calls into the library, which is not linked.
unsigned FlatType(OGRwkbGeometryType type)
{
  return (static_cast<unsigned>(type) & 0x0FFFFFFFu) % 1000;  // the old 2.5-D flag, then ISO's thousands
}

// The layer type a geometry type belongs to, or 0 for collections and types without one.
int KindOf(OGRwkbGeometryType type)
{
  switch (FlatType(type)) {
  case wkbPoint:
  case wkbMultiPoint:
    return ZM_LAYER_POINT;
  case wkbLineString:
  case wkbMultiLineString:
  case wkbCircularString:
  case wkbCompoundCurve:
  case wkbMultiCurve:
    return ZM_LAYER_POLYLINE;
  case wkbPolygon:
  case wkbMultiPolygon:
  case wkbCurvePolygon:
  case wkbMultiSurface:
  case wkbTriangle:
  case wkbTIN:
  case wkbPolyhedralSurface:
    return ZM_LAYER_POLYGON;
  default:
    return 0;
  }
}

int KindIndex(int type) { return type == ZM_LAYER_POINT ? 0 : type == ZM_LAYER_POLYLINE ? 1 : 2; }

// Marks the kinds a geometry holds, members of collections included.
void MarkKinds(const GdalLibrary* gdal, OGRGeometryH geometry, std::array<bool, 3>& kinds, int depth)
{
  if (geometry == nullptr || depth > kMaxNesting)
    return;
  const OGRwkbGeometryType type = gdal->G_GetGeometryType(geometry);
  if (const int kind = KindOf(type); kind != 0) {
    kinds[static_cast<size_t>(KindIndex(kind))] = true;
    return;
  }
  if (FlatType(type) == wkbGeometryCollection)
    for (int i = 0; i < gdal->G_GetGeometryCount(geometry); ++i)
      MarkKinds(gdal, gdal->G_GetGeometryRef(geometry, i), kinds, depth + 1);
}

struct TableKinds {
  std::string name;
  std::array<bool, 3> kinds{};
  int Count() const { return kinds[0] + kinds[1] + kinds[2]; }
};

// The kinds of a table: its declared geometry type when that names one and it has a feature,
// otherwise what its features hold (read once without their fields).
ZamraVectorStatus FindKinds(const GdalLibrary* gdal, OGRLayerH layer, TableKinds& table)
{
  table.name = gdal->L_GetName(layer) != nullptr ? gdal->L_GetName(layer) : "";
  const OGRwkbGeometryType declared = gdal->L_GetGeomType(layer);
  if (declared == wkbNone)
    return ZamraVectorStatus::Ok;  // a table without geometry: not a layer
  if (const int kind = KindOf(declared); kind != 0) {
    // A table without features is left out: a GPX file has five tables, most of them empty.
    gdal->L_ResetReading(layer);
    const FeaturePtr first{gdal->L_GetNextFeature(layer), FeatureDestroyer{gdal}};
    table.kinds[static_cast<size_t>(KindIndex(kind))] = first != nullptr;
    return ZamraVectorStatus::Ok;
  }
  OGRFeatureDefnH definition = gdal->L_GetLayerDefn(layer);
  std::vector<std::string> names;
  for (int field = 0; field < gdal->FD_GetFieldCount(definition); ++field)
    names.emplace_back(gdal->Fld_GetNameRef(gdal->FD_GetFieldDefn(definition, field)));
  names.emplace_back("OGR_STYLE");
  std::vector<const char*> ignored;
  for (const std::string& name : names)
    ignored.push_back(name.c_str());
  ignored.push_back(nullptr);
  gdal->L_SetIgnoredFields(layer, ignored.data());
  gdal->L_ResetReading(layer);
  gdal->ErrorReset();
  while (FeaturePtr feature{gdal->L_GetNextFeature(layer), FeatureDestroyer{gdal}})
    MarkKinds(gdal, gdal->F_GetGeometryRef(feature.get()), table.kinds, 0);
  const bool failed = gdal->GetLastErrorType() >= CE_Failure;
  gdal->L_SetIgnoredFields(layer, nullptr);
  return failed ? ZamraVectorStatus::Damaged : ZamraVectorStatus::Ok;
}

ZamraVectorStatus ListTables(const GdalLibrary* gdal, void* dataset, std::vector<TableKinds>& tables)
{
  for (int index = 0; index < gdal->DatasetGetLayerCount(dataset); ++index) {
    OGRLayerH layer = gdal->DatasetGetLayer(dataset, index);
    if (layer == nullptr)
      return ZamraVectorStatus::Damaged;
    TableKinds table;
    if (const ZamraVectorStatus status = FindKinds(gdal, layer, table); status != ZamraVectorStatus::Ok)
      return status;
    if (table.Count() > 0)
      tables.push_back(std::move(table));
  }
  return tables.empty() ? ZamraVectorStatus::NoGeometry : ZamraVectorStatus::Ok;
}

std::string Title(const std::string& table, int type) { return table + " (" + VectorKindWord(type) + ")"; }

// --- Geometry -----------------------------------------------------------------------------------

// One feature's shapes of one kind, in memory that the next feature reuses.
struct FeatureShapes {
  std::vector<ST_POINT> points;
  std::vector<std::int32_t> partStarts;  // index of each part's first point in `points`
};

// Reads well-known binary (ISO or extended flavour, either byte order) and keeps the shapes of
// one kind. Every count is checked against the bytes left before anything is read.
class WkbShapes final {
public:
  WkbShapes(const unsigned char* data, size_t size, int kind, FeatureShapes& shapes)
      : m_at(data), m_end(data + size), m_kind(kind), m_shapes(shapes)
  {}
  bool Read() { return Geometry(0); }

private:
  bool Byte(unsigned char& value)
  {
    if (m_at >= m_end)
      return false;
    value = *m_at++;
    return true;
  }
  bool Count(std::uint32_t& value)
  {
    if (m_end - m_at < 4)
      return false;
    std::memcpy(&value, m_at, 4);
    if (m_swap)
      value = __builtin_bswap32(value);
    m_at += 4;
    return true;
  }
  double DoubleAt(const unsigned char* at) const
  {
    std::uint64_t bits;
    std::memcpy(&bits, at, 8);
    if (m_swap)
      bits = __builtin_bswap64(bits);
    return std::bit_cast<double>(bits);
  }
  // Takes `count` positions of `dimensions` numbers; false when the bytes do not hold them.
  bool Positions(std::uint32_t count, int dimensions, const unsigned char*& first)
  {
    const size_t stride = static_cast<size_t>(dimensions) * 8;
    if (static_cast<size_t>(m_end - m_at) / stride < count)
      return false;
    first = m_at;
    m_at += stride * count;
    return true;
  }
  void Append(const unsigned char* first, std::uint32_t count, int dimensions)
  {
    const size_t stride = static_cast<size_t>(dimensions) * 8;
    const size_t start = m_shapes.points.size();
    m_shapes.points.resize(start + count);
    ST_POINT* out = m_shapes.points.data() + start;
    if (!m_swap && dimensions == 2) {
      std::memcpy(static_cast<void*>(out), first, sizeof(ST_POINT) * count);  // x and y as stored
      return;
    }
    for (std::uint32_t i = 0; i < count; ++i, first += stride)
      out[i] = ST_POINT{DoubleAt(first), DoubleAt(first + 8)};
  }
  void StartPart() { m_shapes.partStarts.push_back(static_cast<std::int32_t>(m_shapes.points.size())); }

  // A ring closed, as shapefiles have it. Its turn stays as written: the view fills rings
  // even-odd, and a ring turned would no longer match the file's vertices one for one.
  void AppendRing(const unsigned char* first, std::uint32_t count, int dimensions)
  {
    StartPart();
    const size_t start = m_shapes.points.size();
    Append(first, count, dimensions);
    const ST_POINT opening = m_shapes.points[start];
    if (opening.x != m_shapes.points.back().x || opening.y != m_shapes.points.back().y)
      m_shapes.points.push_back(opening);
  }

  bool Geometry(int depth)
  {
    unsigned char order = 0;
    std::uint32_t code = 0;
    if (depth > kMaxNesting || !Byte(order) || order > 1)
      return false;
    m_swap = (order == 1) != (std::endian::native == std::endian::little);
    if (!Count(code))
      return false;
    int dimensions = 2;
    if (code & 0x80000000u)  // extended WKB's Z flag
      ++dimensions;
    if (code & 0x40000000u)  // and its M flag
      ++dimensions;
    if (code & 0x20000000u) {  // and its SRID, which the layer's system overrides
      std::uint32_t srid = 0;
      if (!Count(srid))
        return false;
    }
    code &= 0x0FFFFFFFu;
    const std::uint32_t dimensionCode = code / 1000;  // ISO: 1000 Z, 2000 M, 3000 ZM
    if (dimensionCode > 3)
      return false;
    dimensions += dimensionCode == 3 ? 2 : dimensionCode != 0 ? 1 : 0;
    const unsigned char* first = nullptr;
    std::uint32_t count = 0;
    switch (code % 1000) {
    case 1:  // point
      if (!Positions(1, dimensions, first))
        return false;
      if (m_kind == ZM_LAYER_POINT && !std::isnan(DoubleAt(first)) && !std::isnan(DoubleAt(first + 8)))
        Append(first, 1, dimensions);  // an empty point is written with NaN numbers
      return true;
    case 2:  // line string
      if (!Count(count) || !Positions(count, dimensions, first))
        return false;
      if (m_kind == ZM_LAYER_POLYLINE && count >= 2) {
        StartPart();
        Append(first, count, dimensions);
      }
      return true;
    case 3:     // polygon
    case 17: {  // triangle
      std::uint32_t rings = 0;
      if (!Count(rings))
        return false;
      for (std::uint32_t ring = 0; ring < rings; ++ring) {
        if (!Count(count) || !Positions(count, dimensions, first))
          return false;
        if (m_kind == ZM_LAYER_POLYGON && count >= 3)
          AppendRing(first, count, dimensions);
      }
      return true;
    }
    case 4:   // multipoint
    case 5:   // multi line string
    case 6:   // multipolygon
    case 7:   // collection
    case 15:  // polyhedral surface
    case 16:  // triangulated irregular network
      if (!Count(count))
        return false;
      for (std::uint32_t member = 0; member < count; ++member)
        if (!Geometry(depth + 1))
          return false;
      return true;
    default:
      return false;  // curves are linearised before they come here
    }
  }

  const unsigned char* m_at;
  const unsigned char* m_end;
  int m_kind;
  FeatureShapes& m_shapes;
  bool m_swap = false;
};

// Reads a feature's shapes of `kind` into `shapes` (emptied first); false when its geometry
// cannot be read.
bool ReadShapes(const GdalLibrary* gdal, OGRGeometryH geometry, int kind, FeatureShapes& shapes,
                std::vector<unsigned char>& wkb)
{
  shapes.points.clear();
  shapes.partStarts.clear();
  if (geometry == nullptr)
    return true;
  OGRGeometryH linear = nullptr;
  if (gdal->G_HasCurveGeometry(geometry, TRUE))
    geometry = linear = gdal->G_GetLinearGeometry(geometry, 0.0, nullptr);
  bool read = geometry != nullptr;
  if (read) {
    const int size = gdal->G_WkbSize(geometry);
    wkb.resize(static_cast<size_t>(std::max(size, 0)));
    read = size > 0 && gdal->G_ExportToIsoWkb(geometry, wkbNDR, wkb.data()) == OGRERR_NONE &&
           WkbShapes(wkb.data(), wkb.size(), kind, shapes).Read();
  }
  if (linear != nullptr)
    gdal->G_DestroyGeometry(linear);
  return read;
}

// --- The .shp ------------------------------------------------------------------------------------

void PutBig(unsigned char* at, std::int32_t value)
{
  const auto swapped = __builtin_bswap32(static_cast<std::uint32_t>(value));
  std::memcpy(at, &swapped, 4);
}

void PutLittle(unsigned char* at, std::int32_t value) { std::memcpy(at, &value, 4); }

void PutBox(unsigned char* at, const ST_RECT& box)
{
  const double numbers[4] = {box.left, box.bottom, box.right, box.top};  // the file's order
  std::memcpy(at, numbers, sizeof numbers);
}

ST_RECT BoxOf(const ST_POINT* points, std::int64_t count)
{
  ST_RECT box;
  box.left = box.right = points[0].x;
  box.bottom = box.top = points[0].y;
  for (std::int64_t i = 1; i < count; ++i) {
    box.left = std::min(box.left, points[i].x);
    box.right = std::max(box.right, points[i].x);
    box.bottom = std::min(box.bottom, points[i].y);
    box.top = std::max(box.top, points[i].y);
  }
  return box;
}

// Asks for the whole huge pages inside a large block: a block written once from end to end
// then costs a fault every 2 MiB instead of every 4 KiB.
void AdviseHugePages(unsigned char* block, size_t size)
{
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(kHugePage - 1);
  if (end > start)
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

// The .shp written record by record as the features come, into one block that grows with
// realloc: for a mapped block the C library moves the pages instead of copying them, where
// collecting the points first and writing them afterwards faulted in and copied every point
// twice more (most of a load's time, measured). Points are written as multipoints until the end
// shows whether any feature had more than one.
class ShpBuilder final {
public:
  explicit ShpBuilder(int kind) : m_kind(kind) { Extend(zs::kHeaderSize); }

  // False when the file would grow past what a shapefile can address.
  bool Add(const FeatureShapes& shapes)
  {
    const auto points = static_cast<std::int64_t>(shapes.points.size());
    const auto parts = static_cast<std::int64_t>(shapes.partStarts.size());
    std::int64_t content = zs::kTypeSize;
    if (points > 0)
      content = m_kind == zs::kPoint ? zs::kMultiPointFixedSize + 16 * points
                                     : zs::kMultiPartFixedSize + 4 * parts + 16 * points;
    if (m_records == INT32_MAX ||
        static_cast<std::int64_t>(m_size) + zs::kRecordHeaderSize + content > zs::kMaxFileBytes)
      return false;
    m_index.push_back(static_cast<std::int32_t>(m_size / 2));  // the record's offset and length in words
    m_index.push_back(static_cast<std::int32_t>(content / 2));
    unsigned char* at = Extend(static_cast<size_t>(zs::kRecordHeaderSize + content));
    PutBig(at, ++m_records);
    PutBig(at + 4, static_cast<std::int32_t>(content / 2));
    at += zs::kRecordHeaderSize;
    if (points == 0) {
      PutLittle(at, zs::kNullShape);
      return true;
    }
    const ST_RECT box = BoxOf(shapes.points.data(), points);
    Widen(box);
    PutLittle(at, m_kind == zs::kPoint ? zs::kMultiPoint : m_kind);
    PutBox(at + 4, box);
    if (m_kind == zs::kPoint) {
      m_multi = m_multi || points > 1;
      PutLittle(at + 36, static_cast<std::int32_t>(points));
      at += zs::kMultiPointFixedSize;
    } else {
      PutLittle(at + 36, static_cast<std::int32_t>(parts));
      PutLittle(at + 40, static_cast<std::int32_t>(points));
      std::memcpy(at + zs::kMultiPartFixedSize, shapes.partStarts.data(), static_cast<size_t>(4 * parts));
      at += zs::kMultiPartFixedSize + 4 * parts;
    }
    std::memcpy(at, shapes.points.data(), static_cast<size_t>(16 * points));
    return true;
  }

  // Writes the header and hands the file over, with its index (a .shx: the loader then need not
  // walk the records to find them).
  void Finish(FileBytes& shp, FileBytes& shx)
  {
    if (m_kind == zs::kPoint && !m_multi)
      ToSinglePoints();
    unsigned char* header = m_data.get();
    std::memset(header, 0, zs::kHeaderSize);
    PutBig(header, zs::kFileCode);
    PutBig(header + 24, static_cast<std::int32_t>(m_size / 2));
    PutLittle(header + 28, zs::kVersion);
    PutLittle(header + 32, m_kind == zs::kPoint && m_multi ? zs::kMultiPoint : m_kind);
    PutBox(header + 36, m_box);
    const auto shxSize = static_cast<std::int64_t>(zs::kHeaderSize + 4 * m_index.size());
    shx.data.reset(AllocateLarge(shxSize));
    if (!shx.data)
      throw std::bad_alloc();
    std::memcpy(shx.data.get(), header, zs::kHeaderSize);
    PutBig(shx.data.get() + 24, static_cast<std::int32_t>(shxSize / 2));
    for (size_t i = 0; i < m_index.size(); ++i)
      PutBig(shx.data.get() + zs::kHeaderSize + 4 * i, m_index[i]);
    shx.size = shxSize;
    shp.data = std::move(m_data);
    shp.size = static_cast<std::int64_t>(m_size);
  }

private:
  unsigned char* Extend(size_t bytes)
  {
    if (bytes > m_capacity - m_size) {
      // The first block is big enough for the C library to map it on its own (beyond its
      // largest heap threshold, 32 MiB): only such a block grows by moving pages; one from the
      // heap is copied at every growth. Pages never written cost nothing.
      size_t capacity = std::max<size_t>(m_capacity * 2, size_t{64} << 20);
      while (capacity - m_size < bytes)
        capacity *= 2;
      auto* grown = static_cast<unsigned char*>(std::realloc(m_data.get(), capacity));
      if (grown == nullptr)
        throw std::bad_alloc();
      static_cast<void>(m_data.release());  // now owned as `grown`
      m_data.reset(grown);
      m_capacity = capacity;
      AdviseHugePages(grown, capacity);
    }
    m_size += bytes;
    return m_data.get() + (m_size - bytes);
  }
  void Widen(const ST_RECT& box)
  {
    if (!m_anyBox) {
      m_box = box;
      m_anyBox = true;
      return;
    }
    m_box.left = std::min(m_box.left, box.left);
    m_box.right = std::max(m_box.right, box.right);
    m_box.bottom = std::min(m_box.bottom, box.bottom);
    m_box.top = std::max(m_box.top, box.top);
  }
  // Rewrites multipoints of one point each as points.
  void ToSinglePoints()
  {
    MallocPtr<unsigned char> multi = std::move(m_data);
    const size_t multiSize = m_size;
    m_size = 0;
    m_capacity = 0;
    Extend(zs::kHeaderSize);
    size_t entry = 0;
    for (size_t at = zs::kHeaderSize; at < multiSize;) {
      const unsigned char* record = multi.get() + at;
      const bool null = zs::LittleInt(record + zs::kRecordHeaderSize) == zs::kNullShape;
      const std::int64_t content = null ? zs::kTypeSize : zs::kPointContentSize;
      m_index[entry++] = static_cast<std::int32_t>(m_size / 2);
      m_index[entry++] = static_cast<std::int32_t>(content / 2);
      unsigned char* out = Extend(static_cast<size_t>(zs::kRecordHeaderSize + content));
      std::memcpy(out, record, 4);  // the record number
      PutBig(out + 4, static_cast<std::int32_t>(content / 2));
      PutLittle(out + zs::kRecordHeaderSize, null ? zs::kNullShape : zs::kPoint);
      if (!null)
        std::memcpy(out + zs::kRecordHeaderSize + 4, record + zs::kRecordHeaderSize + zs::kMultiPointFixedSize, 16);
      at += zs::kRecordHeaderSize + (null ? zs::kTypeSize : zs::kMultiPointFixedSize + 16);
    }
  }

  int m_kind;
  MallocPtr<unsigned char> m_data;
  std::vector<std::int32_t> m_index;  // each record's offset and content length, in 16-bit words
  size_t m_size = 0;
  size_t m_capacity = 0;
  std::int32_t m_records = 0;
  bool m_multi = false;
  bool m_anyBox = false;
  ST_RECT m_box{};
};

// --- The .dbf ------------------------------------------------------------------------------------

struct FieldPlan {
  int ogrIndex = 0;
  OGRFieldType type = OFTString;
  std::string name;
  int precision = 0;
  size_t longest = 0;  // bytes of the longest cell text
  int width = 0;
  unsigned char letter = 'C';
  int decimals = 0;
};

// Every cell's text one after another; a cell ends where the next begins.
struct CellTexts {
  std::string bytes;
  std::vector<std::uint64_t> ends;
};

void AppendJsonText(std::string& out, const char* text)
{
  out += '"';
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

template <typename Number>
void AppendNumber(std::string& out, Number value)
{
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  if (error == std::errc())
    out.append(text, end);
}

void AppendTwoDigits(std::string& out, int value)
{
  out += static_cast<char>('0' + value / 10 % 10);
  out += static_cast<char>('0' + value % 10);
}

// Dates and times as ISO 8601: 2024-05-01, 13:45:30.250, 2024-05-01T13:45:30+02:00.
void AppendDateTime(const GdalLibrary* gdal, OGRFeatureH feature, int field, OGRFieldType type, std::string& out)
{
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, zone = 0;
  float second = 0;
  if (!gdal->F_GetFieldAsDateTimeEx(feature, field, &year, &month, &day, &hour, &minute, &second, &zone))
    return;
  char text[48];
  if (type != OFTTime) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    out += text;
    if (type == OFTDate)
      return;
    out += 'T';
  }
  AppendTwoDigits(out, hour);
  out += ':';
  AppendTwoDigits(out, minute);
  out += ':';
  const int milliseconds = static_cast<int>(std::lround(second * 1000.0f));
  AppendTwoDigits(out, milliseconds / 1000);
  if (milliseconds % 1000 != 0) {
    std::snprintf(text, sizeof text, ".%03d", milliseconds % 1000);
    out += text;
  }
  if (type == OFTDateTime && zone == 100) {
    out += 'Z';
  } else if (type == OFTDateTime && zone > 1) {  // 100 is UTC, each step a quarter of an hour
    const int quarters = zone - 100;
    out += quarters < 0 ? '-' : '+';
    AppendTwoDigits(out, std::abs(quarters) / 4);
    out += ':';
    AppendTwoDigits(out, std::abs(quarters) % 4 * 15);
  }
}

void AppendCell(const GdalLibrary* gdal, OGRFeatureH feature, const FieldPlan& field, std::string& out)
{
  const int index = field.ogrIndex;
  if (!gdal->F_IsFieldSetAndNotNull(feature, index))
    return;  // blank: a number field reads it as no value
  int count = 0;
  switch (field.type) {
  case OFTInteger:
  case OFTInteger64:
    AppendNumber(out, static_cast<long long>(gdal->F_GetFieldAsInteger64(feature, index)));
    return;
  case OFTReal:
    AppendNumber(out, gdal->F_GetFieldAsDouble(feature, index));  // the shortest text that reads back exactly
    return;
  case OFTDate:
  case OFTTime:
  case OFTDateTime:
    AppendDateTime(gdal, feature, index, field.type, out);
    return;
  case OFTIntegerList: {
    const int* values = gdal->F_GetFieldAsIntegerList(feature, index, &count);
    out += '[';
    for (int i = 0; i < count; ++i) {
      if (i > 0)
        out += ',';
      AppendNumber(out, values[i]);
    }
    out += ']';
    return;
  }
  case OFTInteger64List: {
    const GIntBig* values = gdal->F_GetFieldAsInteger64List(feature, index, &count);
    out += '[';
    for (int i = 0; i < count; ++i) {
      if (i > 0)
        out += ',';
      AppendNumber(out, static_cast<long long>(values[i]));
    }
    out += ']';
    return;
  }
  case OFTRealList: {
    const double* values = gdal->F_GetFieldAsDoubleList(feature, index, &count);
    out += '[';
    for (int i = 0; i < count; ++i) {
      if (i > 0)
        out += ',';
      if (std::isfinite(values[i]))
        AppendNumber(out, values[i]);
      else
        out += "null";  // JSON has no infinities
    }
    out += ']';
    return;
  }
  case OFTStringList: {
    char** values = gdal->F_GetFieldAsStringList(feature, index);
    out += '[';
    for (int i = 0; values != nullptr && values[i] != nullptr; ++i) {
      if (i > 0)
        out += ',';
      AppendJsonText(out, values[i]);
    }
    out += ']';
    return;
  }
  default:
    if (const char* text = gdal->F_GetFieldAsString(feature, index))
      out += text;
    return;
  }
}

// Where a text of `length` bytes may be cut to `width` without splitting a UTF-8 character.
size_t CutLength(const char* text, size_t length, size_t width)
{
  if (length <= width)
    return length;
  size_t cut = width;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut;
  return cut;
}

// Field widths: numbers as wide as their longest text; text columns as wide as their longest
// text too, unless the record or the table would grow past what a table can hold, when the
// widest are cut to one width.
bool PlanWidths(std::vector<FieldPlan>& fields, std::int64_t rows)
{
  std::int64_t budget = std::min<std::int64_t>(kMaxRecordBytes, kMaxTableBytes / std::max<std::int64_t>(rows, 1));
  budget -= 1;  // the deletion flag
  std::vector<FieldPlan*> texts;
  for (FieldPlan& field : fields) {
    if (field.letter == 'N') {
      field.width = static_cast<int>(std::clamp<size_t>(field.longest, field.decimals > 0 ? 3 : 1, 255));
      budget -= field.width;
    } else {
      texts.push_back(&field);
    }
  }
  std::int64_t low = 1, high = kMaxCellBytes;  // the widest text width that fits the budget
  const auto need = [&texts](std::int64_t cap) {
    std::int64_t sum = 0;
    for (const FieldPlan* field : texts)
      sum += std::clamp<std::int64_t>(static_cast<std::int64_t>(field->longest), 1, cap);
    return sum;
  };
  if (need(low) > budget)
    return false;
  while (low < high) {
    const std::int64_t middle = (low + high + 1) / 2;
    if (need(middle) <= budget)
      low = middle;
    else
      high = middle - 1;
  }
  for (FieldPlan* field : texts)
    field->width = static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(field->longest), 1, low));
  return true;
}

ZamraVectorStatus WriteDbf(std::vector<FieldPlan>& fields, const CellTexts& cells, std::int64_t rows, FileBytes& dbf)
{
  if (rows > INT32_MAX || !PlanWidths(fields, rows))
    return ZamraVectorStatus::TooLarge;
  const int columns = static_cast<int>(fields.size());
  const int headerLength = 32 + 32 * columns + 1;
  int recordLength = 1;
  for (const FieldPlan& field : fields)
    recordLength += field.width;
  const std::int64_t total = headerLength + static_cast<std::int64_t>(recordLength) * rows + 1;
  dbf.data.reset(AllocateLarge(total));
  if (!dbf.data)
    return ZamraVectorStatus::TooLarge;
  dbf.size = total;
  unsigned char* out = dbf.data.get();
  std::memset(out, 0, static_cast<size_t>(headerLength));
  out[0] = 0x03;  // dBASE III without memo
  out[1] = 124;   // a date is wanted; the view never shows it
  out[2] = 1;
  out[3] = 1;
  const auto rowCount = static_cast<std::int32_t>(rows);
  std::memcpy(out + 4, &rowCount, 4);
  const auto header16 = static_cast<std::int16_t>(headerLength), record16 = static_cast<std::int16_t>(recordLength);
  std::memcpy(out + 8, &header16, 2);
  std::memcpy(out + 10, &record16, 2);
  for (int column = 0; column < columns; ++column) {
    const FieldPlan& field = fields[static_cast<size_t>(column)];
    unsigned char* descriptor = out + 32 + 32 * static_cast<size_t>(column);
    // The whole name is given to the table afterwards; this one only has to be a name.
    std::copy_n(field.name.data(), std::min<size_t>(field.name.size(), kDbfNameBytes), descriptor);
    descriptor[11] = field.letter;
    descriptor[16] = static_cast<unsigned char>(field.width % 256);
    // A number field's byte 17 is its decimal count; a text field's, its width's high byte.
    descriptor[17] = static_cast<unsigned char>(field.letter == 'N' ? field.decimals : field.width / 256);
  }
  out[headerLength - 1] = 0x0D;  // end of the descriptors
  unsigned char* record = out + headerLength;
  std::memset(record, ' ', static_cast<size_t>(total - headerLength));
  std::uint64_t start = 0;
  for (std::int64_t row = 0; row < rows; ++row, record += recordLength) {
    unsigned char* cell = record + 1;
    for (int column = 0; column < columns; ++column) {
      const FieldPlan& field = fields[static_cast<size_t>(column)];
      const std::uint64_t end = cells.ends[static_cast<size_t>(row * columns + column)];
      const char* text = cells.bytes.data() + start;
      std::memcpy(cell, text, CutLength(text, end - start, static_cast<size_t>(field.width)));
      cell += field.width;
      start = end;
    }
  }
  out[total - 1] = 0x1A;  // end of file
  return ZamraVectorStatus::Ok;
}

std::vector<FieldPlan> PlanFields(const GdalLibrary* gdal, OGRLayerH layer)
{
  std::vector<FieldPlan> fields;
  OGRFeatureDefnH definition = gdal->L_GetLayerDefn(layer);
  const int count = std::min(gdal->FD_GetFieldCount(definition), kMaxDbfColumns);
  for (int index = 0; index < count; ++index) {
    OGRFieldDefnH field = gdal->FD_GetFieldDefn(definition, index);
    FieldPlan plan;
    plan.ogrIndex = index;
    plan.type = gdal->Fld_GetType(field);
    plan.name = gdal->Fld_GetNameRef(field) != nullptr ? gdal->Fld_GetNameRef(field) : "";
    if (plan.type == OFTInteger || plan.type == OFTInteger64) {
      plan.letter = 'N';
    } else if (plan.type == OFTReal) {
      plan.letter = 'N';
      // Decimals only tell a real from an integer field here: the text keeps every digit.
      const int precision = gdal->Fld_GetPrecision(field);
      plan.decimals = precision > 0 ? std::min(precision, 30) : 15;
    }
    fields.push_back(std::move(plan));
  }
  return fields;
}

// The placeholders a GeoPackage gives tables without a coordinate system: numbers taken as they
// are, as for a shapefile without a .prj, not transformed from an unknown datum.
bool IsUndefined(const GdalLibrary* gdal, OGRSpatialReferenceH system)
{
  const char* name = gdal->SRS_GetName(system);
  return name != nullptr &&
         (std::strcmp(name, "Undefined geographic SRS") == 0 || std::strcmp(name, "Undefined Cartesian SRS") == 0);
}

// --- A table read whole ----------------------------------------------------------------------------

ZamraVectorStatus ReadTable(const GdalLibrary* gdal, OGRLayerH layer, int kind, bool onlyWithShapes,
                            VectorLayerFiles& out, const std::atomic<bool>* stop)
{
  std::vector<FieldPlan> fields = PlanFields(gdal, layer);
  ShpBuilder shp(kind);
  FeatureShapes shapes;
  CellTexts cells;
  std::vector<unsigned char> wkb;
  gdal->L_ResetReading(layer);
  gdal->ErrorReset();
  std::int64_t rows = 0;
  while (FeaturePtr feature{gdal->L_GetNextFeature(layer), FeatureDestroyer{gdal}}) {
    if (stop != nullptr && rows % 1024 == 0 && stop->load(std::memory_order_relaxed))
      return ZamraVectorStatus::Stopped;
    if (!ReadShapes(gdal, gdal->F_GetGeometryRef(feature.get()), kind, shapes, wkb))
      return ZamraVectorStatus::Damaged;
    if (onlyWithShapes && shapes.points.empty())
      continue;  // a feature of another kind belongs to another layer of the table
    if (shapes.points.size() > static_cast<size_t>(INT32_MAX / 16) || !shp.Add(shapes))
      return ZamraVectorStatus::TooLarge;
    for (FieldPlan& field : fields) {
      const size_t before = cells.bytes.size();
      AppendCell(gdal, feature.get(), field, cells.bytes);
      field.longest = std::max(field.longest, cells.bytes.size() - before);
      cells.ends.push_back(cells.bytes.size());
    }
    ++rows;
  }
  if (gdal->GetLastErrorType() >= CE_Failure)
    return ZamraVectorStatus::Damaged;  // the features ended in an error, not at the end
  shp.Finish(out.files.shp, out.files.shx);
  if (const ZamraVectorStatus status = WriteDbf(fields, cells, rows, out.files.dbf); status != ZamraVectorStatus::Ok)
    return status;
  out.files.hasDbf = true;
  if (gdal->L_TestCapability(layer, OLCStringsAsUTF8))
    out.files.cpg = "UTF-8";
  if (OGRSpatialReferenceH system = gdal->L_GetSpatialRef(layer); system != nullptr && !IsUndefined(gdal, system)) {
    static const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
    char* wkt = nullptr;
    if (gdal->SRS_ExportToWktEx(system, &wkt, options) == OGRERR_NONE && wkt != nullptr) {
      out.files.prj = wkt;
      out.files.hasPrj = true;
    }
    gdal->Free(wkt);
  }
  for (const FieldPlan& field : fields)
    out.source.columnNames.push_back(field.name);
  out.type = kind;
  return ZamraVectorStatus::Ok;
}

}  // namespace

const char* VectorKindWord(int type)
{
  switch (type) {
  case ZM_LAYER_POINT:
    return "points";
  case ZM_LAYER_POLYLINE:
    return "lines";
  case ZM_LAYER_POLYGON:
    return "polygons";
  default:
    return "";
  }
}

ZamraVectorStatus ListVectorLayers(const std::string& source, std::vector<ZamraVectorLayer>& layers)
{
  layers.clear();
  const GdalLibrary* gdal = OpenGdalLibrary();
  if (gdal == nullptr)
    return ZamraVectorStatus::NoGdal;
  try {
    QuietErrors quiet(gdal);
    DatasetPtr dataset = OpenDataset(gdal, source);
    if (!dataset)
      return ZamraVectorStatus::CannotOpen;
    std::vector<TableKinds> tables;
    if (const ZamraVectorStatus status = ListTables(gdal, dataset.get(), tables); status != ZamraVectorStatus::Ok)
      return status;
    for (const TableKinds& table : tables)
      for (int type : {ZM_LAYER_POINT, ZM_LAYER_POLYLINE, ZM_LAYER_POLYGON})
        if (table.kinds[static_cast<size_t>(KindIndex(type))])
          layers.push_back(ZamraVectorLayer{table.name, type, Title(table.name, type),
                                            ZamraVectorSource::LayerPath(source, table.name, type)});
    if (layers.size() == 1)
      layers.front().path = source;  // a source of one layer stands for it
    return ZamraVectorStatus::Ok;
  } catch (const std::bad_alloc&) {
    layers.clear();
    return ZamraVectorStatus::TooLarge;
  }
}

ZamraVectorStatus ReadVectorLayer(const std::string& path, VectorLayerFiles& layer, const std::atomic<bool>* stop)
{
  layer = VectorLayerFiles();
  const GdalLibrary* gdal = OpenGdalLibrary();
  if (gdal == nullptr)
    return ZamraVectorStatus::NoGdal;
  try {
    std::string source, tableName;
    int type = 0;
    const bool named = ZamraVectorSource::SplitLayerPath(path, source, tableName, type);
    if (!named)
      source = path;
    QuietErrors quiet(gdal);
    DatasetPtr dataset = OpenDataset(gdal, source);
    if (!dataset)
      return ZamraVectorStatus::CannotOpen;
    std::vector<TableKinds> tables;
    if (const ZamraVectorStatus status = ListTables(gdal, dataset.get(), tables); status != ZamraVectorStatus::Ok)
      return status;
    const TableKinds* table = nullptr;
    if (named) {
      for (const TableKinds& candidate : tables)
        if (candidate.name == tableName && candidate.kinds[static_cast<size_t>(KindIndex(type))])
          table = &candidate;
    } else if (tables.size() == 1 && tables.front().Count() == 1) {
      table = &tables.front();
      for (int candidate : {ZM_LAYER_POINT, ZM_LAYER_POLYLINE, ZM_LAYER_POLYGON})
        if (table->kinds[static_cast<size_t>(KindIndex(candidate))])
          type = candidate;
    }
    if (table == nullptr)
      return ZamraVectorStatus::NoGeometry;
    OGRLayerH ogrLayer = nullptr;
    for (int index = 0; index < gdal->DatasetGetLayerCount(dataset.get()) && ogrLayer == nullptr; ++index) {
      OGRLayerH candidate = gdal->DatasetGetLayer(dataset.get(), index);
      if (candidate != nullptr && gdal->L_GetName(candidate) != nullptr && table->name == gdal->L_GetName(candidate))
        ogrLayer = candidate;
    }
    if (ogrLayer == nullptr)
      return ZamraVectorStatus::NoGeometry;
    // A table of one kind keeps its features without geometry, as null shapes; a table split by
    // kind gives each layer the features that have its kind.
    const ZamraVectorStatus status = ReadTable(gdal, ogrLayer, type, table->Count() > 1, layer, stop);
    if (status != ZamraVectorStatus::Ok) {
      layer = VectorLayerFiles();
      return status;
    }
    if (GDALDriverH driver = gdal->GetDatasetDriver(dataset.get()))
      layer.source.format = gdal->GetDriverLongName(driver) != nullptr ? gdal->GetDriverLongName(driver) : "";
    layer.source.table = table->name;
    if (!named || (tables.size() == 1 && table->Count() == 1))
      layer.source.name = FileName(source);
    else
      layer.source.name = table->Count() > 1 ? Title(table->name, type) : table->name;
    return ZamraVectorStatus::Ok;
  } catch (const std::bad_alloc&) {
    layer = VectorLayerFiles();
    return ZamraVectorStatus::TooLarge;
  }
}

}  // namespace zamra::view

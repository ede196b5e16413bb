// ZMShapeFile and its point, polyline and polygon classes.
// SPDX-License-Identifier: MIT
#include "api/formats/shape_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "api/base/file.h"
#include "api/formats/dbf_file.h"
#include "shape_core/companion_files.h"
#include "shape_core/file_block.h"
#include "formats/large_buffer.h"
#include "formats/multipart_edit.h"
#include "api/formats/polygon.h"
#include "api/formats/polyline.h"
#include "base/replacement_file.h"
#include "shape_core/record_index.h"
#include "shape_core/shape_layout.h"
#include "api/formats/shape_type.h"
#include "platform/file_io.h"
#include "platform/memory_short.h"

namespace {

using zamra::shape::kHeaderSize;
using zamra::shape::kMaxFileBytes;
using zamra::shape::kNullShape;
using zamra::shape::kPointContentSize;
using zamra::shape::kRecordHeaderSize;
constexpr int kPointShape = zamra::shape::kPoint;
constexpr int kPolylineShape = zamra::shape::kPolyline;
constexpr int kPolygonShape = zamra::shape::kPolygon;
constexpr int kNullContentSize = zamra::shape::kTypeSize;  // shape type only
constexpr std::int64_t kMaxWords = INT32_MAX;              // offsets and lengths are signed 32-bit word counts

bool BaseName(const char* fileName, std::string& base)
{
  return fileName != nullptr && zamra::shape::BaseOfPath(fileName, base);
}

// Calls visit(type, content, contentBytes) for the first `count` records of the area; false
// when the area holds fewer whole records or visit refuses one.
template <typename Visit>
bool WalkRecords(const unsigned char* records, int size, int count, Visit visit)
{
  zamra::shape::RecordIndex index;
  index.BuildFromArea(records, size);
  if (index.Count() < count)
    return false;
  return index.ForEach([&](int number, const zamra::shape::Record& record) {
    return number >= count || visit(record.type, record.content, static_cast<int>(record.length));
  });
}

// Whether an area of `size` bytes could hold `count` records at all (each takes at least its
// header and shape type): a count from the table that the .shp cannot hold is refused before
// anything that size is allocated for it.
bool AreaCanHold(std::int64_t size, int count)
{
  return count >= 0 && size >= 0 && count <= size / (kRecordHeaderSize + zamra::shape::kTypeSize);
}

// How many whole records, each of the null type or `shapeType`, the area holds from its start.
int CountRecords(const unsigned char* records, std::int64_t size, int shapeType)
{
  zamra::shape::RecordIndex index;
  index.BuildFromArea(records, size);
  int count = 0;
  index.ForEach([&](int, const zamra::shape::Record& record) {
    if (record.type != kNullShape && record.type != shapeType)
      return false;
    ++count;
    return true;
  });
  return count;
}

// Gathers output into large writes.
class BatchWriter final {
public:
  explicit BatchWriter(HANDLE file) : m_file(file), m_buffer(size_t{1} << 20) {}
  BatchWriter(const BatchWriter&) = delete;
  BatchWriter& operator=(const BatchWriter&) = delete;

  // Room for `size` bytes, or null after a failed write.
  unsigned char* Take(size_t size)
  {
    if (m_used + size > m_buffer.size()) {
      if (!Flush())
        return nullptr;
      if (size > m_buffer.size())
        m_buffer.resize(size);
    }
    unsigned char* room = m_buffer.data() + m_used;
    m_used += size;
    return room;
  }

  bool Flush()
  {
    DWORD written = 0;
    const bool ok = m_used == 0 || (WriteFile(m_file, m_buffer.data(), static_cast<DWORD>(m_used), &written, nullptr) &&
                                    written == m_used);
    m_used = 0;
    return ok;
  }

private:
  HANDLE m_file;
  std::vector<unsigned char> m_buffer;
  size_t m_used = 0;
};

// Content bytes of a multi-part record (shape type included); -1 when its counts are broken.
template <typename Multi>
std::int64_t MultiPartContentSize(const Multi* record)
{
  if (record->partCount < 0 || (record->partCount > 0 && record->parts == nullptr))
    return -1;
  std::int64_t points = 0;
  for (std::int32_t part = 0; part < record->partCount; ++part) {
    const auto& line = record->parts[part];
    if (line.pointCount < 0 || (line.pointCount > 0 && line.points == nullptr))
      return -1;
    points += line.pointCount;
  }
  if (points > INT32_MAX)
    return -1;
  return 4 + 40 + 4 * static_cast<std::int64_t>(record->partCount) + 16 * points;
}

std::int64_t PointContentSize(const ST_POINT*) { return kPointContentSize; }

// The .shp length of a set of shapes; -1 when a shape is broken or the file passes the limit.
template <typename Shape, typename SizeOf>
std::int64_t MainFileLength(const std::vector<Shape*>& shapes, SizeOf contentSize)
{
  std::int64_t length = kHeaderSize;
  for (const Shape* shape : shapes) {
    const std::int64_t content = shape ? contentSize(shape) : kNullContentSize;
    if (content < 0)
      return -1;
    length += kRecordHeaderSize + content;
    if (length > kMaxFileBytes)
      return -1;
  }
  return length;
}

// Writes the records and index entries; encode(shape, room) fills the content after the
// shape type.
template <typename Shape, typename SizeOf, typename Encode>
bool WriteRecords(HANDLE shpFile, HANDLE shxFile, const std::vector<Shape*>& shapes, int shapeType, SizeOf contentSize,
                  Encode encode)
{
  LONG high = 0;
  const DWORD low = SetFilePointer(shpFile, 0, &high, FILE_CURRENT);
  if (low == INVALID_SET_FILE_POINTER)
    return false;
  std::int64_t position = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low);
  BatchWriter shp(shpFile);
  BatchWriter shx(shxFile);
  for (size_t index = 0; index < shapes.size(); ++index) {
    const Shape* shape = shapes[index];
    const std::int64_t content = shape ? contentSize(shape) : kNullContentSize;
    if (content < 0 || (position + kRecordHeaderSize + content) / 2 > kMaxWords || index >= INT32_MAX)
      return false;
    unsigned char* entry = shx.Take(8);
    unsigned char* record = shp.Take(static_cast<size_t>(kRecordHeaderSize + content));
    if (entry == nullptr || record == nullptr)
      return false;
    ZMType::WriteEsriInt(entry, static_cast<int>(position / 2));
    ZMType::WriteEsriInt(entry + 4, static_cast<int>(content / 2));
    ZMType::WriteEsriInt(record, static_cast<int>(index + 1));
    ZMType::WriteEsriInt(record + 4, static_cast<int>(content / 2));
    ZMType::WriteInt(record + 8, shape ? shapeType : kNullShape);
    if (shape)
      encode(shape, record + 12);
    position += kRecordHeaderSize + content;
  }
  return shp.Flush() && shx.Flush();
}

template <typename Multi>
void ReleaseAll(std::vector<Multi*>& shapes)
{
  for (Multi* shape : shapes)
    delete shape;
  shapes.clear();
}

// Decodes multi-part records into `decoded`; false (and `decoded` released) on a bad record.
template <typename Multi, typename Read>
bool DecodeMultiPart(unsigned char* records, int size, int count, int shapeType, std::vector<Multi*>& decoded,
                     Read read)
{
  if (!AreaCanHold(size, count))
    return false;
  decoded.reserve(static_cast<size_t>(count));
  const bool ok = WalkRecords(records, size, count, [&](int type, const unsigned char* content, int bytes) {
    if (type == kNullShape) {
      decoded.push_back(nullptr);
      return true;
    }
    if (type != shapeType)
      return false;
    auto record = std::make_unique<Multi>();
    if (!read(content + 4, bytes - 4, record.get()))
      return false;
    decoded.push_back(record.release());
    return true;
  });
  if (!ok)
    ReleaseAll(decoded);
  return ok;
}

// Appends a deep copy of `shape`; should memory run out (std::bad_alloc), nothing is added
// and what was copied is released.
template <typename Multi>
bool AddMultiPart(std::vector<Multi*>& shapes, const Multi* shape)
{
  if (shape == nullptr)
    return false;
  auto record = std::make_unique<Multi>();
  zamra::multipart::CopyRecord(record.get(), shape);
  shapes.push_back(record.get());
  static_cast<void>(record.release());  // the list owns it now
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ZMShapeFile

ZMShapeFile::ZMShapeFile(int shapeType) : m_shapeType(shapeType) {}

ZMShapeFile::~ZMShapeFile() { delete m_dataView; }

ZMShapeFile* ZMShapeFile::GetInstance(const char* fileName)
{
  std::string base;
  if (!BaseName(fileName, base))
    return nullptr;
  tagShpHead head;
  if (!ZMType::ReadShpHead(zamra::shape::CompanionPath(fileName, ".shx").c_str(), &head))
    return nullptr;
  try {
    std::unique_ptr<ZMShapeFile> shapeFile;
    switch (head.shapeType) {
    case kPointShape:
      shapeFile = std::make_unique<ZMShapePointFile>();
      break;
    case kPolylineShape:
      shapeFile = std::make_unique<ZMShapePolylineFile>();
      break;
    case kPolygonShape:
      shapeFile = std::make_unique<ZMShapePolygonFile>();
      break;
    default:
      return nullptr;
    }
    if (!shapeFile->Load(fileName))
      return nullptr;
    return shapeFile.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool ZMShapeFile::Load(const char* fileName)
{
  std::string base;
  if (!BaseName(fileName, base))
    return false;
  try {
    // Shapes held before would otherwise sit in front of the loaded ones.
    RemoveAll();
    delete m_dataView;
    m_dataView = ZMDbfFile::LoadFile(zamra::shape::CompanionPath(fileName, ".dbf").c_str());
    if (m_dataView == nullptr)
      return false;
    m_recordCount = m_dataView->GetRowCount();

    FileBytes shp;
    const int nativeType = m_shapeType;
    bool loaded = ReadWholeFile(fileName, shp) && shp.size >= kHeaderSize && LoadHead(shp.data.get());
    // A .shp of another shape type than its .shx promised is not this object's kind.
    loaded = loaded && m_shapeType == nativeType;
    m_shapeType = nativeType;
    if (loaded) {
      unsigned char* records = shp.data.get() + kHeaderSize;
      const int size = static_cast<int>(shp.size - kHeaderSize);
      // Shapes beyond the table's rows are loaded too (with blank rows), so that a save
      // writes every shape back; should they not decode, the table's count is what loads.
      const int rows = m_recordCount;
      const std::int64_t headerArea = static_cast<std::int64_t>(m_head.fileLength) - kHeaderSize;
      const int found = CountRecords(records, headerArea >= 0 && headerArea < size ? headerArea : size, nativeType);
      m_recordCount = std::max(rows, found);
      loaded = LoadRecord(records, size);
      if (!loaded && m_recordCount > rows) {
        m_recordCount = rows;
        loaded = LoadRecord(records, size);
      }
      while (loaded && m_dataView->GetRowCount() < m_recordCount)
        loaded = m_dataView->AddRow() >= 0;
    }
    if (loaded)
      return true;
  } catch (const std::bad_alloc&) {
  }
  delete m_dataView;
  m_dataView = nullptr;
  RemoveAll();
  return false;
}

bool ZMShapeFile::LoadHead(unsigned char* buffer)
{
  m_head = tagShpHead{};
  if (!ZMType::ReadShpHead(buffer, &m_head))
    return false;
  m_shapeType = m_head.shapeType;
  return true;
}

bool ZMShapeFile::Save(const char* fileName)
{
  std::string base;
  if (!BaseName(fileName, base))
    return false;
  // The companions Load and GetInstance would find: an existing one in either letter case is
  // replaced, so that an old one never stands beside the new .shp; new ones take the .shp's case.
  const std::string shxName = zamra::shape::CompanionPath(fileName, ".shx");
  const std::string dbfName = zamra::shape::CompanionPath(fileName, ".dbf");
  if (shxName == fileName || dbfName == fileName)
    return false;  // the companions would overwrite the main file
  try {
    zamra::base::ReplacementFile shp(fileName);
    zamra::base::ReplacementFile shx(shxName);
    zamra::base::ReplacementFile dbf(dbfName);
    if (!shp.Create() || !shx.Create() || (m_dataView != nullptr && !dbf.Create()))
      return false;
    if (!SaveHead(shp.Handle(), true) || !SaveHead(shx.Handle(), false) || !SaveRecord(shp.Handle(), shx.Handle()))
      return false;
    if (!shp.Finish() || !shx.Finish())
      return false;
    if (m_dataView != nullptr && (!ZMDbfFile::WriteTable(dbf.Handle(), m_dataView) || !dbf.Finish()))
      return false;
    // All files are complete (and synced): only now do they replace the ones on disk, and
    // together: should any step fail, the old files are put back, so that a .shp never stands
    // beside the .shx or .dbf of another save.
    std::vector<zamra::base::ReplacementFile*> trio{&shp, &shx};
    if (m_dataView != nullptr)
      trio.push_back(&dbf);
    return zamra::base::CommitTogether(trio);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ZMShapeFile::SaveHead(void* file, bool mainFile)
{
  tagShpHead head = m_head;
  head.fileCode = 9994;
  head.version = 1000;
  head.shapeType = m_shapeType;
  if (!mainFile) {
    const std::int64_t length = kHeaderSize + 8 * static_cast<std::int64_t>(m_recordCount);
    if (length > kMaxFileBytes)
      return false;
    head.fileLength = static_cast<std::int32_t>(length);
  }
  unsigned char buffer[kHeaderSize];
  if (!ZMType::WriteShpHead(buffer, &head))
    return false;
  DWORD written = 0;
  return WriteFile(file, buffer, kHeaderSize, &written, nullptr) && written == kHeaderSize;
}

void ZMShapeFile::GetEnvelop(ST_RECT* box) const
{
  if (box != nullptr)
    *box = m_head.envelop;
}

void ZMShapeFile::SetEnvelop(const ST_RECT* box)
{
  if (box != nullptr)
    m_head.envelop = *box;
}

ZMDataView* ZMShapeFile::GetDataView()
{
  if (m_dataView == nullptr)
    m_dataView = new (std::nothrow) ZMDataView(1);
  return m_dataView;
}

int ZMShapeFile::GetRecordCount() const { return m_recordCount; }

int ZMShapeFile::GetShapeType() const { return m_shapeType; }

void ZMShapeFile::WidenEnvelop(const ST_RECT& box)
{
  ST_RECT& envelop = m_head.envelop;
  if (m_recordCount == 0) {
    envelop = box;
    return;
  }
  envelop.left = std::min(envelop.left, box.left);
  envelop.bottom = std::min(envelop.bottom, box.bottom);
  envelop.right = std::max(envelop.right, box.right);
  envelop.top = std::max(envelop.top, box.top);
}

// ---------------------------------------------------------------------------------------------
// ZMShapePointFile

ZMShapePointFile::ZMShapePointFile() : ZMShapeFile(kPointShape) {}

ZMShapePointFile::~ZMShapePointFile() { ReleaseShapes(); }

void ZMShapePointFile::ReleaseShapes()
{
  const auto begin = reinterpret_cast<std::uintptr_t>(m_loadedPoints ? m_loadedPoints->Data() : nullptr);
  const auto end = begin + (m_loadedPoints ? m_loadedPoints->Size() : 0);
  for (ST_POINT* point : m_shapes) {
    const auto address = reinterpret_cast<std::uintptr_t>(point);
    if (address < begin || address >= end)
      delete point;  // added one by one; loaded points go with their block
  }
  m_shapes.clear();
  delete m_loadedPoints;
  m_loadedPoints = nullptr;
}

void ZMShapePointFile::RemoveAll()
{
  ReleaseShapes();
  m_recordCount = 0;
  if (m_dataView != nullptr)
    m_dataView->RemoveAll();
}

bool ZMShapePointFile::LoadRecord(unsigned char* records, int size)
{
  if (m_shapeType != kPointShape || records == nullptr || !AreaCanHold(size, m_recordCount))
    return false;
  const int count = m_recordCount;
  try {
    auto points = std::make_unique<zamra::formats::LargeBuffer>();
    if (!points->Allocate(sizeof(ST_POINT) * static_cast<size_t>(std::max(count, 1))))
      return false;
    std::vector<ST_POINT*> shapes;
    shapes.reserve(static_cast<size_t>(count));
    size_t used = 0;
    auto* block = reinterpret_cast<ST_POINT*>(points->Data());
    const bool ok = WalkRecords(records, size, count, [&](int type, const unsigned char* content, int bytes) {
      if (type == kNullShape) {
        shapes.push_back(nullptr);
        return true;
      }
      if (type != kPointShape || bytes < kPointContentSize)
        return false;
      ST_POINT* point = new (block + used) ST_POINT;
      ZMType::ReadPoint(content + 4, point, 1);
      shapes.push_back(point);
      ++used;
      return true;
    });
    if (!ok)
      return false;
    ReleaseShapes();
    m_shapes = std::move(shapes);
    m_loadedPoints = points.release();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ZMShapePointFile::SaveHead(void* file, bool mainFile)
{
  if (mainFile) {
    const std::int64_t length = MainFileLength(m_shapes, PointContentSize);
    if (length < 0)
      return false;
    m_head.fileLength = static_cast<std::int32_t>(length);
  }
  return ZMShapeFile::SaveHead(file, mainFile);
}

bool ZMShapePointFile::SaveRecord(void* shpFile, void* shxFile)
{
  return zamra::sys::OrIfMemoryShort(false, [&] {
    return WriteRecords(shpFile, shxFile, m_shapes, m_shapeType, PointContentSize,
                        [](const ST_POINT* point, unsigned char* room) { ZMType::WritePoint(room, point, 1); });
  });
}

bool ZMShapePointFile::AddShape(const ST_POINT* point)
{
  if (point == nullptr)
    return false;
  try {
    auto copy = std::make_unique<ST_POINT>(*point);
    m_shapes.push_back(copy.get());
    static_cast<void>(copy.release());  // the list owns it now
  } catch (const std::bad_alloc&) {
    return false;
  }
  ST_RECT box;
  box.left = box.right = point->x;
  box.top = box.bottom = point->y;
  WidenEnvelop(box);
  ++m_recordCount;
  return true;
}

ST_POINT* ZMShapePointFile::GetShape(int index) const
{
  if (index < 0 || static_cast<size_t>(index) >= m_shapes.size())
    return nullptr;
  return m_shapes[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------------------------
// ZMShapeMultiPartFile, ZMShapePolylineFile and ZMShapePolygonFile

namespace {

// What tells a polyline record from a polygon record; the rest is shared.
template <typename Record>
struct MultiPartKind;

template <>
struct MultiPartKind<ST_MPOLYLINE> {
  static constexpr int kShapeType = kPolylineShape;
  static bool Read(const unsigned char* content, int bytes, ST_MPOLYLINE* record)
  {
    return ZMType::ReadMPolyline(content, bytes, record);
  }
  static void Write(const ST_MPOLYLINE* record, unsigned char* room) { ZMType::WriteMPolyline(room, record); }
};

template <>
struct MultiPartKind<ST_MPOLYGON> {
  static constexpr int kShapeType = kPolygonShape;
  static bool Read(const unsigned char* content, int bytes, ST_MPOLYGON* record)
  {
    return ZMType::ReadMPolygon(content, bytes, record);
  }
  static void Write(const ST_MPOLYGON* record, unsigned char* room) { ZMType::WriteMPolygon(room, record); }
};

}  // namespace

template <typename Record>
ZMShapeMultiPartFile<Record>::~ZMShapeMultiPartFile()
{
  ReleaseAll(m_shapes);
}

template <typename Record>
void ZMShapeMultiPartFile<Record>::RemoveAll()
{
  ReleaseAll(m_shapes);
  m_recordCount = 0;
  if (m_dataView != nullptr)
    m_dataView->RemoveAll();
}

template <typename Record>
bool ZMShapeMultiPartFile<Record>::LoadRecord(unsigned char* records, int size)
{
  using Kind = MultiPartKind<Record>;
  if (m_shapeType != Kind::kShapeType || records == nullptr)
    return false;
  try {
    std::vector<Record*> decoded;
    if (!DecodeMultiPart(records, size, m_recordCount, Kind::kShapeType, decoded, &Kind::Read))
      return false;
    ReleaseAll(m_shapes);
    m_shapes = std::move(decoded);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

template <typename Record>
bool ZMShapeMultiPartFile<Record>::SaveHead(void* file, bool mainFile)
{
  if (mainFile) {
    const std::int64_t length = MainFileLength(m_shapes, MultiPartContentSize<Record>);
    if (length < 0)
      return false;
    m_head.fileLength = static_cast<std::int32_t>(length);
  }
  return ZMShapeFile::SaveHead(file, mainFile);
}

template <typename Record>
bool ZMShapeMultiPartFile<Record>::SaveRecord(void* shpFile, void* shxFile)
{
  return zamra::sys::OrIfMemoryShort(false, [&] {
    return WriteRecords(shpFile, shxFile, m_shapes, m_shapeType, MultiPartContentSize<Record>,
                        &MultiPartKind<Record>::Write);
  });
}

template <typename Record>
bool ZMShapeMultiPartFile<Record>::AddShape(const Record* record)
{
  try {
    if (!AddMultiPart(m_shapes, record))
      return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  WidenEnvelop(record->envelop);
  ++m_recordCount;
  return true;
}

template <typename Record>
Record* ZMShapeMultiPartFile<Record>::GetShape(int index) const
{
  if (index < 0 || static_cast<size_t>(index) >= m_shapes.size())
    return nullptr;
  return m_shapes[static_cast<size_t>(index)];
}

template class ZMShapeMultiPartFile<ST_MPOLYLINE>;
template class ZMShapeMultiPartFile<ST_MPOLYGON>;

ZMShapePolylineFile::ZMShapePolylineFile() : ZMShapeMultiPartFile(kPolylineShape) {}

ZMShapePolylineFile::~ZMShapePolylineFile() = default;

ZMShapePolygonFile::ZMShapePolygonFile() : ZMShapeMultiPartFile(kPolygonShape) {}

ZMShapePolygonFile::~ZMShapePolygonFile() = default;

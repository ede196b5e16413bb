// ZMShapeFile and its point, polyline and polygon classes: one whole shapefile in memory (the
// shapes, the attribute table, the shape type and the file's box), loaded from and saved to
// the trio .shp, .shx and .dbf that share one base name.
//
// The base name is the file name up to its last "." (a "." inside a folder name does not
// count). Loading finds the companions "<base>.shx" and "<base>.dbf" with their extension in
// the letter case of the .shp's (".SHX" beside ".SHP"), or in the other case when only that
// one exists; saving writes to the same names, so that a save replaces the companions a load
// reads. Null shapes (shape type 0) keep their place: GetShape answers null for them and
// saving writes them back as null records. Shapes and table are kept apart: adding a shape
// adds no row.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <vector>

#include "api/formats/data_view.h"
#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"

namespace zamra::formats {
class LargeBuffer;
}  // namespace zamra::formats

/// One whole shapefile in memory (.shp, .shx and .dbf): its shapes, attribute table, type and box.
class ZAMRA_API ZMShapeFile {
public:
  // Releases the attribute table (the subclasses release their shapes first).
  virtual ~ZMShapeFile();
  ZMShapeFile(const ZMShapeFile&) = delete;
  ZMShapeFile& operator=(const ZMShapeFile&) = delete;

  // Releases every shape, sets the record count to 0 and removes the table's rows; the
  // columns and the box stay.
  virtual void RemoveAll() = 0;
  // Decodes GetRecordCount() records from the record area of a .shp file (`size` bytes after
  // the header); they replace the shapes held (the box is not recomputed). Records are walked
  // by their content length. False, with nothing changed, for a null area, when the area holds
  // fewer records, a record does not fit the bytes left, its counts contradict each other, its
  // shape type is neither 0 nor the file's, or memory runs out.
  virtual bool LoadRecord(unsigned char* records, int size) = 0;
  // Writes every record to the .shp and its index entry to the .shx (open handles of the
  // platform, positioned after their headers; offsets count from the .shp's position). False
  // on a write error, on a shape whose counts are broken, when an offset would pass the
  // format's limit of 2^31 - 1 16-bit words, or when memory runs out; what was written stays.
  virtual bool SaveRecord(void* shpFile, void* shxFile) = 0;
  // Writes the 100-byte header to an open handle: the .shp's (`mainFile`) with its length
  // computed from the shapes (and kept), or the .shx's; the box as GetEnvelop gives it. False
  // on a write error, a broken shape or a length beyond the format's limit.
  virtual bool SaveHead(void* file, bool mainFile);
  // The file's box, copied out or in (a null pointer is ignored): the .shp header's after a
  // load, widened by AddShape, never recomputed from the shapes.
  virtual void GetEnvelop(ST_RECT* box) const;
  virtual void SetEnvelop(const ST_RECT* box);

  // Loads the shapefile whose .shp is `fileName` into a new object of the subclass that the
  // .shx header's shape type names (1 point, 3 polyline, 5 polygon). The object belongs to
  // the caller (delete); null for a null name or one without ".", a missing or invalid .shx
  // header, another shape type (Z, M and multipoint types included), a failed Load, or memory
  // running out.
  static ZMShapeFile* GetInstance(const char* fileName);

  // Loads the .shp and .dbf into this object, replacing its shapes and table (the .shx is not
  // read). Records beyond the .dbf's rows are read too and get blank rows, as far as they are
  // whole records of the file's type; should they not decode, as many records load as the .dbf
  // has rows. A .dbf with more rows than the .shp has records fails the load. False for a null
  // name or one without ".", a .dbf or .shp that cannot be read (or of 2 GiB or more), a .shp
  // header that is invalid or names another shape type, broken records, or memory running
  // out; the object is then left with no table and no shapes, its box not to be relied on.
  bool Load(const char* fileName);
  // Writes the trio (the .dbf only when the object has a table, as the table stands, whatever
  // the number of shapes; without one, a .dbf on disk is left alone). The .shx and .dbf are
  // the ones Load finds: a companion already on disk keeps its name (in either letter case),
  // a new one takes the letter case of the .shp's extension. The files are written beside
  // their targets and moved into place only when all of them are complete, so a failure (a
  // full disk, a limit of the format) leaves the trio already on disk as it was. False too
  // for a null name, one without ".", or one that would be its own .shx or .dbf.
  bool Save(const char* fileName);

  // The attribute table, owned by the object; an object without one gets a new table of one
  // blank column, kept and returned from then on. Null only when memory runs out.
  ZMDataView* GetDataView();
  // The number of shapes held, null shapes included (not the table's rows).
  int GetRecordCount() const;
  // The class's shape type: 1, 3 or 5.
  int GetShapeType() const;

protected:
  explicit ZMShapeFile(int shapeType);
  // Decodes the .shp header (100 bytes) into the header member and takes its shape type;
  // false for a wrong file code or version.
  bool LoadHead(unsigned char* buffer);
  // Widens the file's box by `box` (the first shape sets it).
  void WidenEnvelop(const ST_RECT& box);

  ZMDataView* m_dataView = nullptr;  // owned; null until loaded or requested
  int m_shapeType = 0;
  int m_recordCount = 0;
  tagShpHead m_head;
};

/// A shapefile of points (shape type 1).
class ZAMRA_API ZMShapePointFile : public ZMShapeFile {
public:
  ZMShapePointFile();
  ~ZMShapePointFile() override;

  void RemoveAll() override;
  bool LoadRecord(unsigned char* records, int size) override;
  bool SaveRecord(void* shpFile, void* shxFile) override;
  bool SaveHead(void* file, bool mainFile) override;

  // Appends a copy of the point and widens the box (the first shape of an empty object sets
  // it); the table is not touched. False, with nothing changed, for a null point or when
  // memory runs out.
  bool AddShape(const ST_POINT* point);
  // The point at `index`, owned by the object (valid until the shapes are replaced or
  // released); null for an index out of range or a null shape.
  ST_POINT* GetShape(int index) const;

private:
  void ReleaseShapes();

  std::vector<ST_POINT*> m_shapes;                        // record-count entries; null for null shapes
  zamra::formats::LargeBuffer* m_loadedPoints = nullptr;  // one block for all loaded points
};

/// Polyline and polygon files: the same record handling over their record type.
template <typename Record>
class ZAMRA_API ZMShapeMultiPartFile : public ZMShapeFile {
public:
  ~ZMShapeMultiPartFile() override;

  void RemoveAll() override;
  bool LoadRecord(unsigned char* records, int size) override;
  bool SaveRecord(void* shpFile, void* shxFile) override;
  bool SaveHead(void* file, bool mainFile) override;

  // Appends a deep copy and widens the box by the record's stored box (compute it first with
  // ZMPolyline::UpdateEnvelop or ZMPolygon::UpdateEnvelop); the table is not touched. False,
  // with nothing changed, for a null record or when memory for the copy runs out.
  bool AddShape(const Record* record);
  // The record at `index`, owned by the object (valid until the shapes are replaced or
  // released); null for an index out of range or a null shape.
  Record* GetShape(int index) const;

protected:
  explicit ZMShapeMultiPartFile(int shapeType) : ZMShapeFile(shapeType) {}

private:
  std::vector<Record*> m_shapes;  // record-count entries; null for null shapes
};

extern template class ZAMRA_API ZMShapeMultiPartFile<ST_MPOLYLINE>;
extern template class ZAMRA_API ZMShapeMultiPartFile<ST_MPOLYGON>;

/// A shapefile of polylines (shape type 3).
class ZAMRA_API ZMShapePolylineFile : public ZMShapeMultiPartFile<ST_MPOLYLINE> {
public:
  ZMShapePolylineFile();
  ~ZMShapePolylineFile() override;
};

/// A shapefile of polygons (shape type 5).
class ZAMRA_API ZMShapePolygonFile : public ZMShapeMultiPartFile<ST_MPOLYGON> {
public:
  ZMShapePolygonFile();
  ~ZMShapePolygonFile() override;
};

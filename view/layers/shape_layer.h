// CShapeLayer: what every shapefile layer of the view has: the three files loaded into memory,
// the attribute table, and the display settings. CPointLayer, CPolylineLayer and CPolygonLayer
// parse their own records, hit-test and draw.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "shape_core/file_block.h"
#include "shape_core/record_index.h"
#include "api/formats/shape_records.h"
#include "view/ilayer.h"
#include "records/layer_data_view.h"
#include "sources/archive_members.h"
#include "sources/converted_source.h"
#include "coordinates/layer_projection.h"
#include "records/multipatch_polygons.h"
#include "thematic/thematic_classes.h"

namespace zamra::view {

class MapCanvas;

class CShapeLayer : public ILayer {
public:
  static constexpr int kFaceSize = 32;  // a logical font keeps 31 characters of face name

  CShapeLayer(MapCanvas* canvas, int type);
  ~CShapeLayer() override;
  CShapeLayer(const CShapeLayer&) = delete;
  CShapeLayer& operator=(const CShapeLayer&) = delete;

  // Loads the .shp, its .shx when there is a usable one, and the .dbf beside `shpPath`; false
  // (with nothing kept) when the .shp is missing or broken, the .dbf is broken, or the .shp's
  // shape type is not drawn by this layer. A .shp cut short loads its complete records; one
  // without a .dbf gets a table of record numbers only.
  bool Open(const char* shpPath);
  // The same for a shapefile read from an archive into memory (taken over); `path` is the one
  // path of its .shp member, which the layer keeps as its own.
  bool OpenFiles(ShapefileBytes files, const char* path);
  // The same for a table of another format read into a shapefile in memory, described by `source`.
  bool OpenConverted(ShapefileBytes files, const char* path, const ConvertedSource& source);
  // The geometry from a whole .shp in memory (taken over) and its .shx (`shx` may be null):
  // false, with no records kept, when the .shp is not one this layer draws or a record's counts
  // contradict its length.
  bool LoadGeometry(FileBytes shp, const unsigned char* shx, std::int64_t shxSize);
  // Reads the .shp that `shp` has started to read (helping with it), and its .shx beside
  // `shpPath` when there is one, and loads the geometry.
  bool OpenGeometry(const char* shpPath, SharedFileRead& shp);
  // A flag that, once set (by another thread), makes Open and OpenFiles give up at their next
  // step and fail; not owned, null for none.
  void SetLoadStop(const std::atomic<bool>* stop) { m_loadStop = stop; }
  // The layer a .shp of shape type `fileType` becomes: 1 for points and multipoints, 3, 5, or 0
  // for types the view does not draw. Z and M types are drawn as their plain forms.
  static int LayerTypeOf(int fileType);

  int GetType() override { return m_type; }
  void GetName(char* out) override;
  int GetPath(char* out) override;
  void GetRect(double* minX, double* minY, double* maxX, double* maxY) override;
  void SetLabelVisible(int visible) override { m_labelVisible = visible; }
  int GetLabelVisible() override { return m_labelVisible; }
  void SetLabelFont(COLORREF color, const char* face, int size) override;
  void GetLabelFont(COLORREF* color, char* face, int* size) override;
  int HitTest(double x, double y) override;
  void SetVisible(int value) override { m_visible = value; }
  int GetVisible() override { return m_visible; }
  void SetLineWidth(int width) override { m_lineWidth = width; }
  int GetLineWidth() override { return m_lineWidth; }
  void SetLineColor(COLORREF color) override { m_lineColor = color; }
  COLORREF GetLineColor() override { return m_lineColor; }
  void SetLineStyle(int style) override { m_lineStyle = style; }
  int GetLineStyle() override { return m_lineStyle; }
  void SetBkColor(COLORREF color) override { m_bkColor = color; }
  COLORREF GetBkColor() override { return m_bkColor; }
  void SetPointIndex(int) override {}
  int GetPointIndex() override { return 0; }
  void SetScaleRange(double minimum, double maximum) override;
  void GetScaleRange(double* minimum, double* maximum) override;
  IDataView* GetDataView() override { return m_dataView.get(); }

  // Parses the record area of the .shp (everything after its header); 0 when it is broken.
  virtual int LoadRecords(const unsigned char* area, int size);
  // Draws the records' shapes, and the labels, onto the canvas's surface context `dc`.
  virtual void DrawShapes(HDC dc) = 0;
  virtual void DrawLabels(HDC dc) = 0;
  // The serial number given at construction (the first layer ever made has 1).
  virtual int GetId() { return m_id; }

  // The label text of a record (cut to `size` bytes), or false when the layer has no label
  // column or the row does not exist.
  bool GetLabelText(int record, char* text, int size);
  // The layer's attribute table, for the view's own bounded reads.
  CLayerDataView* LayerDataView() { return m_dataView.get(); }
  int RecordCount() const { return m_recordCount; }
  // The name of the format the layer was read from ("ESRI Shapefile", "GeoPackage").
  const std::string& Format() const { return m_format; }
  // Whether the layer was read from another format than the shapefile, and its table there.
  bool IsConverted() const { return m_converted; }
  const std::string& SourceTable() const { return m_table; }
  // The .shp path, empty until loading succeeded.
  const char* Path() const { return m_path; }
  MapCanvas* Canvas() const { return m_canvas; }
  // The first record the .shp could not give (a cut or broken file), or -1.
  int DamagedFrom() const { return m_damagedFrom; }
  // What the .prj made of the layer's coordinates, and how many records it cost.
  const LayerProjectionInfo& Projection() const { return m_projection; }
  bool IsInScaleRange(double scale) const { return m_minScale <= scale && scale <= m_maxScale; }
  // Whether the layer's coordinates are longitude/latitude: its .prj says so (or was
  // transformed to it), or, taken as they are, its numbers fit -180..180 and -90..90.
  bool InLongitudeLatitude() const;

  // The column labels come from (at first the first text column), or -1 for none.
  int LabelColumn() const { return m_labelColumn; }
  // Labels from `column` from now on; -1 for no labels. False, with nothing changed, for a column
  // the table does not have.
  bool SetLabelColumn(int column);
  // The first text column, which labels come from until another is chosen, or -1.
  int DefaultLabelColumn() const;
  // The colours by value, when a thematic style is set.
  ThematicClasses& Thematic() { return m_thematic; }
  const ThematicClasses& Thematic() const { return m_thematic; }
  // The .shp header; its box is the layer's (from the records when unusable).
  const tagShpHead& Header() const { return m_header; }

protected:
  // Parses the first recordCount records that `index` finds in `block`, and may keep the block
  // (as the storage of the points). Records of neither the null type nor `fileType` become null
  // shapes. False when a record's counts contradict its length.
  virtual bool AdoptRecords(MallocPtr<unsigned char> block, const zamra::shape::RecordIndex& index, int fileType) = 0;
  // The box of every record with geometry, for files whose header box is unusable; false when
  // no record has any.
  virtual bool RecordsExtent(ST_RECT& extent) const = 0;
  // Transforms every record's points with `projection`; a record with a point that cannot be
  // transformed becomes a null shape. The number of such records, or -1 when nothing changed.
  virtual int ProjectRecords(const LayerProjection& projection) = 0;
  // Cuts the parts that cross ±180° of longitude into their pieces on either side; called once
  // loaded, for layers in longitude/latitude only.
  virtual void CutAtAntimeridian() {}
  // Keeps which rings of each record start a polygon of their own (multipatch files, whose
  // triangles and ring groups each fill on their own); other layers have no use for it.
  virtual void KeepPolygonStarts(PolygonStarts) {}
  // Whether AdoptRecords keeps the block (polylines and polygons do; points copy out of it).
  bool KeepsRecordBlock() const { return m_type != ZM_LAYER_POINT; }

  enum class LabelAnchor { None, AtPoint, InEnvelope, InArea };
  // Where record `record`'s label goes: under its point, centred in its envelope, or centred on
  // the point AreaLabelPoint gives (an area's, inside it); `envelope` is the record's box.
  virtual LabelAnchor GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope) = 0;
  // The point an area's label is centred on (InArea anchors only).
  virtual ST_POINT AreaLabelPoint(int record);
  // Labels every record with its text from the label column, in the layer's font and label
  // colour (lines too: their stored colour is the one a user chose for them), where the
  // placement grid lets it. `records`, when given, are the only ones that can show (in record
  // order): a layer that has just culled its records need not do it twice. `points`, when
  // given, are those records' label points, each under its point (AtPoint).
  void DrawLabelsWithFont(HDC dc, const std::vector<int>* records = nullptr,
                          const std::vector<ST_POINT>* points = nullptr);

  std::unique_ptr<CLayerDataView> m_dataView;
  int m_damagedFrom = -1;

private:
  int m_visible = 1;
  int m_labelVisible = 1;
  int m_labelSize = 12;
  COLORREF m_labelColor = 0;
  char m_labelFace[kFaceSize] = "";  // DefaultLabelFace() until one is chosen
  int m_labelColumn = -1;
  double m_minScale = 30.0;
  double m_maxScale = 300000000.0;  // the view's largest scale: a new layer shows at full extent
  tagShpHead m_header;              // the .shp header; its box is the layer's (from the records when unusable)
  int m_lineWidth = 1;
  COLORREF m_lineColor = 0;
  int m_lineStyle = 0;
  COLORREF m_bkColor = 0;
  MapCanvas* m_canvas;  // not owned
  int m_id;
  int m_type;
  char m_path[MAX_PATH] = "";                     // set only when loading succeeded
  const std::atomic<bool>* m_loadStop = nullptr;  // not owned
  int m_recordCount = 0;

  // Brings the loaded records into longitude/latitude when `projection` (the layer's .prj)
  // names another system; the layer's box follows. Then cuts the parts that cross ±180°, or,
  // for numbers that are not degrees, lets the layer show up to the scale that holds them all.
  void PlaceOnMap(const LayerProjection& projection);
  bool LoadStopped() const { return m_loadStop != nullptr && m_loadStop->load(std::memory_order_relaxed); }
  // Takes the loaded table over and finds the label column; the layer is then complete.
  void AdoptTable(std::unique_ptr<CLayerDataView> table, const char* path);

  LayerProjectionInfo m_projection;
  ThematicClasses m_thematic;
  std::string m_format = "ESRI Shapefile";
  std::string m_name;  // GetName's answer when set; the path's last step otherwise
  std::string m_table;
  bool m_converted = false;
};

}  // namespace zamra::view

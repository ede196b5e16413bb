// IZamraViewExtras: what a host may ask of a view beside IZamraView: the way back from a
// geographic point to a pixel, the ground length of a pixel, an outline on one identified
// record, a code page chosen by the user for a layer's texts, the pixel ratio the map is drawn
// at, a tool's line over the map, the column labels come from, colours by value, and loading
// layers in the background. A separate
// interface, so that IZamraView's slots keep their order.
// SPDX-License-Identifier: MIT
#pragma once

#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/thematic_style.h"
#include "view/zamra_view_export.h"

// How the view took a layer's coordinates (GetLayerCoordinates).
#define ZM_COORDINATES_LONLAT 0       // longitude/latitude, as its coordinate system says
#define ZM_COORDINATES_NONE_NAMED 1   // no coordinate system named: taken as longitude/latitude
#define ZM_COORDINATES_UNREADABLE 2   // a .prj PROJ cannot use: taken as longitude/latitude
#define ZM_COORDINATES_TRANSFORMED 3  // transformed from the named system to WGS 84

/// What a host may ask of a view beside IZamraView (pixels, highlight, code pages, pixel ratio).
class ZAMRA_VIEW_API IZamraViewExtras {
public:
  IZamraViewExtras() = default;
  IZamraViewExtras(const IZamraViewExtras&) = default;
  IZamraViewExtras& operator=(const IZamraViewExtras&) = default;
  virtual ~IZamraViewExtras() = default;

  // The extras of a view made by IZamraView::GetInstance (the same object); null for any
  // other view and for null.
  static IZamraViewExtras* Of(IZamraView* view);

  // Geographic point to client (window) pixel, truncated toward zero (the inverse of ViewToGeo).
  virtual void GeoToView(double x, double y, int& px, int& py) = 0;
  // Metres of ground that one window pixel covers at the current scale, along both axes.
  virtual double GetGroundLengthPerPixel() = 0;

  // Outlines record `record` of `layer` in the view's window (pictures made with Draw do not
  // show it) until the next call; a null layer or a record out of range clears it. The outline
  // goes with its layer when the layer is deleted. The window repaints.
  virtual void SetHighlight(ILayer* layer, int record) = 0;
  // The outlined layer and record; null and -1 when there is none.
  virtual ILayer* GetHighlightLayer() = 0;
  virtual int GetHighlightRecord() = 0;

  // Reads the texts of `layer`'s table (cells, labels, identify) in `codePage` from now on;
  // 0 goes back to the code page found beside the files. 1 when taken, 0 for a layer the view
  // does not hold or a code page the system cannot convert. The host calls Refresh.
  virtual int SetLayerCodePage(ILayer* layer, unsigned codePage) = 0;
  // The code page chosen for `layer`, 0 when none is (its files decide).
  virtual unsigned GetLayerCodePage(ILayer* layer) = 0;
  // The code page found beside `layer`'s files (0: the process's own), chosen or not.
  virtual unsigned GetLayerFileCodePage(ILayer* layer) = 0;

  // Device pixels a window pixel: the map, its symbols' places, labels and lines are drawn at
  // that resolution, and the pictures Draw gives are the window's size times it (rounded); the
  // symbol strip of SetPoiDC is expected at it too. Window pixels stay what positions,
  // ViewToGeo, GeoToView, the scale and the notifications count. The view follows its window's
  // ratio (the screen's) when the window is made and whenever that changes; a host drawing
  // pictures of its own (a tool, a test) sets one here, until the window's ratio next changes:
  // 1 when taken, 0 outside 0.25 .. 16 or before Create. The window repaints.
  virtual int SetDevicePixelRatio(double ratio) = 0;
  virtual double GetDevicePixelRatio() = 0;
  // Smooth drawing: lines, areas and outlines antialiased, as map viewers draw for the eye; off
  // (the default) they are pixel-exact, as every picture of the view has been. The view redraws.
  virtual void SetSmoothDrawing(int smooth) = 0;
  virtual int GetSmoothDrawing() = 0;

  // A line a tool draws over the map in the view's window (pictures made with Draw do not show
  // it), such as a measured path: `count` geographic points, `xy` holding x, y pairs (copied),
  // each marked, and the line closed back to the first point when `closed` and there are more
  // than two points. It replaces the one before; a count of 0 clears it. 1 when taken, 0 (nothing changes) for a
  // negative count, null points or a coordinate that is not finite. The window repaints.
  virtual int SetSketch(const double* xy, int count, int closed) = 0;
  // The number of points of the line shown now, 0 when there is none.
  virtual int GetSketchPointCount() = 0;
  // The column of `layer`'s table its labels come from; -1 for no labels. A layer starts with
  // its first text column. 1 when taken, 0 for a layer the view does not hold or a column its
  // table lacks. The host calls Refresh.
  virtual int SetLayerLabelColumn(ILayer* layer, int column) = 0;
  // The label column of `layer`, -1 for none (and for a layer the view does not hold).
  virtual int GetLayerLabelColumn(ILayer* layer) = 0;

  // Makes a thematic style for `layer` from the values of `column` of its table, without
  // setting it: categories (mode ZMThematicStyle::kCategories, colours from the qualitative
  // `palette`) or `classCount` classes (kClasses, 3 .. 9, by `method`, colours from the
  // sequential ramp `palette`). 1 with `style` filled; 0 for a layer the view does not hold, a
  // column it lacks, classes of a column that is not numeric, an unknown palette or a column
  // without values. Natural breaks of many values are found on a fixed sample.
  virtual int MakeThematicStyle(ILayer* layer, int mode, int column, int classCount, int method, const char* palette,
                                ZMThematicStyle* style) = 0;
  // Colours `layer`'s features by value from now on: fill (polygons), line (polylines) or a
  // marker in place of the symbol (points). A style of mode kSingle goes back to the layer's own
  // colours. 1 when taken; 0 for a layer the view does not hold, a null style, a column the table
  // lacks, no entries or more than 64, or class bounds that do not rise. The table, identify and
  // the layer's own colours are unchanged. The host calls Refresh.
  virtual int SetLayerThematicStyle(ILayer* layer, const ZMThematicStyle* style) = 0;
  // The thematic style of `layer` into `style` (mode kSingle when it has none); 0 for a layer
  // the view does not hold or a null style.
  virtual int GetLayerThematicStyle(ILayer* layer, ZMThematicStyle* style) = 0;

  // AddLayer in the background, for hosts whose window must keep answering while a large file
  // loads. The files are read on a thread of the view's; the layer joins the list only when the
  // host takes it with EndAddLayer, so the host may use and change the layers meanwhile. Loads
  // run one after another, in the order they began. A ticket (> 0), or 0 for a null path, a view
  // without its window, or when no thread can be had.
  virtual int BeginAddLayer(const char* path) = 0;
  // Waits up to `milliseconds` (0: only looks) for a load to end: 1 when it has ended (EndAddLayer
  // then answers at once), 0 while it runs or waits its turn, -1 for a ticket not known.
  virtual int WaitAddLayer(int ticket, int milliseconds) = 0;
  // Waits for a load to end and adds its layer last, as AddLayer does. Null when the files failed
  // to load (then `*memoryShort`, when given, is 1 if memory ran out, else 0), when a layer of the
  // same path is in the list by now, or for a ticket not known. The ticket is spent.
  virtual ILayer* EndAddLayer(int ticket, int* memoryShort) = 0;
  // Gives a load up: nothing is added, the ticket is spent at once, and the thread stops reading
  // at its next step and frees what it read.
  virtual void CancelAddLayer(int ticket) = 0;
  // The path a load was begun with into `path` (room for MAX_PATH bytes); its length with the
  // terminating null, or 0 (an empty path) for a ticket not known.
  virtual int GetAddLayerPath(int ticket, char* path) = 0;
  // LoadXml in the background: reads the workspace file and begins a load (BeginAddLayer) of
  // each of its layers, whose tickets run from `*firstTicket` on, one for each, in the file's
  // order. Each layer takes its settings from the file when EndAddLayer adds it; the file's
  // centre and scale apply once the last of them has been taken or given up. The number of
  // loads begun; 0 when the file names no layer (its centre and scale apply at once, or it was
  // loaded synchronously as no thread could be had); -1 when it is no workspace file, or while
  // the layers of another still load.
  virtual int BeginLoadXml(const char* path, int* firstTicket) = 0;

  // How the loader took `layer`'s coordinates: a ZM_COORDINATES_ code, or -1 for a layer the
  // view does not hold. The coordinate system's name (when its file named one PROJ read) goes
  // into `system` (`size` bytes, cut to fit; may be null), and `*droppedRecords` (may be null)
  // counts the records left out as null shapes because a vertex lay outside that system's domain.
  virtual int GetLayerCoordinates(ILayer* layer, char* system, int size, int* droppedRecords) = 0;

  // The union of the boxes of the layers (the user's drawing layers left out), as Full Map shows
  // it: 1 with the box written, 0 (nothing written) when there is no layer.
  virtual int GetLayersExtent(double* minX, double* minY, double* maxX, double* maxY) = 0;
  // The scale at which the box fills the window along its tighter axis, the centre aside: 0 for
  // a box without width and height (SetScale refuses it); -1 when no scale fits, for a box that
  // is not finite or a window without area (minimised). A box given the wrong way round gives a
  // negative number; the answer is not kept within the scales SetScale takes.
  virtual double GetScaleToFit(double minX, double minY, double maxX, double maxY) = 0;
};

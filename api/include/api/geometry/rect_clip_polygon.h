// ZMRectClipPolygon: cuts one polygon ring to an axis-parallel rectangle and returns the pieces
// inside, by a two-list boundary walk (the ring's vertices with its crossings of the rectangle,
// and the rectangle's corners with the same crossings in border order).
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"

// One node of the clipper's lists: a ring vertex, a rectangle corner, or a crossing of the ring
// with the rectangle's border. Crossing nodes are shared by the ring list and the border list.
struct ST_CLIP_POINT {
  double x = 0.0;
  double y = 0.0;
  bool isCross = false;        // a crossing of the ring with the border
  std::int32_t polyIndex = 0;  // crossings: position in the ring list
  std::int32_t rectIndex = 0;  // crossings: position in the border list
  bool isEnter = false;        // crossings: the ring is inside the rectangle after it
  bool isVisited = false;      // a walk has passed the node
};

/// Usage: SetPoint, DoClip, then read GetResult. The rectangle is taken as a region: `top` and
/// `bottom` (and `left` and `right`) may come in either order. Output rings run counter-clockwise
/// with y upwards whatever the orientation of the input, and a piece traced from a crossing
/// ends with its first point repeated. Pieces whose area inside the rectangle is zero (a ring
/// that only touches the border from outside) give no ring; a ring that encloses the whole
/// rectangle gives the rectangle's four corners. Not copyable.
class ZAMRA_API ZMRectClipPolygon {
public:
  static constexpr double EPS = 0.0000001;

  ZMRectClipPolygon();
  virtual ~ZMRectClipPolygon();
  ZMRectClipPolygon(const ZMRectClipPolygon&) = delete;
  ZMRectClipPolygon& operator=(const ZMRectClipPolygon&) = delete;

  // Loads a copy of the ring (`count` points, closed implicitly; a closing repeat of the first
  // point is allowed) and of the rectangle; the result of an earlier clip stays until the next
  // DoClip. Fewer than 3 points, or a null argument: nothing happens and an earlier load stays
  // in force. A ring or rectangle with an infinite or NaN coordinate, a ring too large to index,
  // or one that cannot be allocated unloads the clipper and drops its result (DoClip then gives
  // an empty result).
  void SetPoint(const ST_POINT* points, int count, const ST_RECT* rect);

  // Clips the loaded ring and replaces the result. May be repeated on the same load. Without a
  // load the result is an empty polygon (no parts).
  void DoClip();

  // The result of the last DoClip: one part per piece, each with its own points and envelope;
  // the record's own envelope is left zero. Owned by the clipper: valid until the next DoClip,
  // a SetPoint that unloads, or the clipper's destruction. Null before the first DoClip.
  ST_MPOLYGON* GetResult() const;

  // Length of the last clip's trace: the nodes of all pieces plus one break between pieces
  // (not the number of pieces, which is the result's partCount).
  int GetResultCount() const;

  // True when the ring runs counter-clockwise with y upwards, by the sum of its vertex angles.
  // Repeated consecutive points (a closing repeat included) are passed over.
  static bool PolygonDirect(const ST_POINT* points, int count);

private:
  struct SortEntry;

  void Unload();
  void Init(int capacity);
  bool ClipLine(int from, int to);
  bool CrossAdd(double x, double y, bool isEnter, int tieRank);
  void SortRight();
  bool IsInRect(const ST_CLIP_POINT& node) const;
  bool Trace(bool onRing, int index);
  bool AddResult(ST_CLIP_POINT* node);
  bool EnclosesRect() const;
  int VertexTieRank(int vertex, bool isEnter) const;
  ST_MPOLYGON* BuildResult() const;

  // The clip rectangle, with `top` the smaller and `bottom` the larger y.
  double m_left = 0.0;
  double m_top = 0.0;
  double m_right = 0.0;
  double m_bottom = 0.0;
  int m_capacity = 0;  // 4 per vertex; sizes every list

  std::unique_ptr<ST_CLIP_POINT[]> m_vertices;
  int m_vertexCount = 0;
  std::unique_ptr<ST_CLIP_POINT[]> m_crosses;
  int m_crossCount = 0;
  ST_CLIP_POINT m_corners[4];
  int m_cornerCount = 4;
  std::unique_ptr<ST_CLIP_POINT*[]> m_polyList;
  int m_polyLength = 0;
  std::unique_ptr<ST_CLIP_POINT*[]> m_rectList;
  int m_rectLength = 0;
  std::unique_ptr<ST_CLIP_POINT*[]> m_resultList;  // a null entry marks a break between pieces
  int m_resultLength = 0;
  int m_ringCount = 0;
  std::unique_ptr<ST_MPOLYGON> m_result;

  // Room of the arrays, kept from a larger earlier load.
  int m_vertexRoom = 0;
  int m_listRoom = 0;
  // Ordering of nodes at one border position, by crossing slot (see ClipLine).
  std::unique_ptr<std::int8_t[]> m_crossTieRank;
  std::unique_ptr<SortEntry[]> m_sortBuffer;
};

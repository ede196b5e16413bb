// ZMPolygon: creating, copying and editing polygons (ST_MPOLYGON) and their rings (ST_POLYGON).
//
// Indices count from 0; in the editing operations -1 means the last element. Boxes are not
// kept current automatically: the operations that recompute them say so, and UpdateEnvelop
// recomputes them on request. A record handed to CopyTo is emptied first; copied onto
// itself, it stays as it is. Pointers must not be null unless said. Memory running out is
// caught: an edit then changes nothing (for CopyTo, see there).
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"

/// Creating, copying and editing polygons (ST_MPOLYGON) and their rings (ST_POLYGON).
class ZAMRA_API ZMPolygon {
public:
  ZMPolygon() = default;
  virtual ~ZMPolygon() = default;
  ZMPolygon(const ZMPolygon&) = default;
  ZMPolygon& operator=(const ZMPolygon&) = default;

  // A new record with no parts and a zero box; belongs to the caller (delete). Null when
  // memory runs out.
  static ST_MPOLYGON* NewMPolygon();
  // Deep copies: counts, boxes and points. When memory runs out, the record form's target is
  // left without parts (with the source's box), the part form's as it was.
  static void CopyTo(ST_MPOLYGON* target, const ST_MPOLYGON* source);
  static void CopyTo(ST_POLYGON* target, const ST_POLYGON* source);
  // Release every part (every point); the box stays.
  static void ClearPolygon(ST_MPOLYGON* mpolygon);
  static void ClearPolygon(ST_POLYGON* polygon);
  // Appends one empty ring, then recomputes all boxes; the new ring's box is zero, and the
  // record's box takes it in (it reaches (0, 0)) until a recompute finds points in the ring.
  static void AddPolygon(ST_MPOLYGON* mpolygon);
  // Inserts a copy of `point` at position `index` (-1 appends). The single-ring form keeps
  // the box; the record form (part -1 = last) recomputes all boxes. An index outside
  // 0 .. count, or a part that is neither one of the record's nor -1, changes nothing.
  static void AddPoint(ST_POLYGON* polygon, const ST_POINT* point, int index);
  static void AddPoint(ST_MPOLYGON* mpolygon, const ST_POINT* point, int part, int index);
  // Removes a ring; an index at or beyond the count removes the last, a negative one the
  // first; a record without parts is left as it is. The box stays.
  static void DelPart(ST_MPOLYGON* mpolygon, int part);
  // Removes a point (-1 = last); another negative index, one at or beyond the count, or an
  // empty ring changes nothing. In the record form a part at or beyond the count changes
  // nothing and any negative part means the last. No box is recomputed.
  static void DelPoint(ST_POLYGON* polygon, int index);
  static void DelPoint(ST_MPOLYGON* mpolygon, int part, int index);
  // Overwrites a point (-1 = last). The record form (part -1 = last) recomputes all boxes.
  // An index or part out of range writes no point.
  static void UpdatePoint(ST_POLYGON* polygon, const ST_POINT* point, int index);
  static void UpdatePoint(ST_MPOLYGON* mpolygon, const ST_POINT* point, int part, int index);
  // The point inside the record, or null for a null record or a `part` or `index` out of
  // range (-1 is not the last here).
  static const ST_POINT* GetNode(ST_MPOLYGON* mpolygon, int part, int index);
  // The ring's point count, or -1 for a null record or a `part` out of range.
  static int GetPointCount(const ST_MPOLYGON* mpolygon, int part);
  // The vertex nearest to `point`; ties go to the vertex met first. Without any point the
  // results are left unchanged.
  static void GetNearPoint(const ST_MPOLYGON* mpolygon, const ST_POINT* point, int& part, int& index);
  // Recompute boxes: a ring from its points (none: kept), a record from its parts' boxes after
  // recomputing them (no parts: kept; a ring without points counts with the box it kept).
  static void UpdateEnvelop(ST_POLYGON* polygon);
  static void UpdateEnvelop(ST_MPOLYGON* mpolygon);
};

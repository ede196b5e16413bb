// ZMPolyline: creating, copying and editing polylines (ST_MPOLYLINE) and their lines (ST_POLYLINE).
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

/// Creating, copying and editing polylines (ST_MPOLYLINE) and their lines (ST_POLYLINE).
class ZAMRA_API ZMPolyline {
public:
  ZMPolyline() = default;
  virtual ~ZMPolyline() = default;
  ZMPolyline(const ZMPolyline&) = default;
  ZMPolyline& operator=(const ZMPolyline&) = default;

  // A new record with no parts and a zero box; belongs to the caller (delete). Null when
  // memory runs out.
  static ST_MPOLYLINE* NewMPolyline();
  // Deep copies: counts, boxes and points. When memory runs out, the record form's target is
  // left without parts (with the source's box), the part form's as it was.
  static void CopyTo(ST_MPOLYLINE* target, const ST_MPOLYLINE* source);
  static void CopyTo(ST_POLYLINE* target, const ST_POLYLINE* source);
  // Release every part (every point); the box stays.
  static void ClearPolyline(ST_MPOLYLINE* mpolyline);
  static void ClearPolyline(ST_POLYLINE* polyline);
  // Appends one empty line, then recomputes all boxes; the new line's box is zero, and the
  // record's box takes it in (it reaches (0, 0)) until a recompute finds points in the line.
  static void AddPolyline(ST_MPOLYLINE* mpolyline);
  // Inserts a copy of `point` at position `index` (-1 appends). The single-line form keeps
  // the box; the record form (part -1 = last) recomputes all boxes. An index outside
  // 0 .. count, or a part that is neither one of the record's nor -1, changes nothing.
  static void AddPoint(ST_POLYLINE* polyline, const ST_POINT* point, int index);
  static void AddPoint(ST_MPOLYLINE* mpolyline, const ST_POINT* point, int part, int index);
  // Removes a line; an index at or beyond the count removes the last, a negative one the
  // first; a record without parts is left as it is. The box stays.
  static void DelPart(ST_MPOLYLINE* mpolyline, int part);
  // Removes a point (-1 = last); another negative index, one at or beyond the count, or an
  // empty line changes nothing. In the record form a part at or beyond the count changes
  // nothing and any negative part means the last. No box is recomputed.
  static void DelPoint(ST_POLYLINE* polyline, int index);
  static void DelPoint(ST_MPOLYLINE* mpolyline, int part, int index);
  // Overwrites a point (-1 = last). The record form (part -1 = last) recomputes all boxes.
  // An index or part out of range writes no point.
  static void UpdatePoint(ST_POLYLINE* polyline, const ST_POINT* point, int index);
  static void UpdatePoint(ST_MPOLYLINE* mpolyline, const ST_POINT* point, int part, int index);
  // The point inside the record, or null for a null record or a `part` or `index` out of
  // range (-1 is not the last here).
  static const ST_POINT* GetNode(ST_MPOLYLINE* mpolyline, int part, int index);
  // The line's point count, or -1 for a null record or a `part` out of range.
  static int GetPointCount(const ST_MPOLYLINE* mpolyline, int part);
  // The vertex nearest to `point`; ties go to the vertex met first. Without any point the
  // results are left unchanged.
  static void GetNearPoint(const ST_MPOLYLINE* mpolyline, const ST_POINT* point, int& part, int& index);
  // Recompute boxes: a line from its points (none: kept), a record from its parts' boxes after
  // recomputing them (no parts: kept; a line without points counts with the box it kept).
  static void UpdateEnvelop(ST_POLYLINE* polyline);
  static void UpdateEnvelop(ST_MPOLYLINE* mpolyline);
};

// ZMPoint: creating, copying and measuring points.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"

/// Creating, copying and measuring points (ST_POINT). Arguments must not be null.
class ZAMRA_API ZMPoint {
public:
  ZMPoint() = default;
  virtual ~ZMPoint() = default;
  ZMPoint(const ZMPoint&) = default;
  ZMPoint& operator=(const ZMPoint&) = default;

  // A new point (0, 0); belongs to the caller (delete). Null when memory runs out.
  static ST_POINT* NewPoint();
  static void CopyTo(ST_POINT* target, const ST_POINT* source);
  // Euclidean distance, in the points' own units.
  static double GetLen(const ST_POINT* a, const ST_POINT* b);
};

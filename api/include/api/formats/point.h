// ZMPoint: creating, copying and measuring points.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"

/// Creating, copying and measuring points (ST_POINT).
class ZAMRA_API ZMPoint {
public:
  ZMPoint() = default;
  virtual ~ZMPoint() = default;
  ZMPoint(const ZMPoint&) = default;
  ZMPoint& operator=(const ZMPoint&) = default;

  // A new point (0, 0); belongs to the caller (delete).
  static ST_POINT* NewPoint();
  static void CopyTo(ST_POINT* target, const ST_POINT* source);
  // Euclidean distance.
  static double GetLen(const ST_POINT* a, const ST_POINT* b);
};

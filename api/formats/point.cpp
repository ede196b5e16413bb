// ZMPoint.
// SPDX-License-Identifier: MIT
#include "api/formats/point.h"

#include <cmath>
#include <new>

ST_POINT* ZMPoint::NewPoint() { return new (std::nothrow) ST_POINT(); }

void ZMPoint::CopyTo(ST_POINT* target, const ST_POINT* source)
{
  target->x = source->x;
  target->y = source->y;
}

double ZMPoint::GetLen(const ST_POINT* a, const ST_POINT* b)
{
  const double dx = a->x - b->x;
  const double dy = a->y - b->y;
  return std::sqrt(dx * dx + dy * dy);
}

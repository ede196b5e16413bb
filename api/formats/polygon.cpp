// ZMPolygon: editing polygons.
// SPDX-License-Identifier: MIT
#include "api/formats/polygon.h"

#include <new>

#include "formats/multipart_edit.h"
#include "platform/memory_short.h"

namespace edit = zamra::multipart;

ST_MPOLYGON* ZMPolygon::NewMPolygon() { return new (std::nothrow) ST_MPOLYGON(); }

void ZMPolygon::CopyTo(ST_MPOLYGON* target, const ST_MPOLYGON* source)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::CopyRecord(target, source); });
}

void ZMPolygon::CopyTo(ST_POLYGON* target, const ST_POLYGON* source)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::CopyPart(target, source); });
}

void ZMPolygon::ClearPolygon(ST_MPOLYGON* mpolygon) { edit::ClearRecord(mpolygon); }
void ZMPolygon::ClearPolygon(ST_POLYGON* polygon) { edit::ClearPart(polygon); }
void ZMPolygon::AddPolygon(ST_MPOLYGON* mpolygon)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::AddPart(mpolygon); });
}

void ZMPolygon::AddPoint(ST_POLYGON* polygon, const ST_POINT* point, int index)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::AddPointToPart(polygon, point, index); });
}

void ZMPolygon::AddPoint(ST_MPOLYGON* mpolygon, const ST_POINT* point, int part, int index)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::AddPoint(mpolygon, point, part, index); });
}

void ZMPolygon::DelPart(ST_MPOLYGON* mpolygon, int part)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::DeletePart(mpolygon, part); });
}

void ZMPolygon::DelPoint(ST_POLYGON* polygon, int index) { edit::DeletePointOfPart(polygon, index); }
void ZMPolygon::DelPoint(ST_MPOLYGON* mpolygon, int part, int index) { edit::DeletePoint(mpolygon, part, index); }

void ZMPolygon::UpdatePoint(ST_POLYGON* polygon, const ST_POINT* point, int index)
{
  edit::UpdatePointOfPart(polygon, point, index);
}

void ZMPolygon::UpdatePoint(ST_MPOLYGON* mpolygon, const ST_POINT* point, int part, int index)
{
  edit::UpdatePoint(mpolygon, point, part, index);
}

const ST_POINT* ZMPolygon::GetNode(ST_MPOLYGON* mpolygon, int part, int index)
{
  return edit::GetNode(mpolygon, part, index);
}

int ZMPolygon::GetPointCount(const ST_MPOLYGON* mpolygon, int part) { return edit::GetPointCount(mpolygon, part); }

void ZMPolygon::GetNearPoint(const ST_MPOLYGON* mpolygon, const ST_POINT* point, int& part, int& index)
{
  // Squared distances order the vertices as the distances do, without the square root.
  edit::GetNearPoint(mpolygon, point, part, index, [](const ST_POINT* a, const ST_POINT* b) {
    const double dx = a->x - b->x;
    const double dy = a->y - b->y;
    return dx * dx + dy * dy;
  });
}

void ZMPolygon::UpdateEnvelop(ST_POLYGON* polygon) { edit::UpdatePartEnvelop(polygon); }
void ZMPolygon::UpdateEnvelop(ST_MPOLYGON* mpolygon) { edit::UpdateEnvelop(mpolygon); }

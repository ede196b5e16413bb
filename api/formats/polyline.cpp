// ZMPolyline: editing polylines.
// SPDX-License-Identifier: MIT
#include "api/formats/polyline.h"

#include <new>

#include "formats/multipart_edit.h"
#include "platform/memory_short.h"
#include "api/formats/point.h"

namespace edit = zamra::multipart;

ST_MPOLYLINE* ZMPolyline::NewMPolyline() { return new (std::nothrow) ST_MPOLYLINE(); }

void ZMPolyline::CopyTo(ST_MPOLYLINE* target, const ST_MPOLYLINE* source)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::CopyRecord(target, source); });
}

void ZMPolyline::CopyTo(ST_POLYLINE* target, const ST_POLYLINE* source)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::CopyPart(target, source); });
}

void ZMPolyline::ClearPolyline(ST_MPOLYLINE* mpolyline) { edit::ClearRecord(mpolyline); }
void ZMPolyline::ClearPolyline(ST_POLYLINE* polyline) { edit::ClearPart(polyline); }
void ZMPolyline::AddPolyline(ST_MPOLYLINE* mpolyline)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::AddPart(mpolyline); });
}

void ZMPolyline::AddPoint(ST_POLYLINE* polyline, const ST_POINT* point, int index)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::AddPointToPart(polyline, point, index); });
}

void ZMPolyline::AddPoint(ST_MPOLYLINE* mpolyline, const ST_POINT* point, int part, int index)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::AddPoint(mpolyline, point, part, index); });
}

void ZMPolyline::DelPart(ST_MPOLYLINE* mpolyline, int part)
{
  zamra::sys::RunIgnoringMemoryShort([&] { edit::DeletePart(mpolyline, part); });
}

void ZMPolyline::DelPoint(ST_POLYLINE* polyline, int index) { edit::DeletePointOfPart(polyline, index); }
void ZMPolyline::DelPoint(ST_MPOLYLINE* mpolyline, int part, int index) { edit::DeletePoint(mpolyline, part, index); }

void ZMPolyline::UpdatePoint(ST_POLYLINE* polyline, const ST_POINT* point, int index)
{
  edit::UpdatePointOfPart(polyline, point, index);
}

void ZMPolyline::UpdatePoint(ST_MPOLYLINE* mpolyline, const ST_POINT* point, int part, int index)
{
  edit::UpdatePoint(mpolyline, point, part, index);
}

const ST_POINT* ZMPolyline::GetNode(ST_MPOLYLINE* mpolyline, int part, int index)
{
  return edit::GetNode(mpolyline, part, index);
}

int ZMPolyline::GetPointCount(const ST_MPOLYLINE* mpolyline, int part) { return edit::GetPointCount(mpolyline, part); }

void ZMPolyline::GetNearPoint(const ST_MPOLYLINE* mpolyline, const ST_POINT* point, int& part, int& index)
{
  edit::GetNearPoint(mpolyline, point, part, index, ZMPoint::GetLen);
}

void ZMPolyline::UpdateEnvelop(ST_POLYLINE* polyline) { edit::UpdatePartEnvelop(polyline); }
void ZMPolyline::UpdateEnvelop(ST_MPOLYLINE* mpolyline) { edit::UpdateEnvelop(mpolyline); }

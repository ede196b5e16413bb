// Private: the editing operations shared by ZMPolyline and ZMPolygon, whose records have the
// same layout. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "api/formats/shape_records.h"

namespace zamra::multipart {

// The part at `part`, with -1 meaning the last; null when there is no such part.
template <typename Multi>
auto* PartAt(Multi* record, int part)
{
  if (record == nullptr || record->partCount <= 0)
    return static_cast<decltype(record->parts)>(nullptr);
  if (part == -1)
    part = record->partCount - 1;
  if (part < 0 || part >= record->partCount)
    return static_cast<decltype(record->parts)>(nullptr);
  return &record->parts[part];
}

template <typename Part>
void UpdatePartEnvelop(Part* part)
{
  if (part->pointCount <= 0 || part->points == nullptr)
    return;  // a part without points keeps its box
  ST_RECT box{part->points[0].x, part->points[0].x, part->points[0].y, part->points[0].y};
  for (int i = 1; i < part->pointCount; ++i) {
    const ST_POINT& point = part->points[i];
    if (point.x < box.left)
      box.left = point.x;
    if (point.x > box.right)
      box.right = point.x;
    if (point.y < box.bottom)
      box.bottom = point.y;
    if (point.y > box.top)
      box.top = point.y;
  }
  part->envelop = box;
}

template <typename Multi>
void UpdateEnvelop(Multi* record)
{
  if (record->partCount <= 0 || record->parts == nullptr)
    return;  // a record without parts keeps its box
  for (int i = 0; i < record->partCount; ++i)
    UpdatePartEnvelop(&record->parts[i]);
  ST_RECT box = record->parts[0].envelop;
  for (int i = 1; i < record->partCount; ++i) {
    const ST_RECT& partBox = record->parts[i].envelop;
    if (partBox.left < box.left)
      box.left = partBox.left;
    if (partBox.right > box.right)
      box.right = partBox.right;
    if (partBox.bottom < box.bottom)
      box.bottom = partBox.bottom;
    if (partBox.top > box.top)
      box.top = partBox.top;
  }
  record->envelop = box;
}

// A part copied onto itself stays as it is. The points are allocated before the target is
// touched, so that running out of memory leaves it unchanged.
template <typename Part>
void CopyPart(Part* target, const Part* source)
{
  if (target == source)
    return;
  ST_POINT* points = nullptr;
  if (source->pointCount > 0) {
    points = new ST_POINT[source->pointCount];
    std::memcpy(points, source->points, sizeof(ST_POINT) * static_cast<size_t>(source->pointCount));
  }
  delete[] target->points;  // a filled target would otherwise leak its points
  target->points = points;
  target->pointCount = source->pointCount;
  target->envelop = source->envelop;
}

// A record copied onto itself stays as it is. Should memory run out, the target is left
// without parts (with the source's box) and the parts copied so far are released.
template <typename Multi>
void CopyRecord(Multi* target, const Multi* source)
{
  using Part = std::remove_pointer_t<decltype(target->parts)>;
  if (target == source)
    return;
  delete[] target->parts;
  target->parts = nullptr;
  target->partCount = 0;
  target->envelop = source->envelop;
  if (source->partCount <= 0)
    return;
  std::unique_ptr<Part[]> parts(new Part[source->partCount]);
  for (int i = 0; i < source->partCount; ++i)
    CopyPart(&parts[i], &source->parts[i]);
  target->parts = parts.release();
  target->partCount = source->partCount;
}

template <typename Part>
void ClearPart(Part* part)
{
  delete[] part->points;
  part->points = nullptr;
  part->pointCount = 0;
}

template <typename Multi>
void ClearRecord(Multi* record)
{
  delete[] record->parts;
  record->parts = nullptr;
  record->partCount = 0;
}

// Moves a part's contents into an empty one; growing and shrinking the parts array does not
// need to copy the points.
template <typename Part>
void MovePart(Part* target, Part* source)
{
  target->pointCount = source->pointCount;
  target->points = source->points;
  target->envelop = source->envelop;
  source->points = nullptr;
  source->pointCount = 0;
}

template <typename Multi>
void AddPart(Multi* record)
{
  using Part = std::remove_pointer_t<decltype(record->parts)>;
  const int count = record->partCount > 0 ? record->partCount : 0;
  Part* parts = new Part[count + 1];
  for (int i = 0; i < count; ++i)
    MovePart(&parts[i], &record->parts[i]);
  delete[] record->parts;
  record->parts = parts;
  record->partCount = count + 1;
  UpdateEnvelop(record);
}

template <typename Part>
void AddPointToPart(Part* part, const ST_POINT* point, int index)
{
  const int count = part->pointCount;
  if (index == -1)
    index = count;
  if (index < 0 || index > count)
    return;
  auto* points = new ST_POINT[count + 1];
  if (index > 0)
    std::memcpy(points, part->points, sizeof(ST_POINT) * static_cast<size_t>(index));
  points[index] = *point;
  if (count > index)
    std::memcpy(points + index + 1, part->points + index, sizeof(ST_POINT) * static_cast<size_t>(count - index));
  delete[] part->points;
  part->points = points;
  part->pointCount = count + 1;
}

template <typename Multi>
void AddPoint(Multi* record, const ST_POINT* point, int part, int index)
{
  auto* target = PartAt(record, part);
  if (target == nullptr)
    return;
  AddPointToPart(target, point, index);
  UpdateEnvelop(record);
}

template <typename Multi>
void DeletePart(Multi* record, int part)
{
  using Part = std::remove_pointer_t<decltype(record->parts)>;
  if (record->partCount <= 0)
    return;
  if (part >= record->partCount)
    part = record->partCount - 1;
  if (part < 0)
    part = 0;
  const int remaining = record->partCount - 1;
  Part* parts = remaining > 0 ? new Part[remaining] : nullptr;
  for (int i = 0, j = 0; i < record->partCount; ++i)
    if (i != part)
      MovePart(&parts[j++], &record->parts[i]);
  delete[] record->parts;
  record->parts = parts;
  record->partCount = remaining;
}

template <typename Part>
void DeletePointOfPart(Part* part, int index)
{
  if (part->pointCount <= 0)
    return;
  if (index == -1)
    index = part->pointCount - 1;
  if (index < 0 || index >= part->pointCount)
    return;
  std::memmove(part->points + index, part->points + index + 1,
               sizeof(ST_POINT) * static_cast<size_t>(part->pointCount - index - 1));
  --part->pointCount;
}

template <typename Multi>
void DeletePoint(Multi* record, int part, int index)
{
  if (record->partCount <= 0 || part >= record->partCount)
    return;
  if (part < 0)
    part = record->partCount - 1;
  DeletePointOfPart(&record->parts[part], index);
}

template <typename Part>
void UpdatePointOfPart(Part* part, const ST_POINT* point, int index)
{
  if (index == -1)
    index = part->pointCount - 1;
  if (index < 0 || index >= part->pointCount)
    return;
  part->points[index] = *point;
}

template <typename Multi>
void UpdatePoint(Multi* record, const ST_POINT* point, int part, int index)
{
  auto* target = PartAt(record, part);
  if (target == nullptr)
    return;
  UpdatePointOfPart(target, point, index);
  UpdateEnvelop(record);
}

template <typename Multi>
const ST_POINT* GetNode(Multi* record, int part, int index)
{
  if (record == nullptr || part < 0 || part >= record->partCount)
    return nullptr;
  const auto& target = record->parts[part];
  if (index < 0 || index >= target.pointCount)
    return nullptr;
  return &target.points[index];
}

template <typename Multi>
int GetPointCount(const Multi* record, int part)
{
  if (record == nullptr || part < 0 || part >= record->partCount)
    return -1;
  return record->parts[part].pointCount;
}

// Visits parts and points in order; only a strictly smaller distance replaces the best, so
// ties go to the point met first. `distance` is any measure that rises with the distance.
template <typename Multi, typename Distance>
void GetNearPoint(const Multi* record, const ST_POINT* point, int& part, int& index, Distance distance)
{
  bool found = false;
  double best = 0.0;
  for (int i = 0; i < record->partCount; ++i) {
    const auto& candidate = record->parts[i];
    for (int j = 0; j < candidate.pointCount; ++j) {
      const double d = distance(&candidate.points[j], point);
      if (!found || d < best) {
        found = true;
        best = d;
        part = i;
        index = j;
      }
    }
  }
}

}  // namespace zamra::multipart

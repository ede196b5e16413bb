// ZMType: shapefile field codec.
// SPDX-License-Identifier: MIT
#include "api/formats/shape_type.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "api/base/file.h"
#include "shape_core/record_index.h"
#include "shape_core/shape_layout.h"

namespace {

using zamra::shape::kFileCode;
using zamra::shape::kHeaderSize;
using zamra::shape::kVersion;
constexpr int kMultiPartFixedSize = zamra::shape::kMultiPartFixedSize - zamra::shape::kTypeSize;  // after the type

template <typename T>
T LoadLittle(const unsigned char* buffer)
{
  T value;
  std::memcpy(&value, buffer, sizeof value);
  if constexpr (std::endian::native == std::endian::big) {
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    for (size_t i = 0; i < sizeof value / 2; ++i)
      std::swap(bytes[i], bytes[sizeof value - 1 - i]);
    std::memcpy(&value, bytes, sizeof value);
  }
  return value;
}

template <typename T>
void StoreLittle(unsigned char* buffer, T value)
{
  std::memcpy(buffer, &value, sizeof value);
  if constexpr (std::endian::native == std::endian::big) {
    for (size_t i = 0; i < sizeof value / 2; ++i)
      std::swap(buffer[i], buffer[sizeof value - 1 - i]);
  }
}

void CopyPointsIn(const unsigned char* buffer, ST_POINT* points, std::int64_t count)
{
  static_assert(sizeof(ST_POINT) == 16, "points are two packed doubles");
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(points, buffer, static_cast<size_t>(count) * 16);
  } else {
    for (std::int64_t i = 0; i < count; ++i) {
      points[i].x = LoadLittle<double>(buffer + 16 * i);
      points[i].y = LoadLittle<double>(buffer + 16 * i + 8);
    }
  }
}

void CopyPointsOut(unsigned char* buffer, const ST_POINT* points, std::int64_t count)
{
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(buffer, points, static_cast<size_t>(count) * 16);
  } else {
    for (std::int64_t i = 0; i < count; ++i) {
      StoreLittle(buffer + 16 * i, points[i].x);
      StoreLittle(buffer + 16 * i + 8, points[i].y);
    }
  }
}

// Checks multi-part content against the bytes available, as every record reader does.
bool MultiPartFits(const unsigned char* buffer, std::int64_t available)
{
  int parts = 0, points = 0;
  return zamra::shape::MultiPartFits(buffer, available, parts, points);
}

template <typename Multi>
void ReleaseParts(Multi* record)
{
  delete[] record->parts;
  record->parts = nullptr;
  record->partCount = 0;
}

// Decodes content already checked by MultiPartFits.
template <typename Multi>
bool DecodeMultiPart(const unsigned char* buffer, Multi* record)
{
  using Part = std::remove_pointer_t<decltype(record->parts)>;
  ReleaseParts(record);  // a filled record would otherwise leak its parts
  ZMType::ReadEnvelop(buffer, &record->envelop);
  const std::int32_t partCount = LoadLittle<std::int32_t>(buffer + 32);
  const std::int32_t pointCount = LoadLittle<std::int32_t>(buffer + 36);
  if (partCount == 0)
    return true;
  try {
    Part* parts = new Part[partCount];
    const unsigned char* starts = buffer + kMultiPartFixedSize;
    const unsigned char* pointData = starts + 4 * static_cast<std::int64_t>(partCount);
    for (std::int32_t part = 0; part < partCount; ++part) {
      const std::int32_t start = LoadLittle<std::int32_t>(starts + 4 * static_cast<std::int64_t>(part));
      const std::int32_t end = part + 1 < partCount
                                   ? LoadLittle<std::int32_t>(starts + 4 * static_cast<std::int64_t>(part + 1))
                                   : pointCount;
      parts[part].pointCount = end - start;
      if (parts[part].pointCount > 0) {
        parts[part].points = new ST_POINT[parts[part].pointCount];
        CopyPointsIn(pointData, parts[part].points, parts[part].pointCount);
      }
      // Each part takes the points after those of the parts before it.
      pointData += 16 * static_cast<std::int64_t>(parts[part].pointCount);
    }
    record->parts = parts;
    record->partCount = partCount;
    return true;
  } catch (const std::bad_alloc&) {
    ReleaseParts(record);
    return false;
  }
}

template <typename Multi>
bool ReadMultiPartBounded(const unsigned char* buffer, int length, Multi* record)
{
  if (buffer == nullptr || record == nullptr)
    return false;
  if (!MultiPartFits(buffer, length)) {
    ReleaseParts(record);
    return false;
  }
  return DecodeMultiPart(buffer, record);
}

template <typename Multi>
void ReadMultiPartTrusted(const unsigned char* buffer, Multi* record)
{
  if (buffer == nullptr || record == nullptr)
    return;
  const std::int64_t partCount = LoadLittle<std::int32_t>(buffer + 32);
  const std::int64_t pointCount = LoadLittle<std::int32_t>(buffer + 36);
  const std::int64_t claimed = kMultiPartFixedSize + 4 * partCount + 16 * pointCount;
  if (partCount < 0 || pointCount < 0 || !MultiPartFits(buffer, claimed)) {
    ReleaseParts(record);
    ZMType::ReadEnvelop(buffer, &record->envelop);
    return;
  }
  DecodeMultiPart(buffer, record);
}

template <typename Multi>
void WriteMultiPart(unsigned char* buffer, const Multi* record)
{
  ZMType::WriteEnvelop(buffer, &record->envelop);
  std::int32_t total = 0;
  for (std::int32_t part = 0; part < record->partCount; ++part)
    total += record->parts[part].pointCount;
  StoreLittle<std::int32_t>(buffer + 32, record->partCount);
  StoreLittle<std::int32_t>(buffer + 36, total);
  unsigned char* starts = buffer + kMultiPartFixedSize;
  unsigned char* pointData = starts + 4 * static_cast<std::int64_t>(record->partCount);
  std::int32_t start = 0;
  for (std::int32_t part = 0; part < record->partCount; ++part) {
    StoreLittle<std::int32_t>(starts + 4 * static_cast<std::int64_t>(part), start);
    const std::int32_t count = record->parts[part].pointCount;
    if (count > 0)
      CopyPointsOut(pointData, record->parts[part].points, count);
    pointData += 16 * static_cast<std::int64_t>(count > 0 ? count : 0);
    start += count;
  }
}

template <typename Multi>
int MultiPartSize(const Multi* record)
{
  std::int64_t points = 0;
  for (std::int32_t part = 0; part < record->partCount; ++part)
    points += record->parts[part].pointCount;
  return static_cast<int>(kMultiPartFixedSize + 4 * static_cast<std::int64_t>(record->partCount) + 16 * points);
}

struct VarType {
  signed char code;
  const char* name;
  int length;  // -1: the declared length passes through
};

const VarType kVarTypes[] = {
    {ZM_VAR_NULL, "NULL", 0},          {ZM_VAR_CHAR, "CHAR", -1},
    {ZM_VAR_SHORT, "SHORT", 4},        {ZM_VAR_INT, "INT", 4},
    {ZM_VAR_LONG, "LONG", 4},          {ZM_VAR_FLOAT, "FLOAT", 4},
    {ZM_VAR_DATETIME, "DATETIME", 16}, {ZM_VAR_DOUBLE, "DOUBLE", 8},
    {ZM_VAR_STRING, "STRING", -1},
};

const VarType* FindVarType(char code)
{
  const auto signedCode = static_cast<signed char>(code);
  for (const VarType& type : kVarTypes)
    if (type.code == signedCode)
      return &type;
  return nullptr;
}

}  // namespace

char ZMType::ReadChar(const unsigned char* buffer) { return static_cast<char>(buffer[0]); }
short ZMType::ReadShort(const unsigned char* buffer) { return LoadLittle<std::int16_t>(buffer); }
int ZMType::ReadInt(const unsigned char* buffer) { return LoadLittle<std::int32_t>(buffer); }
float ZMType::ReadFloat(const unsigned char* buffer) { return LoadLittle<float>(buffer); }
double ZMType::ReadDouble(const unsigned char* buffer) { return LoadLittle<double>(buffer); }

int ZMType::ReadEsriInt(const unsigned char* buffer)
{
  const std::uint32_t value = (static_cast<std::uint32_t>(buffer[0]) << 24) |
                              (static_cast<std::uint32_t>(buffer[1]) << 16) |
                              (static_cast<std::uint32_t>(buffer[2]) << 8) | static_cast<std::uint32_t>(buffer[3]);
  return static_cast<int>(value);
}

void ZMType::WriteChar(unsigned char* buffer, char value) { buffer[0] = static_cast<unsigned char>(value); }
void ZMType::WriteShort(unsigned char* buffer, short value) { StoreLittle<std::int16_t>(buffer, value); }
void ZMType::WriteInt(unsigned char* buffer, int value) { StoreLittle<std::int32_t>(buffer, value); }
void ZMType::WriteFloat(unsigned char* buffer, float value) { StoreLittle(buffer, value); }
void ZMType::WriteDouble(unsigned char* buffer, double value) { StoreLittle(buffer, value); }

void ZMType::WriteEsriInt(unsigned char* buffer, int value)
{
  // The swapped value stored in host (little-endian) order is the big-endian field.
  StoreLittle<std::int32_t>(buffer, SwapInt(value));
}

int ZMType::SwapInt(int value)
{
  const auto bits = static_cast<std::uint32_t>(value);
  return static_cast<int>((bits >> 24) | ((bits >> 8) & 0xFF00u) | ((bits << 8) & 0xFF0000u) | (bits << 24));
}

void ZMType::ReadString(const unsigned char* buffer, int length, char* text)
{
  if (length < 0)
    length = 0;
  std::memcpy(text, buffer, static_cast<size_t>(length));
  text[length] = '\0';
}

void ZMType::WriteString(unsigned char* buffer, int length, const char* text)
{
  if (length > 0)
    std::memcpy(buffer, text, static_cast<size_t>(length));
}

void ZMType::TrimLeft(char* text)
{
  size_t skip = 0;
  while (text[skip] == ' ')
    ++skip;
  if (skip > 0)
    std::memmove(text, text + skip, std::strlen(text + skip) + 1);
}

void ZMType::TrimRight(char* text)
{
  size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ' ')
    text[--length] = '\0';
}

void ZMType::TrimString(char* text) { TrimRight(text); }

void ZMType::ReadEnvelop(const unsigned char* buffer, ST_RECT* rect)
{
  rect->left = ReadDouble(buffer);
  rect->bottom = ReadDouble(buffer + 8);
  rect->right = ReadDouble(buffer + 16);
  rect->top = ReadDouble(buffer + 24);
}

void ZMType::WriteEnvelop(unsigned char* buffer, const ST_RECT* rect)
{
  WriteDouble(buffer, rect->left);
  WriteDouble(buffer + 8, rect->bottom);
  WriteDouble(buffer + 16, rect->right);
  WriteDouble(buffer + 24, rect->top);
}

bool ZMType::ReadShpHead(const unsigned char* buffer, tagShpHead* head)
{
  return head != nullptr && zamra::shape::DecodeHeader(buffer, kHeaderSize, *head);
}

bool ZMType::ReadShpHead(const char* fileName, tagShpHead* head)
{
  HANDLE file = ZMFile::OpenForRead(fileName);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  unsigned char buffer[kHeaderSize];
  DWORD read = 0;
  const BOOL ok = ReadFile(file, buffer, kHeaderSize, &read, nullptr);
  CloseHandle(file);
  if (!ok || read != kHeaderSize)
    return false;  // too short to hold a header
  return ReadShpHead(buffer, head);
}

bool ZMType::WriteShpHead(unsigned char* buffer, const tagShpHead* head)
{
  std::memset(buffer, 0, kHeaderSize);
  WriteEsriInt(buffer, kFileCode);
  WriteEsriInt(buffer + 24, head->fileLength / 2);
  if (head->version != kVersion)
    return false;
  WriteInt(buffer + 28, kVersion);
  WriteInt(buffer + 32, head->shapeType);
  WriteEnvelop(buffer + 36, &head->envelop);
  return true;
}

void ZMType::ReadPoint(const unsigned char* buffer, ST_POINT* points, int count)
{
  if (count > 0)
    CopyPointsIn(buffer, points, count);
}

void ZMType::WritePoint(unsigned char* buffer, const ST_POINT* points, int count)
{
  if (count > 0)
    CopyPointsOut(buffer, points, count);
}

void ZMType::ReadMPolyline(const unsigned char* buffer, ST_MPOLYLINE* mpolyline)
{
  ReadMultiPartTrusted(buffer, mpolyline);
}

void ZMType::ReadMPolygon(const unsigned char* buffer, ST_MPOLYGON* mpolygon)
{
  ReadMultiPartTrusted(buffer, mpolygon);
}

bool ZMType::ReadMPolyline(const unsigned char* buffer, int length, ST_MPOLYLINE* mpolyline)
{
  return ReadMultiPartBounded(buffer, length, mpolyline);
}

bool ZMType::ReadMPolygon(const unsigned char* buffer, int length, ST_MPOLYGON* mpolygon)
{
  return ReadMultiPartBounded(buffer, length, mpolygon);
}

void ZMType::WriteMPolyline(unsigned char* buffer, const ST_MPOLYLINE* mpolyline) { WriteMultiPart(buffer, mpolyline); }
void ZMType::WriteMPolygon(unsigned char* buffer, const ST_MPOLYGON* mpolygon) { WriteMultiPart(buffer, mpolygon); }
int ZMType::GetMPolylineSize(const ST_MPOLYLINE* mpolyline) { return MultiPartSize(mpolyline); }
int ZMType::GetMPolygonSize(const ST_MPOLYGON* mpolygon) { return MultiPartSize(mpolygon); }

void ZMType::GetVarName(char code, char* name)
{
  if (const VarType* type = FindVarType(code))
    std::memcpy(name, type->name, std::strlen(type->name) + 1);
}

void ZMType::GetVarLength(char code, int declaredLength, int& length)
{
  if (const VarType* type = FindVarType(code))
    length = type->length < 0 ? declaredLength : type->length;
}

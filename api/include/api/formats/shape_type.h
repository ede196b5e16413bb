// ZMType: the codec of the shapefile family's fixed-width binary fields, the 100-byte main
// header of .shp/.shx files, point arrays and multi-part (polyline and polygon) content; and
// the table of attribute value type codes.
//
// Every operation works on a caller-supplied buffer at the position of the field. Except for
// the multi-part readers that take the number of bytes available, none checks a buffer's
// length: callers that do not hold a trusted buffer use those bounded forms.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"

// Attribute value type codes (one signed byte tagging a column or a cell).
#define ZM_VAR_NULL 0
#define ZM_VAR_CHAR 11
#define ZM_VAR_SHORT 21
#define ZM_VAR_INT 41
#define ZM_VAR_LONG 42
#define ZM_VAR_FLOAT 46
#define ZM_VAR_DATETIME 71
#define ZM_VAR_DOUBLE 81
#define ZM_VAR_STRING 91

/// The codec of the shapefile family's fixed-width binary fields and main header.
class ZAMRA_API ZMType {
public:
  ZMType() = default;
  virtual ~ZMType() = default;
  ZMType(const ZMType&) = default;
  ZMType& operator=(const ZMType&) = default;

  // Scalars; "Esri" integers are big-endian, everything else little-endian.
  static char ReadChar(const unsigned char* buffer);
  static short ReadShort(const unsigned char* buffer);
  static int ReadInt(const unsigned char* buffer);
  static int ReadEsriInt(const unsigned char* buffer);
  static float ReadFloat(const unsigned char* buffer);
  static double ReadDouble(const unsigned char* buffer);
  static void WriteChar(unsigned char* buffer, char value);
  static void WriteShort(unsigned char* buffer, short value);
  static void WriteInt(unsigned char* buffer, int value);
  static void WriteFloat(unsigned char* buffer, float value);
  static void WriteEsriInt(unsigned char* buffer, int value);
  static void WriteDouble(unsigned char* buffer, double value);
  // The value with its four bytes in reverse order.
  static int SwapInt(int value);

  // Copies exactly `length` bytes (zero bytes included) into `text` and terminates it at
  // text[length]; `text` holds length + 1 bytes. A negative length gives "".
  static void ReadString(const unsigned char* buffer, int length, char* text);
  // Copies exactly `length` bytes of `text` into the buffer, with no terminator (none for a
  // length of 0 or less).
  static void WriteString(unsigned char* buffer, int length, const char* text);
  // Remove leading / trailing spaces (0x20 only; tabs stay). TrimString trims the right side.
  static void TrimLeft(char* text);
  static void TrimRight(char* text);
  static void TrimString(char* text);

  // The 32-byte box (minimum x, minimum y, maximum x, maximum y) to and from a rectangle;
  // no normalisation either way.
  static void ReadEnvelop(const unsigned char* buffer, ST_RECT* rect);
  static void WriteEnvelop(unsigned char* buffer, const ST_RECT* rect);

  // Decodes a main header; the length, stored in 16-bit words, comes out in bytes. False for a
  // null argument, when the file code is not 9994 (only the code stored) or the version is not
  // 1000 (file code, length and version stored; type and box untouched).
  static bool ReadShpHead(const unsigned char* buffer, tagShpHead* head);
  // Reads the first 100 bytes of a file and decodes them; false when the file cannot be
  // opened or is shorter than a header.
  static bool ReadShpHead(const char* fileName, tagShpHead* head);
  // Encodes a header into 100 bytes (zeroed first): the file code is always 9994, the length
  // is written in 16-bit words (halved). False when `version` is not 1000: the buffer then
  // holds only the file code and the length.
  static bool WriteShpHead(unsigned char* buffer, const tagShpHead* head);

  // `count` points of 16 bytes (x then y); a count of zero or less does nothing.
  static void ReadPoint(const unsigned char* buffer, ST_POINT* points, int count);
  static void WritePoint(unsigned char* buffer, const ST_POINT* points, int count);

  // Multi-part content as it follows a record's shape type (box, part count, point count,
  // part starts, points) into the record, whose parts are released first; its parts and
  // points are allocated. The part boxes stay zero. For a trusted buffer: a record whose
  // counts contradict each other (negative counts, part starts that fall or pass the point
  // count), or memory running out, leaves the record without parts. A null argument does
  // nothing.
  static void ReadMPolyline(const unsigned char* buffer, ST_MPOLYLINE* mpolyline);
  static void ReadMPolygon(const unsigned char* buffer, ST_MPOLYGON* mpolygon);
  // The bounded forms: `length` is the number of bytes available at `buffer`. False, with the
  // record left without parts, when the content does not fit, its counts contradict each
  // other or memory runs out; false, with nothing changed, for a null argument. Nothing is
  // ever read beyond `length` bytes.
  static bool ReadMPolyline(const unsigned char* buffer, int length, ST_MPOLYLINE* mpolyline);
  static bool ReadMPolygon(const unsigned char* buffer, int length, ST_MPOLYGON* mpolygon);
  // Encodes a record: its box as it stands, the counts, the part starts and the points. The
  // caller reserves GetMPolylineSize (GetMPolygonSize) bytes.
  static void WriteMPolyline(unsigned char* buffer, const ST_MPOLYLINE* mpolyline);
  static void WriteMPolygon(unsigned char* buffer, const ST_MPOLYGON* mpolygon);
  // 40 + 4 x parts + 16 x points: the bytes the writer produces (the shape type not included).
  static int GetMPolylineSize(const ST_MPOLYLINE* mpolyline);
  static int GetMPolygonSize(const ST_MPOLYGON* mpolygon);

  // The type's name ("CHAR", ...) with its terminator; an unknown code leaves `name` as is.
  static void GetVarName(char code, char* name);
  // The type's storage length (CHAR and STRING pass `declaredLength` through); an unknown
  // code leaves `length` as is.
  static void GetVarLength(char code, int declaredLength, int& length);
};

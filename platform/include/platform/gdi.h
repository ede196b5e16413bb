// The drawing subset: device contexts, DIB sections, pens, brushes, fonts and the drawing calls
// the libraries use, drawn by Qt's raster engine straight into the pictures' own memory.
//
// Pictures are 24-bit DIBs: blue-green-red bytes, rows padded to 4 bytes, bottom-up when the
// height given at creation is positive. Coordinates of every call count from the top-left of
// the picture, y downwards, whatever the row order in memory.
//
// Objects: deleting an object that is still selected into a device context is deferred until
// it leaves the last context (so a memory context can own the picture selected into it).
// Stock objects are never deleted. Handles are checked: a stale or foreign handle gives the
// failure result, never a crash. Text calls need a QGuiApplication; without one they fail.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

class QImage;
class QPaintDevice;

// --- Records -----------------------------------------------------------------------------

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define CBM_INIT 0x04

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Polygon fill modes.
#define ALTERNATE 1
#define WINDING 2

// Raster operations of BitBlt.
#define SRCCOPY 0x00CC0020u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// ExtTextOut options.
#define ETO_OPAQUE 0x0002u
#define ETO_CLIPPED 0x0004u

// DrawText formats.
#define DT_TOP 0x0000u
#define DT_LEFT 0x0000u
#define DT_CENTER 0x0001u
#define DT_RIGHT 0x0002u
#define DT_VCENTER 0x0004u
#define DT_BOTTOM 0x0008u
#define DT_SINGLELINE 0x0020u
#define DT_NOCLIP 0x0100u
#define DT_CALCRECT 0x0400u

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// Kinds for GetCurrentObject.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_FONT 6
#define OBJ_BITMAP 7

// GetDeviceCaps indices.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define LOGPIXELSX 88
#define LOGPIXELSY 90

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu

// --- Device contexts ---------------------------------------------------------------------

// A memory device context. It starts with a 1 x 1 stock picture on which nothing is drawn
// until a bitmap is selected. `reference` is accepted and ignored. Release with DeleteDC.
ZAMRA_PLATFORM_API HDC CreateCompatibleDC(HDC reference);

// "DISPLAY" gives a context holding a snapshot of the primary screen (read with BitBlt,
// GetDeviceCaps gives its size); null when there is no screen. Other drivers give null.
ZAMRA_PLATFORM_API HDC CreateDCA(const char* driver, const char* device, const char* output, const void* mode);

// A context that draws on a Qt paint device (a widget being painted, a printer), top-down.
// With `takeOwnership` the device is deleted with the context. Pixel reads from it fail. The
// context keeps a painter open on the device from its first drawing call until DeleteDC, so
// a context on a widget must be deleted before the widget's paint event returns.
ZAMRA_PLATFORM_API HDC CreateDCForPaintDevice(QPaintDevice* device, bool takeOwnership);

// The same, but its coordinates count the device's own pixels whatever its device pixel ratio
// (a widget on a high-density screen, QT_SCALE_FACTOR): a block copied with BitBlt lands pixel
// for pixel, a one-pixel pen is one device pixel wide. HORZRES and VERTRES give the device's
// size in its own pixels (a widget's size times its ratio, rounded up so that a fractional last
// pixel is covered too; an image's or pixmap's pixel size).
ZAMRA_PLATFORM_API HDC CreateDCForDevicePixels(QPaintDevice* device, bool takeOwnership);

// A context that draws into the rows top .. bottom - 1 (counted from the top) of the picture
// selected into `dc`, and into no other row, with its own pen, brush, font and state. Band
// contexts of one picture over rows that do not overlap may draw at the same time on
// different threads; `dc` itself must not draw while they exist. No bitmap can be selected
// into a band context. Null when `dc` holds no picture or the rows miss it. Release with
// DeleteDC before the picture goes.
ZAMRA_PLATFORM_API HDC CreateBandDC(HDC dc, int top, int bottom);

// Releases the context; objects selected into it are deselected (and freed if deletion was
// deferred), a paint device it owns is deleted.
ZAMRA_PLATFORM_API BOOL DeleteDC(HDC dc);

// HORZRES/VERTRES: the size of the selected picture or device; BITSPIXEL 24; LOGPIXELS 96
// (or the device's resolution). 0 for an unknown index.
ZAMRA_PLATFORM_API int GetDeviceCaps(HDC dc, int index);

// --- Objects -----------------------------------------------------------------------------

// A DIB section: `info` must describe 24 bits a pixel, BI_RGB, 1 plane, width > 0, height
// non-zero (positive = bottom-up). The zero-filled pixels are owned by the bitmap; their
// address goes to *bits (when given) and stays valid as long as the bitmap lives. Null when
// the description is refused or the memory cannot be had (pictures above 2 GiB are refused).
ZAMRA_PLATFORM_API HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                            DWORD offset);

// A 24-bit bottom-up picture of that size, black, as the device-compatible picture.
ZAMRA_PLATFORM_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

// A device-compatible picture of header's size; with CBM_INIT filled from `bits` laid out as
// `info` says (24 bits a pixel only).
ZAMRA_PLATFORM_API HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                          const BITMAPINFO* info, UINT usage);

// Pens: style PS_SOLID ... PS_INSIDEFRAME, width in pixels (0 and 1 are one pixel).
ZAMRA_PLATFORM_API HPEN CreatePen(int style, int width, COLORREF color);
ZAMRA_PLATFORM_API HBRUSH CreateSolidBrush(COLORREF color);

// A font from a logical description: lfHeight > 0 is the cell height in pixels, < 0 the
// character height, 0 a default size; lfWeight >= 600 is bold; the face name (ANSI code
// page) is read up to its terminator and at most 31 characters, so an unterminated field
// is never read past its end.
ZAMRA_PLATFORM_API HFONT CreateFontIndirectA(const LOGFONTA* font);

// A stock object (never deleted), or null for an unknown index.
ZAMRA_PLATFORM_API HGDIOBJ GetStockObject(int index);

// Selects the object into the context and gives the previously selected object of that kind;
// null on failure (a bitmap already selected into another context, a stale handle).
ZAMRA_PLATFORM_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// The object of that kind (OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP) selected into the context.
ZAMRA_PLATFORM_API HGDIOBJ GetCurrentObject(HDC dc, UINT kind);

// Deletes the object; deferred while it is selected into a context. FALSE for a stale handle.
ZAMRA_PLATFORM_API BOOL DeleteObject(HGDIOBJ object);

// For a bitmap, fills a BITMAP record (bmBits is the pixel address); for a font, the LOGFONTA it
// was made from. Gives the bytes written, 0 on failure. Other objects are not described.
ZAMRA_PLATFORM_API int GetObjectA(HGDIOBJ object, int size, void* out);

// --- State -------------------------------------------------------------------------------

// Each setter gives the previous value (CLR_INVALID / 0 on a bad context).
ZAMRA_PLATFORM_API COLORREF SetBkColor(HDC dc, COLORREF color);
ZAMRA_PLATFORM_API COLORREF GetBkColor(HDC dc);
ZAMRA_PLATFORM_API int SetBkMode(HDC dc, int mode);
ZAMRA_PLATFORM_API int GetBkMode(HDC dc);
ZAMRA_PLATFORM_API COLORREF SetTextColor(HDC dc, COLORREF color);
ZAMRA_PLATFORM_API COLORREF GetTextColor(HDC dc);
ZAMRA_PLATFORM_API int SetPolyFillMode(HDC dc, int mode);

// --- Drawing -----------------------------------------------------------------------------

// The current position; *previous gets the old one when given.
ZAMRA_PLATFORM_API BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);

// A line with the pen from the current position to (x, y), the end point not drawn; the
// current position moves there.
ZAMRA_PLATFORM_API BOOL LineTo(HDC dc, int x, int y);

// A closed polygon filled with the brush (alternate rule unless SetPolyFillMode said
// otherwise) and outlined with the pen. At least 2 points.
ZAMRA_PLATFORM_API BOOL Polygon(HDC dc, const POINT* points, int count);

// Several closed rings filled together as one area by the fill mode (alternate: a ring inside
// another cuts a hole, whichever way it winds) and each outlined with the pen. `counts` holds
// `polygons` ring lengths of at least 2 points, whose points follow each other in `points`.
ZAMRA_PLATFORM_API BOOL PolyPolygon(HDC dc, const POINT* points, const int* counts, int polygons);

// Lines with the pen through the points, the last point not drawn. At least 2 points.
ZAMRA_PLATFORM_API BOOL Polyline(HDC dc, const POINT* points, int count);

// Outline with the pen on the pixels left ... right - 1, top ... bottom - 1, inside filled
// with the brush.
ZAMRA_PLATFORM_API BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// Not a Windows call: with `smooth`, lines, areas and their outlines are antialiased (their edges
// blend into what lies below), as a map viewer's smooth drawing; without it (the default) they
// are pixel-exact. Band contexts made afterwards take the setting of their context.
ZAMRA_PLATFORM_API BOOL SetSmoothDrawing(HDC dc, BOOL smooth);

// Copies a width x height block of `source` at (sx, sy) to `target` at (x, y); SRCCOPY,
// BLACKNESS and WHITENESS (source unused). Both are clipped to their pictures; the same
// context may be source and target. The source must hold a picture.
ZAMRA_PLATFORM_API BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);

// Copies (stretching by nearest pixel when the sizes differ) the source block to the target
// block, leaving target pixels alone where the source pixel is `transparent`. Clipped.
ZAMRA_PLATFORM_API BOOL TransparentBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy,
                                       int sourceWidth, int sourceHeight, UINT transparent);

// Text (ANSI code page) with its top-left at (x, y) in the selected font and text colour, on
// the background colour when the background mode is OPAQUE. ETO_OPAQUE first fills `rect`
// with the background colour (the text may then be empty, and no application is needed);
// ETO_CLIPPED clips the text to `rect`. `dx` is ignored.
ZAMRA_PLATFORM_API BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                                    const int* dx);
ZAMRA_PLATFORM_API BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                                    const int* dx);

// Text (ANSI code page; count -1 = up to the terminator) in `rect` as one line, aligned by
// DT_LEFT/DT_CENTER/DT_RIGHT and DT_TOP/DT_VCENTER/DT_BOTTOM, clipped to the rectangle unless
// DT_NOCLIP; DT_CALCRECT only measures into *rect. Gives the text height, 0 on failure.
ZAMRA_PLATFORM_API int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format);
ZAMRA_PLATFORM_API int DrawTextW(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format);

// The pixel's colour, CLR_INVALID outside the picture; SetPixel gives the colour set.
ZAMRA_PLATFORM_API COLORREF GetPixel(HDC dc, int x, int y);
ZAMRA_PLATFORM_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// Sets one pixel among other drawing calls (through the context's painter, so cheap between
// them); FALSE on a bad context. Pixels outside the picture or band are left alone.
ZAMRA_PLATFORM_API BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);

// Reads `lines` scan lines from scan line `start` (counted from the bottom) of the bitmap
// into `bits` as `info` describes them (24 bits a pixel; bottom-up for a positive height,
// top-down for a negative one). With null `bits` only fills info's header (size, 24 bits,
// image size). Gives the number of lines copied, 0 on failure.
ZAMRA_PLATFORM_API int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
                                 UINT usage);

// Writes scan lines into the bitmap, the reverse of GetDIBits.
ZAMRA_PLATFORM_API int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                                 const BITMAPINFO* info, UINT usage);

// --- Qt bridges --------------------------------------------------------------------------

// A new 24-bit bottom-up bitmap holding a copy of the image (alpha dropped); null for a null
// image or when memory runs out. Belongs to the caller.
ZAMRA_PLATFORM_API HBITMAP CreateBitmapFromImage(const QImage& image);

// A copy of the bitmap's picture as a top-down RGB image; a null image for a stale handle.
ZAMRA_PLATFORM_API QImage ImageFromBitmap(HBITMAP bitmap);

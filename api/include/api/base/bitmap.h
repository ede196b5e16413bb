// ZMBitmap: off-screen pictures (memory device contexts over 24-bit pixel blocks), loading
// and writing bitmap, PNG and JPEG files, turning, scaling and blending pixel blocks, and the
// clipboard.
//
// Pixel blocks: 3 bytes a pixel (blue, green, red), rows of GetWidthByteSize24(width) bytes
// (padded to 4), stored bottom-up: the first row in memory is the bottom row of the picture.
// Every device context returned here owns its picture: DeleteDC releases both, and a pixel
// pointer handed out with it stays valid as long as the context lives. Coordinates given to
// AlphaBlt and the rectangles of WritePNG/WriteJpeg count from the top-left corner, y down.
// Areas partly outside a picture are clipped to it; nothing reads or writes past a block.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/gdi.h"
#include "platform/win_types.h"

/// Off-screen 24-bit pictures: memory device contexts, loading and saving BMP, PNG and JPEG.
class ZAMRA_API ZMBitmap {
public:
  ZMBitmap() = default;
  virtual ~ZMBitmap() = default;
  ZMBitmap(const ZMBitmap&) = default;
  ZMBitmap& operator=(const ZMBitmap&) = default;

  // A memory device context with a white picture of that size; its pixel address goes to
  // *bits (when given). Null (and *bits null) when the size is not positive or too large.
  static HDC CreateMemDc(int width, int height, unsigned char** bits);
  static HDC CreateMemDc(int width, int height);

  // Row stride in bytes: ((width * 24 + 31) / 32) * 4. Block size: height * stride.
  static int GetWidthByteSize24(int width);
  static int GetBmpDataSize24(int width, int height);

  // A device context holding the bitmap file (BMP) as it is stored; width and height are
  // set on success. Null when the file cannot be read as a bitmap.
  static HDC LoadBmp(const WCHAR* path, int& width, int& height);
  static HDC LoadBmp(const char* path, int& width, int& height);
  // The same for the program's bitmap resource `id` (see platform/resources.h).
  static HDC LoadBmp(UINT id, int& width, int& height, HINSTANCE instance);
  // The bitmap file converted into a 24-bit memory device context; *bits gets its pixels.
  static HDC LoadBmp(const WCHAR* path, int& width, int& height, unsigned char** bits);
  // A context with the caller's bitmap selected; the caller keeps the bitmap and must not
  // delete it before the context. Null when the bitmap is stale or selected elsewhere.
  static HDC LoadBmp(HBITMAP bitmap, int& width, int& height);

  // A 24-bit memory device context holding a copy of the whole primary screen; null when
  // there is no screen (no GUI application, or the platform cannot grab it).
  static HDC CaptureScreen(int& width, int& height);

  // Turns of a 24-bit block of width x height into a new memory device context, whose size
  // goes to outWidth/outHeight and pixels to *outBits: vertical flip, horizontal mirror,
  // quarter turn clockwise, quarter turn counter-clockwise, half turn. Null for a null
  // source or a size that is not positive.
  static HDC RotateV(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                     unsigned char** outBits);
  static HDC RotateH(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                     unsigned char** outBits);
  static HDC Rotate90(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                      unsigned char** outBits);
  static HDC RotateBack90(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                          unsigned char** outBits);
  static HDC Rotate180(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                       unsigned char** outBits);

  // Area-weighted resampling of a sourceWidth x sourceHeight block into a new memory device
  // context of targetWidth x targetHeight (pixels to *target). Null on bad arguments.
  static HDC Scale(const unsigned char* source, int sourceWidth, int sourceHeight, unsigned char** target,
                   int targetWidth, int targetHeight);

  // Writes a 24-bit BMP file (54-byte headers, then the block unchanged). 1 when written,
  // 0 when the file cannot be created, the size is not positive, or a write fails.
  static int SaveBmp(const unsigned char* bits, int width, int height, const char* path);
  // The same for an area of a device context (parts outside its picture stay white).
  static int SaveBmp(HDC dc, int x, int y, int width, int height, const char* path);

  // Blends a width x height area of the source at (sx, sy) onto the target at (tx, ty) in
  // place; `alpha` (0 to 100, clamped) is the source's weight in percent.
  static void AlphaBlt(unsigned char* target, int targetWidth, int targetHeight, const unsigned char* source,
                       int sourceWidth, int sourceHeight, int tx, int ty, int sx, int sy, int width, int height,
                       int alpha);

  // A new bitmap holding a copy of the area (0, 0, width, height) of the context; belongs to
  // the caller (DeleteObject). Null on failure.
  static HBITMAP GetBmp(HDC dc, int width, int height);

  // Empties the clipboard and places the bitmap on it; the clipboard then owns the bitmap
  // (the caller must not use it again). 1 only when the bitmap was placed.
  static int CopyToClipboard(HBITMAP bitmap);
  // The clipboard's picture as a bitmap still owned by the clipboard: valid until the next
  // call of GetClipboardBmp or CopyToClipboard. Null when the clipboard holds no picture.
  static HBITMAP GetClipboardBmp();

  // Writes the area `rect` of the context as an 8-bit RGB PNG file. 1 when written, else 0.
  static int WritePNG(const char* path, HDC dc, const RECT& rect);
  // The same for a whole picture of this layout, read where it lies.
  static int SavePng(const unsigned char* bits, int width, int height, const char* path);
  // Writes the area `rect` of the context as a baseline JPEG file of quality 100. 1 or 0.
  static int WriteJpeg(const char* path, HDC dc, const RECT& rect);
  // Decodes a three-component JPEG file into a 24-bit memory device context; null for other
  // files, a fatal decoding error, or a picture too large to hold.
  static HDC LoadJpeg(const char* path, int& width, int& height);
};

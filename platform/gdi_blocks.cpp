// The drawing subset: block copies between pictures and scan-line transfers.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include "gdi_internal.h"

using namespace zamra::gdi_internal;

BOOL BitBlt(HDC targetHandle, int x, int y, int width, int height, HDC sourceHandle, int sx, int sy, DWORD rop)
{
  DeviceContext* target = AsContext(targetHandle);
  if (target == nullptr || width <= 0 || height <= 0)
    return FALSE;
  if (rop == BLACKNESS || rop == WHITENESS) {
    Block block{x, y, x, y, width, height};
    if (!ClipBlock(block, target->Width(), target->Height(), target->Width(), target->Height()))
      return TRUE;
    QPainter* painter = target->Painter();
    if (painter == nullptr)
      return FALSE;
    const int flip = target->FlipHeight();
    const int top = flip != 0 ? flip - block.y - block.height : block.y;
    painter->fillRect(QRect(block.x, top, block.width, block.height), rop == BLACKNESS ? Qt::black : Qt::white);
    return TRUE;
  }
  DeviceContext* source = AsContext(sourceHandle);
  if (rop != SRCCOPY || source == nullptr || source->Picture() == nullptr)
    return FALSE;
  BitmapObject* from = source->Picture();
  Block block{x, y, sx, sy, width, height};
  if (!ClipBlock(block, target->Width(), target->Height(), from->Width(), from->Height()))
    return TRUE;
  BitmapObject* to = target->Picture();
  if (to == nullptr) {
    QPainter* painter = target->Painter();
    if (painter == nullptr)
      return FALSE;
    painter->drawImage(QPoint(block.x, block.y), CopyBlock(from, block.sx, block.sy, block.width, block.height));
    return TRUE;
  }
  source->EndPainting();
  target->EndPainting();
  const std::size_t rowBytes = static_cast<std::size_t>(block.width) * 3;
  // Within one picture, copy rows in the order that does not overwrite rows still to read.
  const bool upwards = (from == to || from->Bits() == to->Bits()) && block.y > block.sy;
  for (int i = 0; i < block.height; ++i) {
    const int row = upwards ? block.height - 1 - i : i;
    if (target->InBand(block.y + row))
      std::memmove(to->PixelAt(block.x, block.y + row), from->PixelAt(block.sx, block.sy + row), rowBytes);
  }
  return TRUE;
}

BOOL TransparentBlt(HDC targetHandle, int x, int y, int width, int height, HDC sourceHandle, int sx, int sy,
                    int sourceWidth, int sourceHeight, UINT transparent)
{
  DeviceContext* target = AsContext(targetHandle);
  DeviceContext* source = AsContext(sourceHandle);
  if (target == nullptr || source == nullptr || source->Picture() == nullptr || width <= 0 || height <= 0 ||
      sourceWidth <= 0 || sourceHeight <= 0)
    return FALSE;
  BitmapObject* from = source->Picture();
  const unsigned char keyBlue = GetBValue(transparent), keyGreen = GetGValue(transparent),
                      keyRed = GetRValue(transparent);
  const bool stretched = width != sourceWidth || height != sourceHeight;
  // The source pixel of target offset (i, j), or null outside the source picture.
  const auto sourcePixel = [&](int i, int j) -> const unsigned char* {
    const long long px = sx + (stretched ? static_cast<long long>(i) * sourceWidth / width : i);
    const long long py = sy + (stretched ? static_cast<long long>(j) * sourceHeight / height : j);
    if (px < 0 || py < 0 || px >= from->Width() || py >= from->Height())
      return nullptr;
    return from->PixelAt(static_cast<int>(px), static_cast<int>(py));
  };
  const int left = std::max(0, x), top = std::max({0, y, target->bandTop});
  const long long right = std::min<long long>(static_cast<long long>(x) + width, target->Width());
  const long long bottom = std::min<long long>(
      {static_cast<long long>(y) + height, target->Height(), target->bandBottom});
  if (left >= right || top >= bottom)
    return TRUE;
  source->EndPainting();
  BitmapObject* to = target->Picture();
  if (to == nullptr) {
    // A paint device: build the keyed block with alpha and let the painter draw it.
    QImage keyed(static_cast<int>(right - left), static_cast<int>(bottom - top), QImage::Format_ARGB32);
    keyed.fill(Qt::transparent);
    for (int ty = top; ty < bottom; ++ty)
      for (int tx = left; tx < right; ++tx) {
        const unsigned char* pixel = sourcePixel(tx - x, ty - y);
        if (pixel != nullptr && !(pixel[0] == keyBlue && pixel[1] == keyGreen && pixel[2] == keyRed))
          keyed.setPixel(tx - left, ty - top, qRgb(pixel[2], pixel[1], pixel[0]));
      }
    QPainter* painter = target->Painter();
    if (painter == nullptr)
      return FALSE;
    painter->drawImage(QPoint(left, top), keyed);
    return TRUE;
  }
  target->EndPainting();
  for (int ty = top; ty < bottom; ++ty) {
    unsigned char* out = to->PixelAt(left, ty);
    for (int tx = left; tx < right; ++tx, out += 3) {
      const unsigned char* pixel = sourcePixel(tx - x, ty - y);
      if (pixel == nullptr || (pixel[0] == keyBlue && pixel[1] == keyGreen && pixel[2] == keyRed))
        continue;
      out[0] = pixel[0];
      out[1] = pixel[1];
      out[2] = pixel[2];
    }
  }
  return TRUE;
}

namespace {

// The rows of a scan-line transfer: picture rows counted from the bottom, and where each
// lands in the caller's buffer.
struct ScanTransfer {
  BitmapObject* picture;
  int first;     // first row from the bottom
  int lines;     // rows transferred
  bool topDown;  // the caller's buffer is top-down
  std::size_t stride;
};

bool PrepareTransfer(HDC handle, HBITMAP bitmap, UINT start, UINT lines, const BITMAPINFO* info, UINT usage,
                     ScanTransfer* transfer)
{
  BitmapObject* picture = AsBitmap(bitmap);
  if (picture == nullptr || info == nullptr || usage != DIB_RGB_COLORS)
    return false;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biWidth != picture->Width() ||
      start >= static_cast<UINT>(picture->Height()))
    return false;
  if (DeviceContext* dc = AsContext(handle))
    dc->EndPainting();
  if (picture->owner != nullptr)
    picture->owner->EndPainting();
  transfer->picture = picture;
  transfer->first = static_cast<int>(start);
  transfer->lines = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(picture->Height()) - start));
  transfer->topDown = header.biHeight < 0;
  transfer->stride = static_cast<std::size_t>(picture->Stride());
  return transfer->lines > 0;
}

// Memory row of the picture for a row counted from the bottom.
unsigned char* RowFromBottom(BitmapObject* picture, int row)
{
  const int memoryRow = picture->BottomUp() ? row : picture->Height() - 1 - row;
  return picture->Bits() + static_cast<std::size_t>(memoryRow) * picture->Stride();
}

}  // namespace

int GetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
  if (bits == nullptr) {
    BitmapObject* picture = AsBitmap(bitmap);
    if (picture == nullptr || info == nullptr)
      return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = picture->Width();
    header.biHeight = picture->Height();
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(picture->Stride()) * static_cast<DWORD>(picture->Height());
    return picture->Height();
  }
  ScanTransfer transfer{};
  if (!PrepareTransfer(handle, bitmap, start, lines, info, usage, &transfer))
    return 0;
  auto* out = static_cast<unsigned char*>(bits);
  for (int i = 0; i < transfer.lines; ++i) {
    const std::size_t slot = transfer.topDown ? static_cast<std::size_t>(transfer.lines - 1 - i) : i;
    std::memcpy(out + slot * transfer.stride, RowFromBottom(transfer.picture, transfer.first + i), transfer.stride);
  }
  return transfer.lines;
}

int SetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
  ScanTransfer transfer{};
  if (bits == nullptr || !PrepareTransfer(handle, bitmap, start, lines, info, usage, &transfer))
    return 0;
  const auto* in = static_cast<const unsigned char*>(bits);
  for (int i = 0; i < transfer.lines; ++i) {
    const std::size_t slot = transfer.topDown ? static_cast<std::size_t>(transfer.lines - 1 - i) : i;
    std::memcpy(RowFromBottom(transfer.picture, transfer.first + i), in + slot * transfer.stride, transfer.stride);
  }
  return transfer.lines;
}

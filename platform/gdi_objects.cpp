// The drawing subset: pens, brushes, fonts and pictures, and the bridges to Qt images.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include "gdi_internal.h"
#include "platform/memory_short.h"

using namespace zamra::gdi_internal;

// --- Objects -----------------------------------------------------------------------------

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE /*section*/,
                         DWORD /*offset*/)
{
  if (bits != nullptr)
    *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS)
    return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biPlanes != 1 || header.biHeight == 0 ||
      header.biHeight == std::numeric_limits<LONG>::min())
    return nullptr;
  BitmapObject* picture = NewPicture(header.biWidth, std::abs(header.biHeight), header.biHeight > 0);
  if (picture == nullptr)
    return nullptr;
  Register(LiveObjects(), static_cast<GdiObject*>(picture));
  if (bits != nullptr)
    *bits = picture->Bits();
  return ToHandle(picture);
}

HBITMAP CreateCompatibleBitmap(HDC /*dc*/, int width, int height)
{
  BitmapObject* picture = NewPicture(width, height, true);
  if (picture == nullptr)
    return nullptr;
  return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(picture)));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage)
{
  if (header == nullptr)
    return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, header->biWidth, std::abs(header->biHeight));
  if (bitmap == nullptr || (init & CBM_INIT) == 0 || bits == nullptr)
    return bitmap;
  if (info == nullptr ||
      SetDIBits(dc, bitmap, 0, static_cast<UINT>(std::abs(info->bmiHeader.biHeight)), bits, info, usage) == 0) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HPEN CreatePen(int style, int width, COLORREF color)
{
  if (style < PS_SOLID || style > PS_INSIDEFRAME)
    return nullptr;
  return zamra::sys::OrIfMemoryShort(nullptr, [&] {
    return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(new PenObject(style, width, color, false))));
  });
}

HBRUSH CreateSolidBrush(COLORREF color)
{
  return zamra::sys::OrIfMemoryShort(nullptr, [&] {
    return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(new BrushObject(false, color, false))));
  });
}

HFONT CreateFontIndirectA(const LOGFONTA* font)
{
  if (font == nullptr)
    return nullptr;
  return zamra::sys::OrIfMemoryShort(nullptr, [&] {
    return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(new FontObject(*font, false))));
  });
}

HGDIOBJ GetStockObject(int index)
{
  if (index < 0 || index > DEFAULT_GUI_FONT)
    return nullptr;
  return ToHandle(Stock().objects[index]);
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ objectHandle)
{
  DeviceContext* dc = AsContext(handle);
  GdiObject* object = AsObject(objectHandle);
  if (dc == nullptr || object == nullptr)
    return nullptr;
  GdiObject* previous = nullptr;
  switch (object->GetKind()) {
  case Kind::Bitmap: {
    auto* picture = static_cast<BitmapObject*>(object);
    if (picture == dc->bitmap)
      return objectHandle;
    // A picture is drawn through one context at a time, and never replaces a paint device
    // or a band's view.
    if ((!picture->IsStock() && picture->owner != nullptr) || dc->device != nullptr || dc->IsBand())
      return nullptr;
    dc->EndPainting();
    previous = dc->bitmap;
    dc->bitmap = picture;
    if (!picture->IsStock())
      picture->owner = dc;
    break;
  }
  case Kind::Pen:
    previous = dc->pen;
    dc->pen = static_cast<PenObject*>(object);
    dc->penDirty = true;
    break;
  case Kind::Brush:
    previous = dc->brush;
    dc->brush = static_cast<BrushObject*>(object);
    dc->brushDirty = true;
    break;
  case Kind::Font:
    previous = dc->font;
    dc->font = static_cast<FontObject*>(object);
    break;
  }
  if (previous == object)
    return objectHandle;
  if (!object->IsStock())
    ++object->selectCount;
  HGDIOBJ previousHandle = ToHandle(previous);
  Deselect(previous, dc);
  return previousHandle;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT kind)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return nullptr;
  switch (kind) {
  case OBJ_PEN:
    return ToHandle(dc->pen);
  case OBJ_BRUSH:
    return ToHandle(dc->brush);
  case OBJ_FONT:
    return ToHandle(dc->font);
  case OBJ_BITMAP:
    return ToHandle(dc->bitmap);
  default:
    return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ handle)
{
  GdiObject* object = AsObject(handle);
  if (object == nullptr)
    return FALSE;
  if (object->IsStock())
    return TRUE;
  if (object->selectCount > 0)
    object->deletePending = true;
  else
    FreeObject(object);
  return TRUE;
}

int GetObjectA(HGDIOBJ handle, int size, void* out)
{
  if (FontObject* font = AsFont(handle); font != nullptr) {
    if (out == nullptr || size < static_cast<int>(sizeof(LOGFONTA)))
      return 0;
    std::memcpy(out, &font->Description(), sizeof(LOGFONTA));
    return static_cast<int>(sizeof(LOGFONTA));
  }
  BitmapObject* picture = AsBitmap(handle);
  if (picture == nullptr || out == nullptr || size < static_cast<int>(sizeof(BITMAP)))
    return 0;
  BITMAP description{};
  description.bmType = 0;
  description.bmWidth = picture->Width();
  description.bmHeight = picture->Height();
  description.bmWidthBytes = picture->Stride();
  description.bmPlanes = 1;
  description.bmBitsPixel = 24;
  description.bmBits = picture->Bits();
  std::memcpy(out, &description, sizeof description);
  return static_cast<int>(sizeof description);
}

// --- Qt bridges --------------------------------------------------------------------------

HBITMAP CreateBitmapFromImage(const QImage& image)
{
  if (image.isNull())
    return nullptr;
  const QImage converted = image.convertToFormat(QImage::Format_BGR888);
  if (converted.isNull())
    return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, converted.width(), converted.height());
  BitmapObject* picture = AsBitmap(bitmap);
  if (picture == nullptr)
    return nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(converted.width()) * 3;
  for (int y = 0; y < converted.height(); ++y)
    std::memcpy(picture->PixelAt(0, y), converted.constScanLine(y), rowBytes);
  return bitmap;
}

QImage ImageFromBitmap(HBITMAP bitmap)
{
  BitmapObject* picture = AsBitmap(bitmap);
  if (picture == nullptr)
    return QImage();
  if (picture->owner != nullptr)
    picture->owner->EndPainting();
  return CopyBlock(picture, 0, 0, picture->Width(), picture->Height());
}

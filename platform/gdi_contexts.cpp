// The drawing subset: device contexts and their state.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include "gdi_internal.h"

using namespace zamra::gdi_internal;

// --- Device contexts ---------------------------------------------------------------------

HDC CreateCompatibleDC(HDC /*reference*/) { return ToHandle(NewContext()); }

HDC CreateDCA(const char* driver, const char* /*device*/, const char* /*output*/, const void* /*mode*/)
{
  if (driver == nullptr || std::strcmp(driver, "DISPLAY") != 0 || !zamra::platform::HaveGuiApplication())
    return nullptr;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr)
    return nullptr;
  const QImage snapshot = screen->grabWindow(0).toImage();
  HBITMAP picture = CreateBitmapFromImage(snapshot);
  if (picture == nullptr)
    return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr || SelectObject(dc, picture) == nullptr) {
    DeleteDC(dc);
    DeleteObject(picture);
    return nullptr;
  }
  DeleteObject(picture);  // the context owns the snapshot
  return dc;
}

HDC CreateDCForPaintDevice(QPaintDevice* device, bool takeOwnership)
{
  if (device == nullptr)
    return nullptr;
  DeviceContext* dc = NewContext();
  if (dc == nullptr) {
    if (takeOwnership)
      delete device;
    return nullptr;
  }
  dc->device = device;
  dc->ownsDevice = takeOwnership;
  return ToHandle(dc);
}

HDC CreateDCForDevicePixels(QPaintDevice* device, bool takeOwnership)
{
  HDC handle = CreateDCForPaintDevice(device, takeOwnership);
  if (DeviceContext* dc = AsContext(handle))
    dc->devicePixels = true;
  return handle;
}

HDC CreateBandDC(HDC handle, int top, int bottom)
{
  DeviceContext* whole = AsContext(handle);
  BitmapObject* picture = whole != nullptr ? whole->Picture() : nullptr;
  if (picture == nullptr)
    return nullptr;
  top = std::max(top, 0);
  bottom = std::min(bottom, picture->Height());
  if (top >= bottom)
    return nullptr;
  // The whole picture's painter must not hold work that lands after the bands' drawing.
  whole->EndPainting();
  DeviceContext* dc = NewContext();
  if (dc == nullptr)
    return nullptr;
  dc->bandPicture.reset(new (std::nothrow) BitmapObject(picture->Bits(), picture->Width(), picture->Height(),
                                                        picture->Stride(), picture->BottomUp(), false, false));
  if (!dc->bandPicture) {
    DeleteDC(ToHandle(dc));
    return nullptr;
  }
  dc->bitmap = dc->bandPicture.get();
  dc->bandTop = top;
  dc->bandBottom = bottom;
  dc->smooth = whole->smooth;
  return ToHandle(dc);
}

BOOL DeleteDC(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  dc->EndPainting();
  Unregister(LiveContexts(), dc);
  g_contextEpoch.fetch_add(1, std::memory_order_acq_rel);
  if (dc->IsBand())
    dc->bitmap = nullptr;  // the band's view goes with the context; the picture stays its owner's
  Deselect(dc->bitmap, dc);
  Deselect(dc->pen, dc);
  Deselect(dc->brush, dc);
  Deselect(dc->font, dc);
  if (dc->ownsDevice)
    delete dc->device;
  delete dc;
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return 0;
  switch (index) {
  case HORZRES:
    return dc->Width();
  case VERTRES:
    return dc->Height();
  case BITSPIXEL:
    return 24;
  case LOGPIXELSX:
    return dc->device != nullptr ? dc->device->logicalDpiX() : 96;
  case LOGPIXELSY:
    return dc->device != nullptr ? dc->device->logicalDpiY() : 96;
  default:
    return 0;
  }
}

// --- State -------------------------------------------------------------------------------

COLORREF SetBkColor(HDC handle, COLORREF color)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return CLR_INVALID;
  const COLORREF previous = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  dc->backgroundDirty = true;
  return previous;
}

COLORREF GetBkColor(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  return dc != nullptr ? dc->bkColor : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE))
    return 0;
  const int previous = dc->bkMode;
  dc->bkMode = mode;
  dc->backgroundDirty = true;
  return previous;
}

int GetBkMode(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  return dc != nullptr ? dc->bkMode : 0;
}

COLORREF SetTextColor(HDC handle, COLORREF color)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return CLR_INVALID;
  const COLORREF previous = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return previous;
}

COLORREF GetTextColor(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  return dc != nullptr ? dc->textColor : CLR_INVALID;
}

int SetPolyFillMode(HDC handle, int mode)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || (mode != ALTERNATE && mode != WINDING))
    return 0;
  const int previous = dc->fillMode;
  dc->fillMode = mode;
  return previous;
}

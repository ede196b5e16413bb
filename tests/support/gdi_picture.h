// A white bottom-up picture with its memory context, and objects selected for a scope: what
// tests of drawing draw into.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/gdi.h"

namespace zamra_test {

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);

// A memory context over a white bottom-up picture that it owns.
class Picture {
public:
  Picture(int width, int height) : m_width(width), m_height(height)
  {
    m_dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<unsigned char*>(bits);
    SelectObject(m_dc, m_bitmap);
    DeleteObject(m_bitmap);  // the context keeps it
    Fill(kWhite);
  }
  ~Picture() { DeleteDC(m_dc); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  void Fill(COLORREF color)
  {
    const COLORREF previous = SetBkColor(m_dc, color);
    const RECT all{0, 0, m_width, m_height};
    ExtTextOutA(m_dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    SetBkColor(m_dc, previous);
  }
  HDC Dc() const { return m_dc; }
  HBITMAP Bitmap() const { return m_bitmap; }
  unsigned char* Bits() const { return m_bits; }
  COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }
  int Count(COLORREF color) const
  {
    int count = 0;
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x)
        count += At(x, y) == color ? 1 : 0;
    return count;
  }

private:
  int m_width;
  int m_height;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  unsigned char* m_bits = nullptr;
};

// Selects a new object for the life of the scope, then restores and deletes it.
class Selected {
public:
  Selected(HDC dc, HGDIOBJ object) : m_dc(dc), m_object(object), m_previous(SelectObject(dc, object)) {}
  ~Selected()
  {
    SelectObject(m_dc, m_previous);
    DeleteObject(m_object);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

private:
  HDC m_dc;
  HGDIOBJ m_object;
  HGDIOBJ m_previous;
};

}  // namespace zamra_test

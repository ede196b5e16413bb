// The 32-bit BMP file writer.
// SPDX-License-Identifier: MIT
#include "bitmap_file_writer.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <QSaveFile>

#include "platform/gdi.h"

namespace mapory {

namespace {

constexpr int kHeadersSize = 54;  // file header 14 + information header 40

void Put16(std::vector<unsigned char>& out, size_t at, uint16_t value)
{
  out[at] = static_cast<unsigned char>(value);
  out[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(std::vector<unsigned char>& out, size_t at, uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

bool WriteBitmapFile(HDC dc, const RECT& rect, const QString& path)
{
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (dc == nullptr || width <= 0 || height <= 0)
    return false;
  // The file size field is 32 bits wide: refuse a picture it cannot describe.
  const uint64_t pixelBytes = uint64_t(width) * uint64_t(height) * 4;
  if (pixelBytes > std::numeric_limits<uint32_t>::max() - kHeadersSize)
    return false;

  // Copy the rectangle into a picture of its own and read it back bottom row first.
  HDC copyDc = CreateCompatibleDC(dc);
  HBITMAP copy = CreateCompatibleBitmap(dc, width, height);
  if (copyDc == nullptr || copy == nullptr) {
    if (copy != nullptr)
      DeleteObject(copy);
    if (copyDc != nullptr)
      DeleteDC(copyDc);
    return false;
  }
  HGDIOBJ previous = SelectObject(copyDc, copy);
  BitBlt(copyDc, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  SelectObject(copyDc, previous);
  const int stride24 = ((width * 24 + 31) / 32) * 4;
  std::vector<unsigned char> rows(size_t(stride24) * size_t(height));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const int lines = GetDIBits(copyDc, copy, 0, UINT(height), rows.data(), &info, DIB_RGB_COLORS);
  DeleteObject(copy);
  DeleteDC(copyDc);
  if (lines != height)
    return false;

  std::vector<unsigned char> file(kHeadersSize + pixelBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, uint32_t(kHeadersSize + pixelBytes));
  Put32(file, 10, kHeadersSize);
  Put32(file, 14, 40);
  Put32(file, 18, uint32_t(width));
  Put32(file, 22, uint32_t(height));  // positive: bottom row first
  Put16(file, 26, 1);
  Put16(file, 28, 32);
  unsigned char* out = file.data() + kHeadersSize;
  for (int y = 0; y < height; ++y) {
    const unsigned char* in = rows.data() + size_t(y) * stride24;
    for (int x = 0; x < width; ++x, in += 3, out += 4) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      out[3] = 0;
    }
  }

  QSaveFile target(path);
  if (!target.open(QIODevice::WriteOnly))
    return false;
  if (target.write(reinterpret_cast<const char*>(file.data()), qint64(file.size())) != qint64(file.size())) {
    target.cancelWriting();
    return false;
  }
  return target.commit();
}

QString BitmapFileName(const QString& path)
{
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot >= 0 && path.mid(dot).toLower() == QStringLiteral(".bmp"))
    return path;
  return path + QStringLiteral(".bmp");
}

}  // namespace mapory

// ZMBitmap: off-screen pictures, turns, scaling, blending, BMP/PNG/JPEG files, the clipboard.
// SPDX-License-Identifier: MIT
#include "api/base/bitmap.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <jpeglib.h>  // after <cstdio>: it needs FILE
#include <sys/stat.h>

#include "base/png_encoder.h"
#include "base/replacement_file.h"
#include "platform/application_kind.h"
#include "platform/file_io.h"
#include "platform/resources.h"
#include "platform/system_calls.h"

namespace {

constexpr int kBmpHeadersSize = 54;  // 14-byte file header + 40-byte information header

bool ValidSize(int width, int height)
{
  return width > 0 && height > 0 && ZMBitmap::GetBmpDataSize24(width, height) > 0;
}

// A memory device context that owns `bitmap`, or null (and the bitmap released).
HDC ContextOwning(HBITMAP bitmap, int& width, int& height)
{
  if (bitmap == nullptr)
    return nullptr;
  BITMAP description{};
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr || GetObjectA(bitmap, sizeof description, &description) == 0 ||
      SelectObject(dc, bitmap) == nullptr) {
    DeleteDC(dc);
    DeleteObject(bitmap);
    return nullptr;
  }
  DeleteObject(bitmap);  // deferred while selected: the context now owns it
  width = description.bmWidth;
  height = description.bmHeight;
  return dc;
}

HDC LoadBmpFile(const QString& path, int& width, int& height)
{
  QImageReader reader(path, "bmp");
  reader.setDecideFormatFromContent(false);
  const QImage image = reader.read();
  if (image.isNull())
    return nullptr;
  return ContextOwning(CreateBitmapFromImage(image), width, height);
}

QString WidePath(const WCHAR* path)
{
  if (path == nullptr)
    return QString();
  qsizetype length = 0;
  while (path[length] != 0)
    ++length;
  return QString::fromUtf16(path, length);
}

// A 24-bit copy of an area of `dc`; the parts outside its picture stay white.
HDC CopyArea(HDC dc, int x, int y, int width, int height, unsigned char** bits)
{
  HDC copy = ZMBitmap::CreateMemDc(width, height, bits);
  if (copy == nullptr)
    return nullptr;
  if (!BitBlt(copy, 0, 0, width, height, dc, x, y, SRCCOPY)) {
    DeleteDC(copy);
    *bits = nullptr;
    return nullptr;
  }
  return copy;
}

void PutLittle32(unsigned char* out, std::uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<unsigned char>(value >> (8 * i));
}

void PutLittle16(unsigned char* out, std::uint16_t value)
{
  out[0] = static_cast<unsigned char>(value);
  out[1] = static_cast<unsigned char>(value >> 8);
}

void SwapRedAndBlue(unsigned char* bits, int width, int height)
{
  const int stride = ZMBitmap::GetWidthByteSize24(width);
  for (int row = 0; row < height; ++row) {
    unsigned char* pixel = bits + static_cast<std::size_t>(row) * stride;
    for (int x = 0; x < width; ++x, pixel += 3)
      std::swap(pixel[0], pixel[2]);
  }
}

// One turn: `place` maps source (row, column) as stored to target (row, column).
template <typename Place>
HDC Turn(int width, int height, const unsigned char* source, bool swapsSides, int& outWidth, int& outHeight,
         unsigned char** outBits, Place place)
{
  if (outBits != nullptr)
    *outBits = nullptr;
  if (source == nullptr || !ValidSize(width, height))
    return nullptr;
  const int targetWidth = swapsSides ? height : width;
  const int targetHeight = swapsSides ? width : height;
  unsigned char* target = nullptr;
  HDC dc = ZMBitmap::CreateMemDc(targetWidth, targetHeight, &target);
  if (dc == nullptr)
    return nullptr;
  const std::size_t sourceStride = static_cast<std::size_t>(ZMBitmap::GetWidthByteSize24(width));
  const std::size_t targetStride = static_cast<std::size_t>(ZMBitmap::GetWidthByteSize24(targetWidth));
  for (int row = 0; row < height; ++row) {
    const unsigned char* from = source + row * sourceStride;
    for (int column = 0; column < width; ++column, from += 3) {
      int targetRow = 0, targetColumn = 0;
      place(row, column, targetRow, targetColumn);
      std::memcpy(target + targetRow * targetStride + static_cast<std::size_t>(targetColumn) * 3, from, 3);
    }
  }
  outWidth = targetWidth;
  outHeight = targetHeight;
  if (outBits != nullptr)
    *outBits = target;
  return dc;
}

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// caller so that it releases what it holds and answers failure instead of ending the process.
struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void JpegFatal(j_common_ptr info)
{
  std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

void JpegSilent(j_common_ptr) {}  // the library shows no messages

// Whether the file's bytes can hold the picture its header claims. Every block of every component
// costs at least one bit of entropy-coded data (a Huffman code is never shorter; a progressive
// picture's first DC scan codes each block too), and libjpeg pads a cut file with grey instead
// of failing, so a header of a few bytes could otherwise claim gigabytes of picture.
bool JpegDataCanHoldPicture(const jpeg_decompress_struct& info, long long fileBytes)
{
  unsigned long long blocks = 0;
  for (int i = 0; i < info.num_components; ++i)
    blocks += static_cast<unsigned long long>(info.comp_info[i].width_in_blocks) * info.comp_info[i].height_in_blocks;
  return fileBytes >= 0 && blocks / 8 <= static_cast<unsigned long long>(fileBytes);
}

long long OpenFileSize(int descriptor)
{
  struct stat status {};
  return zamra::sys::FStat(descriptor, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

// libjpeg's source reading a descriptor through the system-call seam, block by block as its own
// FILE source does. The end of the file stands in as an end-of-picture mark, as there (libjpeg
// then pads a cut picture with grey); a read error is fatal rather than passing for that end.
struct JpegFileSource {
  jpeg_source_mgr base;
  int descriptor;
  JOCTET buffer[4096];
};

void JpegSourceStart(j_decompress_ptr) {}

boolean JpegSourceFill(j_decompress_ptr info)
{
  auto* source = reinterpret_cast<JpegFileSource*>(info->src);
  size_t got = 0;
  if (!zamra::sys::ReadFully(source->descriptor, source->buffer, sizeof source->buffer, &got))
    JpegFatal(reinterpret_cast<j_common_ptr>(info));
  if (got == 0) {
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    got = 2;
  }
  source->base.next_input_byte = source->buffer;
  source->base.bytes_in_buffer = got;
  return TRUE;
}

void JpegSourceSkip(j_decompress_ptr info, long count)
{
  jpeg_source_mgr* source = info->src;
  if (count <= 0)
    return;
  while (count > static_cast<long>(source->bytes_in_buffer)) {
    count -= static_cast<long>(source->bytes_in_buffer);
    JpegSourceFill(info);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegSourceEnd(j_decompress_ptr) {}

// Points `info` at `source`, which reads `descriptor`; both outlive the decoding.
void UseJpegFileSource(jpeg_decompress_struct& info, JpegFileSource& source, int descriptor)
{
  source.base.init_source = JpegSourceStart;
  source.base.fill_input_buffer = JpegSourceFill;
  source.base.skip_input_data = JpegSourceSkip;
  source.base.resync_to_restart = jpeg_resync_to_restart;
  source.base.term_source = JpegSourceEnd;
  source.base.next_input_byte = nullptr;
  source.base.bytes_in_buffer = 0;
  source.descriptor = descriptor;
  info.src = &source.base;
}

// What one LoadJpeg holds: the open file, libjpeg's state reading it, and the picture being
// filled. Released however LoadJpeg leaves, a jump back from a libjpeg error included (the
// jump lands in LoadJpeg's own frame, so this is still alive and is destroyed on return).
struct JpegDecoding {
  explicit JpegDecoding(int descriptor) : file(descriptor)
  {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegFatal;
    errors.base.output_message = JpegSilent;
  }
  ~JpegDecoding()
  {
    jpeg_destroy_decompress(&info);  // nothing to do when never created
    if (dc != nullptr)
      DeleteDC(dc);
  }
  JpegDecoding(const JpegDecoding&) = delete;
  JpegDecoding& operator=(const JpegDecoding&) = delete;

  // The finished picture, now the caller's.
  HDC TakePicture()
  {
    HDC picture = dc;
    dc = nullptr;
    return picture;
  }

  zamra::sys::ScopedDescriptor file;
  JpegFileSource source{};
  jpeg_decompress_struct info{};
  JpegErrorManager errors{};
  HDC volatile dc = nullptr;  // volatile: set after setjmp and read after the jump back
};

// The clipboard's picture handed out by GetClipboardBmp, owned here until replaced.
std::mutex g_clipboardMutex;
HBITMAP g_clipboardBitmap = nullptr;

void ReplaceClipboardBitmap(HBITMAP bitmap)
{
  std::lock_guard<std::mutex> lock(g_clipboardMutex);
  if (g_clipboardBitmap != nullptr)
    DeleteObject(g_clipboardBitmap);
  g_clipboardBitmap = bitmap;
}

}  // namespace

HDC ZMBitmap::CreateMemDc(int width, int height, unsigned char** bits)
{
  if (bits != nullptr)
    *bits = nullptr;
  if (!ValidSize(width, height))
    return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr)
    return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr || SelectObject(dc, bitmap) == nullptr) {
    DeleteObject(bitmap);
    DeleteDC(dc);
    return nullptr;
  }
  DeleteObject(bitmap);  // freed with the context
  SetBkColor(dc, RGB(255, 255, 255));
  const RECT all{0, 0, width, height};
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  if (bits != nullptr)
    *bits = static_cast<unsigned char*>(pixels);
  return dc;
}

HDC ZMBitmap::CreateMemDc(int width, int height) { return CreateMemDc(width, height, nullptr); }

int ZMBitmap::GetWidthByteSize24(int width)
{
  if (width <= 0 || width > std::numeric_limits<int>::max() / 24 - 31)
    return 0;
  return ((width * 24 + 31) >> 3) & ~3;
}

int ZMBitmap::GetBmpDataSize24(int width, int height)
{
  const long long size = static_cast<long long>(GetWidthByteSize24(width)) * std::max(0, height);
  return size > std::numeric_limits<int>::max() ? 0 : static_cast<int>(size);
}

HDC ZMBitmap::LoadBmp(const WCHAR* path, int& width, int& height)
{
  if (path == nullptr)
    return nullptr;
  return LoadBmpFile(WidePath(path), width, height);
}

HDC ZMBitmap::LoadBmp(const char* path, int& width, int& height)
{
  if (path == nullptr)
    return nullptr;
  return LoadBmpFile(QFile::decodeName(path), width, height);
}

HDC ZMBitmap::LoadBmp(UINT id, int& width, int& height, HINSTANCE instance)
{
  return ContextOwning(LoadBitmapResource(instance, id), width, height);
}

HDC ZMBitmap::LoadBmp(const WCHAR* path, int& width, int& height, unsigned char** bits)
{
  if (bits != nullptr)
    *bits = nullptr;
  int loadedWidth = 0, loadedHeight = 0;
  HDC loaded = LoadBmp(path, loadedWidth, loadedHeight);
  if (loaded == nullptr)
    return nullptr;
  unsigned char* pixels = nullptr;
  HDC dc = CreateMemDc(loadedWidth, loadedHeight, &pixels);
  if (dc != nullptr)
    BitBlt(dc, 0, 0, loadedWidth, loadedHeight, loaded, 0, 0, SRCCOPY);
  DeleteDC(loaded);
  if (dc == nullptr)
    return nullptr;
  width = loadedWidth;
  height = loadedHeight;
  if (bits != nullptr)
    *bits = pixels;
  return dc;
}

HDC ZMBitmap::LoadBmp(HBITMAP bitmap, int& width, int& height)
{
  BITMAP description{};
  if (GetObjectA(bitmap, sizeof description, &description) == 0)
    return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr || SelectObject(dc, bitmap) == nullptr) {
    DeleteDC(dc);
    return nullptr;
  }
  width = description.bmWidth;
  height = description.bmHeight;
  return dc;
}

HDC ZMBitmap::CaptureScreen(int& width, int& height)
{
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (display == nullptr)
    return nullptr;
  const int screenWidth = GetDeviceCaps(display, HORZRES);
  const int screenHeight = GetDeviceCaps(display, VERTRES);
  HDC dc = CreateMemDc(screenWidth, screenHeight);
  if (dc != nullptr)
    BitBlt(dc, 0, 0, screenWidth, screenHeight, display, 0, 0, SRCCOPY);
  DeleteDC(display);
  if (dc == nullptr)
    return nullptr;
  width = screenWidth;
  height = screenHeight;
  return dc;
}

HDC ZMBitmap::RotateV(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                      unsigned char** outBits)
{
  return Turn(width, height, source, false, outWidth, outHeight, outBits,
              [height](int row, int column, int& toRow, int& toColumn) {
                toRow = height - 1 - row;
                toColumn = column;
              });
}

HDC ZMBitmap::RotateH(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                      unsigned char** outBits)
{
  return Turn(width, height, source, false, outWidth, outHeight, outBits,
              [width](int row, int column, int& toRow, int& toColumn) {
                toRow = row;
                toColumn = width - 1 - column;
              });
}

HDC ZMBitmap::Rotate90(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                       unsigned char** outBits)
{
  return Turn(width, height, source, true, outWidth, outHeight, outBits,
              [width](int row, int column, int& toRow, int& toColumn) {
                toRow = width - 1 - column;
                toColumn = row;
              });
}

HDC ZMBitmap::RotateBack90(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                           unsigned char** outBits)
{
  return Turn(width, height, source, true, outWidth, outHeight, outBits,
              [height](int row, int column, int& toRow, int& toColumn) {
                toRow = column;
                toColumn = height - 1 - row;
              });
}

HDC ZMBitmap::Rotate180(int width, int height, const unsigned char* source, int& outWidth, int& outHeight,
                        unsigned char** outBits)
{
  return Turn(width, height, source, false, outWidth, outHeight, outBits,
              [width, height](int row, int column, int& toRow, int& toColumn) {
                toRow = height - 1 - row;
                toColumn = width - 1 - column;
              });
}

HDC ZMBitmap::Scale(const unsigned char* source, int sourceWidth, int sourceHeight, unsigned char** target,
                    int targetWidth, int targetHeight)
{
  if (target != nullptr)
    *target = nullptr;
  if (source == nullptr || !ValidSize(sourceWidth, sourceHeight) || !ValidSize(targetWidth, targetHeight))
    return nullptr;
  unsigned char* out = nullptr;
  HDC dc = CreateMemDc(targetWidth, targetHeight, &out);
  if (dc == nullptr)
    return nullptr;
  const float stepY = static_cast<float>(sourceHeight) / static_cast<float>(targetHeight);
  const float stepX = static_cast<float>(sourceWidth) / static_cast<float>(targetWidth);
  const float area = stepX * stepY;
  const std::size_t sourceStride = static_cast<std::size_t>(GetWidthByteSize24(sourceWidth));
  const std::size_t targetStride = static_cast<std::size_t>(GetWidthByteSize24(targetWidth));
  for (int i = 0; i < targetHeight; ++i) {
    const float top = static_cast<float>(i) * stepY, bottom = static_cast<float>(i + 1) * stepY;
    const int firstRow = static_cast<int>(top);
    const int endRow = std::min(static_cast<int>(bottom + 1), sourceHeight);
    for (int j = 0; j < targetWidth; ++j) {
      const float left = static_cast<float>(j) * stepX, right = static_cast<float>(j + 1) * stepX;
      const int firstColumn = static_cast<int>(left);
      const int endColumn = std::min(static_cast<int>(right + 1), sourceWidth);
      float sum[3] = {0, 0, 0};
      for (int k = firstRow; k < endRow; ++k) {
        const float overlapY = std::min(static_cast<float>(k) + 1.0f, bottom) - std::max(static_cast<float>(k), top);
        if (overlapY <= 0)
          continue;
        const unsigned char* row = source + k * sourceStride;
        for (int l = firstColumn; l < endColumn; ++l) {
          const float overlapX = std::min(static_cast<float>(l) + 1.0f, right) - std::max(static_cast<float>(l), left);
          if (overlapX <= 0)
            continue;
          const float weight = overlapX * overlapY / area;
          const unsigned char* pixel = row + static_cast<std::size_t>(l) * 3;
          sum[0] += static_cast<float>(pixel[0]) * weight;
          sum[1] += static_cast<float>(pixel[1]) * weight;
          sum[2] += static_cast<float>(pixel[2]) * weight;
        }
      }
      unsigned char* pixel = out + i * targetStride + static_cast<std::size_t>(j) * 3;
      // Rounding in single precision may carry a full channel a hair past 255.
      for (int c = 0; c < 3; ++c)
        pixel[c] = static_cast<unsigned char>(std::min(255, static_cast<int>(sum[c])));
    }
  }
  if (target != nullptr)
    *target = out;
  return dc;
}

int ZMBitmap::SaveBmp(const unsigned char* bits, int width, int height, const char* path)
{
  const int dataSize = GetBmpDataSize24(width, height);
  if (bits == nullptr || path == nullptr || !ValidSize(width, height) ||
      dataSize > std::numeric_limits<int>::max() - kBmpHeadersSize)
    return 0;
  unsigned char headers[kBmpHeadersSize] = {};
  headers[0] = 'B';
  headers[1] = 'M';
  PutLittle32(headers + 2, static_cast<std::uint32_t>(dataSize + kBmpHeadersSize));
  PutLittle32(headers + 10, kBmpHeadersSize);  // pixel offset
  PutLittle32(headers + 14, 40);               // information header size
  PutLittle32(headers + 18, static_cast<std::uint32_t>(width));
  PutLittle32(headers + 22, static_cast<std::uint32_t>(height));  // positive: bottom-up
  PutLittle16(headers + 26, 1);                                   // planes
  PutLittle16(headers + 28, 24);                                  // bits a pixel
  // A full disk must not pass for a saved picture, nor cost the picture saved before.
  zamra::base::ReplacementFile file(path);
  if (!file.Create())
    return 0;
  DWORD written = 0;
  const bool complete = WriteFile(file.Handle(), headers, sizeof headers, &written, nullptr) &&
                        written == sizeof headers &&
                        WriteFile(file.Handle(), bits, static_cast<DWORD>(dataSize), &written, nullptr) &&
                        written == static_cast<DWORD>(dataSize);
  return complete && file.Finish() && file.Commit() ? 1 : 0;
}

int ZMBitmap::SaveBmp(HDC dc, int x, int y, int width, int height, const char* path)
{
  unsigned char* bits = nullptr;
  HDC copy = CopyArea(dc, x, y, width, height, &bits);
  if (copy == nullptr)
    return 0;
  const int result = SaveBmp(bits, width, height, path);
  DeleteDC(copy);
  return result;
}

void ZMBitmap::AlphaBlt(unsigned char* target, int targetWidth, int targetHeight, const unsigned char* source,
                        int sourceWidth, int sourceHeight, int tx, int ty, int sx, int sy, int width, int height,
                        int alpha)
{
  if (target == nullptr || source == nullptr || !ValidSize(targetWidth, targetHeight) ||
      !ValidSize(sourceWidth, sourceHeight))
    return;
  if (tx >= targetWidth || ty >= targetHeight || sx >= sourceWidth || sy >= sourceHeight)
    return;
  // Areas starting left of or above either picture lose their outside part.
  long long columns = width, rows = height;
  long long targetX = tx, targetY = ty, sourceX = sx, sourceY = sy;
  const long long shiftX = std::max({0LL, -targetX, -sourceX});
  const long long shiftY = std::max({0LL, -targetY, -sourceY});
  targetX += shiftX;
  sourceX += shiftX;
  columns -= shiftX;
  targetY += shiftY;
  sourceY += shiftY;
  rows -= shiftY;
  columns = std::min({columns, targetWidth - targetX, sourceWidth - sourceX});
  rows = std::min({rows, targetHeight - targetY, sourceHeight - sourceY});
  if (columns <= 0 || rows <= 0)
    return;
  alpha = std::clamp(alpha, 0, 100);
  const std::size_t targetStride = static_cast<std::size_t>(GetWidthByteSize24(targetWidth));
  const std::size_t sourceStride = static_cast<std::size_t>(GetWidthByteSize24(sourceWidth));
  for (long long y = 0; y < rows; ++y) {
    // Rows count from the top; the blocks are stored bottom-up.
    unsigned char* to = target + static_cast<std::size_t>(targetHeight - 1 - (targetY + y)) * targetStride +
                        static_cast<std::size_t>(targetX) * 3;
    const unsigned char* from = source + static_cast<std::size_t>(sourceHeight - 1 - (sourceY + y)) * sourceStride +
                                static_cast<std::size_t>(sourceX) * 3;
    for (long long i = 0; i < columns * 3; ++i)
      to[i] = static_cast<unsigned char>(alpha * from[i] / 100 + (100 - alpha) * to[i] / 100);
  }
}

HBITMAP ZMBitmap::GetBmp(HDC dc, int width, int height)
{
  unsigned char* bits = nullptr;
  HDC copy = CopyArea(dc, 0, 0, width, height, &bits);
  if (copy == nullptr)
    return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HBITMAP bitmap = CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, bits, &info, DIB_RGB_COLORS);
  DeleteDC(copy);
  return bitmap;
}

int ZMBitmap::CopyToClipboard(HBITMAP bitmap)
{
  if (!zamra::platform::HaveGuiApplication())
    return 0;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr)
    return 0;
  ReplaceClipboardBitmap(nullptr);
  clipboard->clear();
  if (bitmap == nullptr)
    return 0;
  const QImage image = ImageFromBitmap(bitmap);
  if (image.isNull())
    return 0;
  clipboard->setImage(image);
  DeleteObject(bitmap);  // the clipboard holds its own copy; the bitmap was handed over
  return 1;
}

HBITMAP ZMBitmap::GetClipboardBmp()
{
  if (!zamra::platform::HaveGuiApplication())
    return nullptr;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr)
    return nullptr;
  const QImage image = clipboard->image();
  HBITMAP bitmap = image.isNull() ? nullptr : CreateBitmapFromImage(image);
  ReplaceClipboardBitmap(bitmap);
  return bitmap;
}

int ZMBitmap::WritePNG(const char* path, HDC dc, const RECT& rect)
{
  if (path == nullptr)
    return 0;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  unsigned char* bits = nullptr;
  HDC copy = CopyArea(dc, rect.left, rect.top, width, height, &bits);
  if (copy == nullptr)
    return 0;
  const int result = SavePng(bits, width, height, path);
  DeleteDC(copy);
  return result;
}

int ZMBitmap::SavePng(const unsigned char* bits, int width, int height, const char* path)
{
  if (bits == nullptr || path == nullptr || !ValidSize(width, height))
    return 0;
  // The picture is encoded in memory first, so that the file is replaced only by a whole one.
  std::vector<unsigned char> encoded;
  if (!zamra::base::EncodePng(bits, width, height, GetWidthByteSize24(width), encoded))
    return 0;
  return zamra::base::ReplaceFileContents(path, encoded.data(), encoded.size()) ? 1 : 0;
}

int ZMBitmap::WriteJpeg(const char* path, HDC dc, const RECT& rect)
{
  if (path == nullptr)
    return 0;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  unsigned char* bits = nullptr;
  HDC copy = CopyArea(dc, rect.left, rect.top, width, height, &bits);
  if (copy == nullptr)
    return 0;
  jpeg_compress_struct info{};
  JpegErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JpegFatal;
  errors.base.output_message = JpegSilent;
  // Encoded in memory first (the library's buffer), so that the file is replaced only by a
  // whole picture.
  unsigned char* volatile encoded = nullptr;
  unsigned long encodedSize = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    std::free(encoded);
    DeleteDC(copy);
    return 0;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, const_cast<unsigned char**>(&encoded), &encodedSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  SwapRedAndBlue(bits, width, height);
  const std::size_t stride = static_cast<std::size_t>(GetWidthByteSize24(width));
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = bits + static_cast<std::size_t>(height - 1 - static_cast<int>(info.next_scanline)) * stride;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const bool saved = zamra::base::ReplaceFileContents(path, encoded, encodedSize);
  std::free(encoded);
  DeleteDC(copy);
  return saved ? 1 : 0;
}

HDC ZMBitmap::LoadJpeg(const char* path, int& width, int& height)
{
  if (path == nullptr)
    return nullptr;
  JpegDecoding decoding(zamra::sys::Open(path, O_RDONLY | O_CLOEXEC));
  if (!decoding.file.Valid())
    return nullptr;
  jpeg_decompress_struct& info = decoding.info;
  if (setjmp(decoding.errors.jump))
    return nullptr;  // a libjpeg error: the decoding releases what it holds
  jpeg_create_decompress(&info);
  UseJpegFileSource(info, decoding.source, decoding.file.Get());
  jpeg_read_header(&info, TRUE);
  if (info.num_components != 3 || info.image_width > static_cast<JDIMENSION>(std::numeric_limits<int>::max()) ||
      info.image_height > static_cast<JDIMENSION>(std::numeric_limits<int>::max()) ||
      !JpegDataCanHoldPicture(info, OpenFileSize(decoding.file.Get())))
    return nullptr;
  const int pictureWidth = static_cast<int>(info.image_width);
  const int pictureHeight = static_cast<int>(info.image_height);
  info.out_color_space = JCS_RGB;
  unsigned char* bits = nullptr;
  decoding.dc = CreateMemDc(pictureWidth, pictureHeight, &bits);
  if (decoding.dc == nullptr)
    return nullptr;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width != info.image_width || info.output_height != info.image_height)
    return nullptr;
  const std::size_t stride = static_cast<std::size_t>(GetWidthByteSize24(pictureWidth));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = bits + static_cast<std::size_t>(pictureHeight - 1 - static_cast<int>(info.output_scanline)) * stride;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  SwapRedAndBlue(bits, pictureWidth, pictureHeight);
  width = pictureWidth;
  height = pictureHeight;
  return decoding.TakePicture();
}

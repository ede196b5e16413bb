// EncodePng.
// SPDX-License-Identifier: MIT
#include "base/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

namespace zamra::base {

namespace {

constexpr int kDeflateLevel = 1;  // flat map colours compress well even so, several times faster
// Pieces shorter than this cost more in threads than they save.
constexpr int kMinimumPieceRows = 128;
constexpr size_t kChunkBytes = 1 << 20;

// One run of rows deflated on its own: a raw deflate stream that ends on a byte boundary
// (or, for the last piece, with the final block), and the checksum of its input.
struct Piece {
  int firstRow = 0;
  int endRow = 0;
  bool last = false;
  // Room for the worst case, left uninitialised: the deflated data fills only a part of it.
  std::unique_ptr<unsigned char[]> deflated;
  size_t deflatedSize = 0;
  uLong adler = 0;
  uLong inputLength = 0;
  bool ok = false;
};

void DeflatePiece(const unsigned char* bits, int width, int height, int stride, Piece& piece)
{
  z_stream stream{};
  if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return;
  try {
    const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;  // the filter byte (none), then RGB
    std::vector<unsigned char> row(rowBytes, 0);
    const uLong rows = static_cast<uLong>(piece.endRow - piece.firstRow);
    const size_t room = deflateBound(&stream, rows * rowBytes) + 64;
    piece.deflated.reset(new unsigned char[room]);
    stream.next_out = piece.deflated.get();
    stream.avail_out = static_cast<uInt>(room);
    piece.adler = adler32(0, nullptr, 0);
    for (int y = piece.firstRow; y < piece.endRow; ++y) {
      const unsigned char* source = bits + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride);
      for (int x = 0; x < width; ++x) {
        row[1 + 3 * static_cast<size_t>(x)] = source[3 * static_cast<size_t>(x) + 2];
        row[2 + 3 * static_cast<size_t>(x)] = source[3 * static_cast<size_t>(x) + 1];
        row[3 + 3 * static_cast<size_t>(x)] = source[3 * static_cast<size_t>(x)];
      }
      piece.adler = adler32(piece.adler, row.data(), static_cast<uInt>(rowBytes));
      stream.next_in = row.data();
      stream.avail_in = static_cast<uInt>(rowBytes);
      const bool end = y + 1 == piece.endRow;
      // A full flush ends a middle piece on a byte boundary without the final block.
      const int flush = !end ? Z_NO_FLUSH : piece.last ? Z_FINISH : Z_FULL_FLUSH;
      const int result = deflate(&stream, flush);
      if (result == Z_STREAM_ERROR || stream.avail_in != 0 || (flush == Z_FINISH && result != Z_STREAM_END)) {
        deflateEnd(&stream);
        return;
      }
    }
    piece.inputLength = rows * static_cast<uLong>(rowBytes);
    piece.deflatedSize = room - stream.avail_out;
    piece.ok = true;
  } catch (const std::bad_alloc&) {
    piece.ok = false;
  }
  deflateEnd(&stream);
}

void AppendBigEndian(std::vector<unsigned char>& out, std::uint32_t value)
{
  const unsigned char bytes[4] = {static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                                  static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  out.insert(out.end(), bytes, bytes + 4);
}

// A chunk: its length, type, data and the CRC of type and data.
void AppendChunk(std::vector<unsigned char>& out, const char* type, const unsigned char* data, size_t size)
{
  AppendBigEndian(out, static_cast<std::uint32_t>(size));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + size);
  const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(4 + size));
  AppendBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool EncodePng(const unsigned char* bits, int width, int height, int stride, std::vector<unsigned char>& encoded)
{
  encoded.clear();
  if (bits == nullptr || width <= 0 || height <= 0 || stride / 3 < width)
    return false;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int pieceCount = std::clamp(height / kMinimumPieceRows, 1, std::min(cores, 8));
  try {
    std::vector<Piece> pieces(static_cast<size_t>(pieceCount));
    for (int i = 0; i < pieceCount; ++i) {
      Piece& piece = pieces[static_cast<size_t>(i)];
      piece.firstRow = height * i / pieceCount;
      piece.endRow = height * (i + 1) / pieceCount;
      piece.last = i + 1 == pieceCount;
    }
    {
      std::vector<std::jthread> helpers;
      std::vector<int> unhelped;
      for (int i = 1; i < pieceCount; ++i) {
        try {
          helpers.emplace_back(DeflatePiece, bits, width, height, stride, std::ref(pieces[static_cast<size_t>(i)]));
        } catch (const std::system_error&) {
          unhelped.push_back(i);  // no thread to be had: deflated here
        }
      }
      DeflatePiece(bits, width, height, stride, pieces[0]);
      for (int i : unhelped)
        DeflatePiece(bits, width, height, stride, pieces[static_cast<size_t>(i)]);
    }
    // One zlib stream: its header, the pieces one after another, and the checksum of them all.
    std::vector<unsigned char> data = {0x78, 0x01};
    uLong adler = adler32(0, nullptr, 0);
    for (const Piece& piece : pieces) {
      if (!piece.ok)
        return false;
      data.insert(data.end(), piece.deflated.get(), piece.deflated.get() + piece.deflatedSize);
      adler = adler32_combine(adler, piece.adler, static_cast<z_off_t>(piece.inputLength));
    }
    AppendBigEndian(data, static_cast<std::uint32_t>(adler));

    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    encoded.reserve(data.size() + data.size() / kChunkBytes * 12 + 64);
    encoded.insert(encoded.end(), kSignature, kSignature + 8);
    std::vector<unsigned char> header;
    AppendBigEndian(header, static_cast<std::uint32_t>(width));
    AppendBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a sample, RGB, deflate, filter method 0, no interlace
    AppendChunk(encoded, "IHDR", header.data(), header.size());
    // Image data in chunks of at most a mebibyte, far below the format's limit.
    for (size_t at = 0; at < data.size(); at += kChunkBytes)
      AppendChunk(encoded, "IDAT", data.data() + at, std::min(kChunkBytes, data.size() - at));
    AppendChunk(encoded, "IEND", nullptr, 0);
    return true;
  } catch (const std::bad_alloc&) {
    encoded.clear();
    return false;
  }
}

}  // namespace zamra::base

// Fuzzes the main header decoder and a record walk like the readers' over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "api/formats/shape_type.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 100)
    return 0;
  // An exact-size copy, so that the sanitizer sees any read past the end.
  std::vector<unsigned char> bytes(data, data + size);
  tagShpHead head;
  if (!ZMType::ReadShpHead(bytes.data(), &head))
    return 0;
  size_t offset = 100;
  while (offset + 8 <= bytes.size()) {
    const int64_t length = 2 * static_cast<int64_t>(ZMType::ReadEsriInt(bytes.data() + offset + 4));
    offset += 8;
    if (length < 4 || static_cast<uint64_t>(length) > bytes.size() - offset)
      break;
    const unsigned char* content = bytes.data() + offset;
    const int type = ZMType::ReadInt(content);
    if (type == 3 || type == 5) {
      ST_MPOLYGON polygon;
      if (ZMType::ReadMPolygon(content + 4, static_cast<int>(length - 4), &polygon)) {
        std::vector<unsigned char> again(static_cast<size_t>(ZMType::GetMPolygonSize(&polygon)));
        ZMType::WriteMPolygon(again.data(), &polygon);
      }
    }
    offset += static_cast<size_t>(length);
  }
  return 0;
}

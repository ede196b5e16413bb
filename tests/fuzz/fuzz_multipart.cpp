// Fuzzes the bounded multi-part decoder: whatever the counts claim, it must stay inside the
// bytes it is given and produce parts whose point counts add up, or answer false.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "api/formats/shape_type.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 24))
    return 0;
  std::vector<unsigned char> bytes(data, data + size);
  ST_MPOLYLINE record;
  if (!ZMType::ReadMPolyline(bytes.data(), static_cast<int>(bytes.size()), &record))
    return 0;
  int64_t total = 0;
  for (int i = 0; i < record.partCount; ++i) {
    if (record.parts[i].pointCount < 0)
      std::abort();
    total += record.parts[i].pointCount;
  }
  if (40 + 4 * static_cast<int64_t>(record.partCount) + 16 * total > static_cast<int64_t>(size))
    std::abort();
  return 0;
}

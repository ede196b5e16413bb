// Private: members of a .zip archive read as their deflated bytes and inflated together, with
// libdeflate (some three times zlib's speed on these files) and on two threads when there are
// several: inflating is most of the time a zipped shapefile takes to load.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "shape_core/file_block.h"

namespace zamra::view {

// One member's deflated bytes and where its inflated bytes go.
struct PackedMember {
  FileBytes packed;             // the raw deflate stream, as the archive stores it
  FileBytes* target = nullptr;  // a block of the member's size, allocated, not yet filled
  std::uint32_t crc = 0;        // the CRC-32 the archive gives for the inflated bytes
};

// Inflates every member into its target; false when any stream is broken, inflates to another
// size than its target's or fails its CRC (the targets are then left unspecified). Frees the
// packed bytes as it goes.
bool InflateMembers(std::vector<PackedMember>& members);

}  // namespace zamra::view

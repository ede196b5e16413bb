// PNG encoding of the 24-bit pictures the view draws: an ordinary PNG (no filter, deflate at
// level 1) whose image data is deflated in pieces on all cores and joined into one stream,
// as parallel gzip tools do. Every PNG reader opens it.
// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

namespace zamra::base {

// Encodes a bottom-up picture of blue-green-red pixels, `stride` bytes a row. False when memory
// or the compressor fails; `encoded` is then left empty.
bool EncodePng(const unsigned char* bits, int width, int height, int stride, std::vector<unsigned char>& encoded);

}  // namespace zamra::base

// PlacementGrid: one bit a surface pixel, set where a symbol or label was placed. A bit a
// pixel keeps the whole grid of a large surface in the processor's nearer caches, where the
// tests of a million symbols and labels find it.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zamra::view {

class PlacementGrid final {
public:
  // A grid of width x height free pixels; 0 x 0 holds none.
  void Resize(int width, int height);
  void Clear();
  bool IsEmpty() const { return m_bits.empty(); }
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // The pixel (x, y), which must lie on the grid.
  bool IsClaimed(int x, int y) const
  {
    const std::uint64_t word = m_bits[static_cast<size_t>(y) * m_wordsPerRow + static_cast<size_t>(x) / 64];
    return ((word >> (x % 64)) & 1) != 0;
  }
  // Whether any pixel of columns left .. right by rows top .. bottom is claimed; the range must
  // lie on the grid, and an empty one holds none.
  bool AnyClaimed(int left, int top, int right, int bottom) const;
  // Claims columns left .. right by rows top .. bottom (on the grid; an empty range claims none).
  void Claim(int left, int top, int right, int bottom);

private:
  int m_width = 0;
  int m_height = 0;
  size_t m_wordsPerRow = 0;
  std::vector<std::uint64_t> m_bits;  // rows of m_wordsPerRow words; bit x % 64 of word x / 64
};

}  // namespace zamra::view

// PlacementGrid.
// SPDX-License-Identifier: MIT
#include "drawing/placement_grid.h"

#include <algorithm>

namespace zamra::view {

namespace {

// Bits from..to (0 .. 63, from <= to) of a word.
std::uint64_t Bits(int from, int to)
{
  const std::uint64_t upTo = to == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (to + 1)) - 1;
  return upTo & ~((std::uint64_t{1} << from) - 1);
}

}  // namespace

void PlacementGrid::Resize(int width, int height)
{
  if (width <= 0 || height <= 0) {
    m_width = m_height = 0;
    m_wordsPerRow = 0;
    m_bits = {};
    return;
  }
  m_width = width;
  m_height = height;
  m_wordsPerRow = (static_cast<size_t>(width) + 63) / 64;
  m_bits.assign(m_wordsPerRow * static_cast<size_t>(height), 0);
}

void PlacementGrid::Clear() { std::fill(m_bits.begin(), m_bits.end(), 0); }

bool PlacementGrid::AnyClaimed(int left, int top, int right, int bottom) const
{
  if (left > right || top > bottom)
    return false;
  const int firstWord = left / 64, lastWord = right / 64;
  const std::uint64_t* row = m_bits.data() + static_cast<size_t>(top) * m_wordsPerRow;
  if (firstWord == lastWord) {
    // A box within one word, as most labels' tests are: one masked word a row.
    const std::uint64_t mask = Bits(left % 64, right % 64);
    for (int y = top; y <= bottom; ++y, row += m_wordsPerRow)
      if ((row[firstWord] & mask) != 0)
        return true;
    return false;
  }
  const std::uint64_t firstMask = Bits(left % 64, 63), lastMask = Bits(0, right % 64);
  for (int y = top; y <= bottom; ++y, row += m_wordsPerRow) {
    if ((row[firstWord] & firstMask) != 0 || (row[lastWord] & lastMask) != 0)
      return true;
    for (int word = firstWord + 1; word < lastWord; ++word)
      if (row[word] != 0)
        return true;
  }
  return false;
}

void PlacementGrid::Claim(int left, int top, int right, int bottom)
{
  if (left > right || top > bottom)
    return;
  const int firstWord = left / 64, lastWord = right / 64;
  const std::uint64_t firstMask = firstWord == lastWord ? Bits(left % 64, right % 64) : Bits(left % 64, 63);
  const std::uint64_t lastMask = Bits(0, right % 64);
  std::uint64_t* row = m_bits.data() + static_cast<size_t>(top) * m_wordsPerRow;
  for (int y = top; y <= bottom; ++y, row += m_wordsPerRow) {
    row[firstWord] |= firstMask;
    if (firstWord == lastWord)
      continue;
    row[lastWord] |= lastMask;
    for (int word = firstWord + 1; word < lastWord; ++word)
      row[word] = ~std::uint64_t{0};
  }
}

}  // namespace zamra::view

// Inflating the deflated members of an archive, on up to two threads.
// SPDX-License-Identifier: MIT
#include "sources/packed_members.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include <libdeflate.h>

namespace zamra::view {

namespace {

struct DecompressorFree {
  void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

bool Inflate(libdeflate_decompressor* decompressor, PackedMember& member)
{
  FileBytes& target = *member.target;
  // No size out: the stream must fill the target exactly, as the archive's entry says.
  const bool whole = libdeflate_deflate_decompress(decompressor, member.packed.data.get(),
                                                   static_cast<size_t>(member.packed.size), target.data.get(),
                                                   static_cast<size_t>(target.size), nullptr) == LIBDEFLATE_SUCCESS;
  member.packed = FileBytes();
  return whole && libdeflate_crc32(0, target.data.get(), static_cast<size_t>(target.size)) == member.crc;
}

// Inflates members[order[i]] for the i that `next` hands out, until none is left.
bool InflateShare(std::vector<PackedMember>& members, const std::vector<size_t>& order, std::atomic<size_t>& next)
{
  std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(libdeflate_alloc_decompressor());
  bool sound = decompressor != nullptr;
  for (size_t i = next++; i < order.size(); i = next++)
    sound = decompressor && Inflate(decompressor.get(), members[order[i]]) && sound;
  return sound;
}

}  // namespace

bool InflateMembers(std::vector<PackedMember>& members)
{
  // Largest first, so that the second thread takes the next largest while the first inflates it.
  std::vector<size_t> order(members.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return members[a].target->size > members[b].target->size; });
  std::atomic<size_t> next{0};
  constexpr std::int64_t kWorthAThread = 1 << 20;
  bool helped = true;
  std::thread helper;
  if (members.size() > 1 && members[order[1]].target->size >= kWorthAThread) {
    try {
      helper = std::thread([&] { helped = InflateShare(members, order, next); });
    } catch (...) {
      // No thread to be had: this one inflates them all.
    }
  }
  const bool sound = InflateShare(members, order, next);
  if (helper.joinable())
    helper.join();
  return sound && helped;
}

}  // namespace zamra::view

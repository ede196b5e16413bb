// The kept band threads: every band is drawn once per run, the first on the caller's thread, and
// the others on the same threads from one run to the next.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "drawing/band_workers.h"

using namespace zamra::view;

TEST(BandWorkers, EachBandOnceTheFirstHereTheOthersOnKeptThreads)
{
  BandWorkers workers;
  std::array<std::thread::id, 3> first{}, second{};
  std::array<std::atomic<int>, 3> runs{};
  for (std::array<std::thread::id, 3>* ids : {&first, &second}) {
    workers.Run(3, [&](int band) {
      (*ids)[static_cast<size_t>(band)] = std::this_thread::get_id();
      runs[static_cast<size_t>(band)].fetch_add(1);
    });
    // Run returns only when every band is done: the records are complete here.
    for (const std::thread::id& id : *ids)
      EXPECT_NE(id, std::thread::id());
  }
  for (const std::atomic<int>& count : runs)
    EXPECT_EQ(count.load(), 2);
  EXPECT_EQ(first[0], std::this_thread::get_id());
  EXPECT_NE(first[1], std::this_thread::get_id());
  EXPECT_NE(first[2], std::this_thread::get_id());
  EXPECT_NE(first[1], first[2]);
  EXPECT_EQ(second, first) << "the same threads draw the same bands again";

  int single = 0;
  workers.Run(1, [&](int band) { single += band + 1; });
  EXPECT_EQ(single, 1) << "one band: drawn here, no thread needed";
}

// The hand-off of batches between two threads: every batch arrives once and in order, the maker
// waits when the queue is full, and a user that stops never leaves the maker waiting.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "batch_handoff.h"

TEST(BatchHandoff, BatchesArriveInOrderThroughASmallQueueAndCloseEndsThem)
{
  BatchHandoff<std::vector<int>> handoff(2);
  std::vector<int> received;
  std::thread user([&] {
    std::vector<int> batch;
    while (handoff.Take(batch))
      received.insert(received.end(), batch.begin(), batch.end());
  });
  for (int i = 0; i < 1000; i += 10) {
    std::vector<int> batch;
    for (int j = i; j < i + 10; ++j)
      batch.push_back(j);
    ASSERT_TRUE(handoff.Put(std::move(batch)));
  }
  handoff.Close();
  user.join();
  ASSERT_EQ(received.size(), 1000u);
  for (int i = 0; i < 1000; ++i)
    EXPECT_EQ(received[static_cast<size_t>(i)], i);
}

TEST(BatchHandoff, AUserThatStopsReleasesAWaitingMaker)
{
  BatchHandoff<int> handoff(1);
  std::thread user([&] {
    int batch = 0;
    ASSERT_TRUE(handoff.Take(batch));
    EXPECT_EQ(batch, 1);
    handoff.Stop();
  });
  // The queue holds one: the maker waits on the third until the user stops, then hears so.
  int put = 0;
  while (handoff.Put(++put)) {
  }
  user.join();
  EXPECT_GE(put, 2);
  EXPECT_LE(put, 3);
  EXPECT_FALSE(handoff.Put(0));
  handoff.Close();
  // What was queued before the stop is still there: the second, when the user took the first
  // before the maker's second went in.
  int left = 0;
  EXPECT_EQ(handoff.Take(left), put == 3);
}

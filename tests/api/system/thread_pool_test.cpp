// ZMThreadPool: configuration, growth, limits, slot order, idle shrink and Destroy.
// SPDX-License-Identifier: MIT
#include "api/system/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A gate that tasks wait at until the test opens it.
class Gate {
public:
  void Open()
  {
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_changed.notify_all();
  }
  void Pass()
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_open; });
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_open = false;
};

// What the tasks of one test share: a journal of names in running order, a count of tasks
// running at once and its highest value.
struct Journal {
  std::mutex mutex;
  std::vector<std::string> order;
  std::atomic<int> running{0};
  std::atomic<int> mostAtOnce{0};
  std::atomic<int> done{0};
};

struct Job {
  Journal* journal;
  std::string name;
  Gate* gate;  // may be null
  std::atomic<bool> started{false};
};

DWORD RunJob(void* argument)
{
  auto* job = static_cast<Job*>(argument);
  Journal& journal = *job->journal;
  {
    std::lock_guard lock(journal.mutex);
    journal.order.push_back(job->name);
  }
  const int now = ++journal.running;
  int most = journal.mostAtOnce.load();
  while (now > most && !journal.mostAtOnce.compare_exchange_weak(most, now)) {
  }
  job->started = true;
  if (job->gate)
    job->gate->Pass();
  --journal.running;
  ++journal.done;
  return 0;
}

std::string Info(ZMThreadPool& pool)
{
  char text[64 * 32 + 1] = "";
  pool.GetThreadInfo(text);
  return text;
}

int RunningWorkers(ZMThreadPool& pool)
{
  const std::string info = Info(pool);
  int count = 0;
  for (size_t at = info.find("RunState=1"); at != std::string::npos; at = info.find("RunState=1", at + 1))
    ++count;
  return count;
}

// Waits (bounded) until `condition` holds; the bound only keeps a broken build from hanging.
template <typename Condition>
bool Eventually(Condition condition)
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Fills the pool with tasks held at one gate; answers how many were accepted.
int FillUntilRefused(ZMThreadPool& pool, Journal& journal, Gate& gate, std::vector<std::unique_ptr<Job>>& jobs)
{
  for (int i = 0; i < 1000; ++i) {
    jobs.push_back(std::make_unique<Job>());
    jobs.back()->journal = &journal;
    jobs.back()->name = std::to_string(i);
    jobs.back()->gate = &gate;
    if (pool.AddTask(RunJob, jobs.back().get()) == 0)
      return i;
  }
  return -1;
}

class ThreadPoolTest : public ::testing::Test {
protected:
  void TearDown() override { ZMThreadPool::SetIdleTimeOut(10000); }
};

}  // namespace

TEST_F(ThreadPoolTest, OrdersLimitsAndSizesTablesFromEitherArgumentOrder)
{
  {
    ZMThreadPool pool;
    pool.SetMaxThreads(4, 1);
    EXPECT_EQ(Info(pool), "Thread_0:RunState=1\r\nThread_1:RunState=0\r\nThread_2:RunState=0\r\n"
                          "Thread_3:RunState=0\r\n");
    Journal journal;
    Gate gate;
    std::vector<std::unique_ptr<Job>> jobs;
    EXPECT_EQ(FillUntilRefused(pool, journal, gate, jobs), 40);
    EXPECT_LE(journal.mostAtOnce.load(), 4);
    gate.Open();
    pool.Destroy();
    EXPECT_EQ(journal.done.load(), 40);
    EXPECT_EQ(Info(pool), "");
  }
  {
    ZMThreadPool pool;
    pool.SetMaxThreads(-3, 0);
    EXPECT_EQ(Info(pool), "Thread_0:RunState=1\r\n");
    Journal journal;
    Gate gate;
    std::vector<std::unique_ptr<Job>> jobs;
    EXPECT_EQ(FillUntilRefused(pool, journal, gate, jobs), 10);
    gate.Open();
    pool.Destroy();
    EXPECT_EQ(journal.done.load(), 10);
  }
}

TEST_F(ThreadPoolTest, CapsTheMaximumAtWhatDestroyCanWaitFor)
{
  ZMThreadPool pool;
  pool.SetMaxThreads(1, 500);
  const std::string info = Info(pool);
  EXPECT_NE(info.find("Thread_63:"), std::string::npos);
  EXPECT_EQ(info.find("Thread_64:"), std::string::npos);
  Journal journal;
  Gate gate;
  std::vector<std::unique_ptr<Job>> jobs;
  EXPECT_EQ(FillUntilRefused(pool, journal, gate, jobs), 640);
  EXPECT_LE(RunningWorkers(pool), 64);
  gate.Open();
  pool.Destroy();
  EXPECT_EQ(journal.done.load(), 640);
}

TEST_F(ThreadPoolTest, StartsWorkersOnDemandUpToTheMaximum)
{
  // Idle workers must be woken by the submissions, not by their idle time-out.
  ZMThreadPool::SetIdleTimeOut(60000);
  ZMThreadPool pool;
  pool.SetMaxThreads(0, 2);
  EXPECT_EQ(RunningWorkers(pool), 0);
  Journal journal;
  Gate gate;
  Job jobs[3];
  for (int i = 0; i < 3; ++i) {
    jobs[i].journal = &journal;
    jobs[i].name = std::to_string(i);
    jobs[i].gate = &gate;
    ASSERT_EQ(pool.AddTask(RunJob, &jobs[i]), 1);
  }
  EXPECT_EQ(RunningWorkers(pool), 2);
  ASSERT_TRUE(Eventually([&] { return journal.running.load() == 2; }));
  gate.Open();
  ASSERT_TRUE(Eventually([&] { return journal.done.load() == 3; }));
  EXPECT_EQ(journal.mostAtOnce.load(), 2);
  pool.Destroy();
}

TEST_F(ThreadPoolTest, ConcurrentSubmissionsNeverShareAWorkerEntry)
{
  ZMThreadPool pool;
  pool.SetMaxThreads(0, 8);
  Journal journal;
  constexpr int kPerThread = 8;
  std::vector<std::unique_ptr<Job>> jobs;
  for (int i = 0; i < 4 * kPerThread; ++i) {
    jobs.push_back(std::make_unique<Job>());
    jobs.back()->journal = &journal;
  }
  std::vector<std::thread> submitters;
  std::atomic<int> accepted{0};
  for (int t = 0; t < 4; ++t)
    submitters.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i)
        accepted += pool.AddTask(RunJob, jobs[t * kPerThread + i].get());
    });
  for (auto& submitter : submitters)
    submitter.join();
  EXPECT_EQ(accepted.load(), 4 * kPerThread);
  ASSERT_TRUE(Eventually([&] { return journal.done.load() == 4 * kPerThread; }));
  EXPECT_LE(journal.mostAtOnce.load(), 8);
  pool.Destroy();
}

TEST_F(ThreadPoolTest, TakesQueuedTasksInSlotOrder)
{
  ZMThreadPool pool;
  pool.SetMaxThreads(1, 1);
  Journal journal;
  Gate first, second;
  Job a{&journal, "A", &first}, b{&journal, "B", &second}, c{&journal, "C", nullptr}, d{&journal, "D", nullptr};
  ASSERT_EQ(pool.AddTask(RunJob, &a), 1);  // slot 0
  ASSERT_TRUE(Eventually([&] { return a.started.load(); }));
  ASSERT_EQ(pool.AddTask(RunJob, &b), 1);  // slot 1
  ASSERT_EQ(pool.AddTask(RunJob, &c), 1);  // slot 2
  first.Open();
  ASSERT_TRUE(Eventually([&] { return b.started.load(); }));
  ASSERT_EQ(pool.AddTask(RunJob, &d), 1);  // slot 0 again, freed by A
  second.Open();
  pool.Destroy();
  EXPECT_EQ(journal.order, (std::vector<std::string>{"A", "B", "D", "C"}));
}

TEST_F(ThreadPoolTest, IdleWorkersAboveTheMinimumEnd)
{
  ZMThreadPool::SetIdleTimeOut(100);
  ZMThreadPool pool;
  pool.SetMaxThreads(1, 3);
  Journal journal;
  Gate gate;
  Job jobs[3];
  for (auto& job : jobs) {
    job.journal = &journal;
    job.gate = &gate;
    ASSERT_EQ(pool.AddTask(RunJob, &job), 1);
  }
  ASSERT_TRUE(Eventually([&] { return journal.running.load() == 3; }));
  EXPECT_EQ(RunningWorkers(pool), 3);
  gate.Open();
  ASSERT_TRUE(Eventually([&] { return RunningWorkers(pool) == 1; }));
  // The minimum stays through several more idle periods.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(RunningWorkers(pool), 1);
  // An ended worker's entry is used again.
  Job again{&journal, "again", nullptr};
  ASSERT_EQ(pool.AddTask(RunJob, &again), 1);
  ASSERT_TRUE(Eventually([&] { return journal.done.load() == 4; }));
  pool.Destroy();
}

TEST_F(ThreadPoolTest, ReportsEveryEntryAfterTheCallersText)
{
  ZMThreadPool pool;
  pool.SetMaxThreads(1, 2);
  char text[128] = "pool:\r\n";
  pool.GetThreadInfo(text);
  EXPECT_STREQ(text, "pool:\r\nThread_0:RunState=1\r\nThread_1:RunState=0\r\n");
  pool.Destroy();
}

TEST_F(ThreadPoolTest, DestroyWaitsForRunningAndQueuedTasks)
{
  ZMThreadPool pool;
  pool.SetMaxThreads(1, 1);
  Journal journal;
  Gate gate;
  Job first{&journal, "first", &gate}, second{&journal, "second", nullptr}, third{&journal, "third", nullptr};
  ASSERT_EQ(pool.AddTask(RunJob, &first), 1);
  ASSERT_EQ(pool.AddTask(RunJob, &second), 1);
  ASSERT_EQ(pool.AddTask(RunJob, &third), 1);
  ASSERT_TRUE(Eventually([&] { return first.started.load(); }));
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    gate.Open();
  });
  pool.Destroy();
  EXPECT_EQ(journal.done.load(), 3);
  opener.join();
  EXPECT_EQ(pool.AddTask(RunJob, &second), 0);  // the pool is empty now
}

TEST_F(ThreadPoolTest, UnstartedPoolRefusesTasksAndDestroysQuietly)
{
  ZMThreadPool pool;
  Journal journal;
  Job job{&journal, "never", nullptr};
  EXPECT_EQ(pool.AddTask(RunJob, &job), 0);
  EXPECT_EQ(pool.OnThread(), 1u);  // not a worker of this pool
  pool.Destroy();
  EXPECT_EQ(journal.done.load(), 0);
}

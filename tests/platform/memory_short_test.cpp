// Answering a failure value when work runs out of memory, and only then.
// SPDX-License-Identifier: MIT
#include "platform/memory_short.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace {

int g_value = 7;

}  // namespace

TEST(OrIfMemoryShort, AnswersWhatTheWorkAnswers)
{
  EXPECT_EQ(zamra::sys::OrIfMemoryShort(0, [] { return 42; }), 42);
  EXPECT_EQ(zamra::sys::OrIfMemoryShort(nullptr, [] { return &g_value; }), &g_value);
  EXPECT_EQ(zamra::sys::OrIfMemoryShort(std::string("failed"), [] { return std::string(300, 'x'); }),
            std::string(300, 'x'));
}

TEST(OrIfMemoryShort, AnswersTheFailureWhenMemoryRunsOut)
{
  int runs = 0;
  EXPECT_EQ(zamra::sys::OrIfMemoryShort(-1,
                                        [&]() -> int {
                                          ++runs;
                                          throw std::bad_alloc();
                                        }),
            -1);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(zamra::sys::OrIfMemoryShort(nullptr, []() -> int* { throw std::bad_array_new_length(); }), nullptr);
  EXPECT_FALSE(zamra::sys::OrIfMemoryShort(false, []() -> bool { throw std::bad_alloc(); }));
  // A result that cannot be copied is handed back as well.
  auto failure = zamra::sys::OrIfMemoryShort(std::unique_ptr<int>(),
                                             []() -> std::unique_ptr<int> { throw std::bad_alloc(); });
  EXPECT_EQ(failure, nullptr);
}

TEST(OrIfMemoryShort, LetsOtherExceptionsThrough)
{
  EXPECT_THROW(zamra::sys::OrIfMemoryShort(0, []() -> int { throw std::runtime_error("broken"); }), std::runtime_error);
  EXPECT_THROW(zamra::sys::OrIfMemoryShort(0, []() -> int { throw 5; }), int);
}

TEST(RunIgnoringMemoryShort, RunsTheWork)
{
  int runs = 0;
  zamra::sys::RunIgnoringMemoryShort([&] { ++runs; });
  EXPECT_EQ(runs, 1);
}

TEST(RunIgnoringMemoryShort, StopsWhereMemoryRanOut)
{
  int steps = 0;
  EXPECT_NO_THROW(zamra::sys::RunIgnoringMemoryShort([&] {
    ++steps;
    throw std::bad_alloc();
  }));
  EXPECT_EQ(steps, 1);
}

TEST(RunIgnoringMemoryShort, LetsOtherExceptionsThrough)
{
  EXPECT_THROW(zamra::sys::RunIgnoringMemoryShort([] { throw std::logic_error("broken"); }), std::logic_error);
}

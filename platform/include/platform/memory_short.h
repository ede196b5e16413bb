// Running out of memory at a library's boundary. The functions the libraries offer report
// success or failure, never an exception, so each allocating step is wrapped where it meets the
// caller; most wrappers answer a failure value and nothing else, and share this one form.
// SPDX-License-Identifier: MIT
#pragma once

#include <new>
#include <type_traits>
#include <utility>

namespace zamra::sys {

// What `work()` answers, or `failure` when it runs out of memory (std::bad_alloc). Any other
// exception goes on to the caller. `failure` takes the type `work` answers, so nullptr, 0 and
// false serve as they are.
template <typename Work>
std::invoke_result_t<Work&> OrIfMemoryShort(std::invoke_result_t<Work&> failure, Work&& work)
{
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return failure;
  }
}

// Runs `work()`; should it run out of memory, it stops where it got to and the caller goes on
// as if it had finished. Any other exception goes on to the caller.
template <typename Work>
void RunIgnoringMemoryShort(Work&& work)
{
  try {
    work();
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace zamra::sys

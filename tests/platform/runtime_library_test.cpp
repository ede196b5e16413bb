// Libraries opened while the program runs: a present one and its functions, and clear failures
// for a missing library or a missing function.
// SPDX-License-Identifier: MIT
#include "platform/runtime_library.h"

#include <cstring>

#include <gtest/gtest.h>

using zamra::platform::CloseRuntimeLibrary;
using zamra::platform::FindRuntimeFunction;
using zamra::platform::OpenRuntimeLibrary;

TEST(RuntimeLibrary, FunctionsOfAPresentLibraryAndClearFailuresOtherwise)
{
  void* zlib = OpenRuntimeLibrary("libz.so.1");
  ASSERT_NE(zlib, nullptr);
  const char* (*version)() = nullptr;
  ASSERT_TRUE(FindRuntimeFunction(zlib, "zlibVersion", version));
  EXPECT_EQ(std::strncmp(version(), "1.", 2), 0);
  int (*missing)() = nullptr;
  EXPECT_FALSE(FindRuntimeFunction(zlib, "zamra_no_such_function", missing));
  EXPECT_EQ(missing, nullptr);
  CloseRuntimeLibrary(zlib);

  EXPECT_EQ(OpenRuntimeLibrary("libzamra-no-such-library.so.7"), nullptr);
  EXPECT_EQ(OpenRuntimeLibrary(nullptr), nullptr);
  EXPECT_FALSE(FindRuntimeFunction(nullptr, "zlibVersion", version));
  CloseRuntimeLibrary(nullptr);  // nothing to close, nothing done
}

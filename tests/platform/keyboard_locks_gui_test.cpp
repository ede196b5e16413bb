// ReadKeyLock: the lock keys' states from the X server's keyboard indicators, and unknown where
// no X server tells them.
// SPDX-License-Identifier: MIT
#include "platform/keyboard_locks.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include "platform/runtime_library.h"
#include "support/x11_child.h"

using zamra::platform::KeyLock;
using zamra::platform::KeyLockState;
using zamra::platform::ReadKeyLock;

namespace {

// Locks or unlocks Caps Lock on the X server as the key itself would (XkbLockModifiers with the
// Lock modifier), and waits until the server has done it.
bool SetCapsLock(bool on)
{
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  void* library = zamra::platform::OpenRuntimeLibrary("libX11.so.6");
  int (*lockModifiers)(Display*, unsigned, unsigned, unsigned) = nullptr;
  int (*sync)(Display*, int) = nullptr;
  if (display == nullptr || library == nullptr ||
      !zamra::platform::FindRuntimeFunction(library, "XkbLockModifiers", lockModifiers) ||
      !zamra::platform::FindRuntimeFunction(library, "XSync", sync))
    return false;
  constexpr unsigned kUseCoreKeyboard = 0x0100;
  constexpr unsigned kLockMask = 1u << 1;
  const bool done = lockModifiers(display, kUseCoreKeyboard, kLockMask, on ? kLockMask : 0) != 0;
  sync(display, 0);
  return done;
}

}  // namespace

TEST(KeyboardLocks, UnknownWithoutAnXServer)
{
  if (zamra_test::OnX11Child())
    GTEST_SKIP() << "runs offscreen";
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
  for (KeyLock lock : {KeyLock::Caps, KeyLock::Num, KeyLock::Scroll})
    EXPECT_EQ(ReadKeyLock(lock), KeyLockState::Unknown);
}

TEST(KeyboardLocks, FollowTheXServersIndicators)
{
  if (zamra_test::OnX11Child())
    GTEST_SKIP() << "the copy on the X server runs KeyboardLocksOnX11";
  if (!zamra_test::HaveXvfbRun())
    GTEST_SKIP() << "xvfb-run is not installed (scripts/setup installs it)";
  int status = -1;
  const std::string output = zamra_test::RunOnX11Child("KeyboardLocksOnX11.*", &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(KeyboardLocksOnX11, CapsLockOnAndOff)
{
  if (!zamra_test::OnX11Child())
    GTEST_SKIP() << "runs on a virtual X server, started by FollowTheXServersIndicators";
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  ASSERT_TRUE(SetCapsLock(false));
  EXPECT_EQ(ReadKeyLock(KeyLock::Caps), KeyLockState::Off);
  EXPECT_EQ(ReadKeyLock(KeyLock::Num), KeyLockState::Off);
  EXPECT_EQ(ReadKeyLock(KeyLock::Scroll), KeyLockState::Off);
  ASSERT_TRUE(SetCapsLock(true));
  EXPECT_EQ(ReadKeyLock(KeyLock::Caps), KeyLockState::On);
  EXPECT_EQ(ReadKeyLock(KeyLock::Num), KeyLockState::Off);
  ASSERT_TRUE(SetCapsLock(false));
  EXPECT_EQ(ReadKeyLock(KeyLock::Caps), KeyLockState::Off);
}

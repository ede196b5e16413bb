// The status bar's CAP, NUM and SCRL panes: they name a lock key while it is on, and stay blank
// where the display server does not tell the lock states.
// SPDX-License-Identifier: MIT
#include "main_frame.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include "app/frame_test.h"
#include "platform/runtime_library.h"
#include "support/x11_child.h"

namespace {

class StatusLockPanes : public zamra_test::FrameTest {
protected:
  QStringList Panes() const
  {
    return {m_frame->StatusPane(3)->text(), m_frame->StatusPane(4)->text(), m_frame->StatusPane(5)->text()};
  }
  // Lets the frame look at the lock states again until its panes read `expected` (at most 10 s).
  bool PanesBecome(const QStringList& expected) const
  {
    QElapsedTimer clock;
    clock.start();
    while (Panes() != expected && clock.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Panes() == expected;
  }
};

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

TEST_F(StatusLockPanes, BlankWhereTheLockStatesAreUnknown)
{
  if (zamra_test::OnX11Child())
    GTEST_SKIP() << "runs offscreen";
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
  EXPECT_EQ(Panes(), (QStringList{QString(), QString(), QString()}));
  // Blank panes keep the width of their names, so that the status bar does not jump.
  const QFontMetrics metrics(m_frame->StatusPane(3)->font());
  EXPECT_GE(m_frame->StatusPane(3)->width(), metrics.horizontalAdvance(QStringLiteral("CAP")));
  EXPECT_GE(m_frame->StatusPane(5)->width(), metrics.horizontalAdvance(QStringLiteral("SCRL")));
}

TEST_F(StatusLockPanes, FollowCapsLockOnX11)
{
  if (zamra_test::OnX11Child())
    GTEST_SKIP() << "the copy on the X server runs StatusLockPanesOnX11";
  if (!zamra_test::HaveXvfbRun())
    GTEST_SKIP() << "xvfb-run is not installed (scripts/setup installs it)";
  int status = -1;
  const std::string output = zamra_test::RunOnX11Child("StatusLockPanesOnX11.*", &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

class StatusLockPanesOnX11 : public StatusLockPanes {};

TEST_F(StatusLockPanesOnX11, CapsLockComesAndGoes)
{
  if (!zamra_test::OnX11Child())
    GTEST_SKIP() << "runs on a virtual X server, started by FollowCapsLockOnX11";
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  ASSERT_TRUE(SetCapsLock(false));
  EXPECT_TRUE(PanesBecome({QString(), QString(), QString()})) << Panes().join(u'|').toStdString();
  ASSERT_TRUE(SetCapsLock(true));
  EXPECT_TRUE(PanesBecome({QStringLiteral("CAP"), QString(), QString()})) << Panes().join(u'|').toStdString();
  ASSERT_TRUE(SetCapsLock(false));
  EXPECT_TRUE(PanesBecome({QString(), QString(), QString()})) << Panes().join(u'|').toStdString();
}

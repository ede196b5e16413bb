// The lock keys' states from X11's keyboard extension.
// SPDX-License-Identifier: MIT
#include "platform/keyboard_locks.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>  // QNativeInterface::QX11Application

#include "platform/runtime_library.h"

namespace zamra::platform {

namespace {

// The few X library entry points used, with the library's own argument types spelled out so
// that no X header is needed: Atom is an unsigned long, Bool an int.
using InternAtomFunction = unsigned long (*)(Display*, const char*, int);
using GetNamedIndicatorFunction = int (*)(Display*, unsigned long, int*, int*, void*, int*);

struct X11Functions {
  InternAtomFunction internAtom = nullptr;
  GetNamedIndicatorFunction getNamedIndicator = nullptr;
};

// Resolved once. The X11 platform plugin links the library, so opening it costs nothing more.
const X11Functions* Functions()
{
  static const X11Functions functions = [] {
    X11Functions found;
    void* library = OpenRuntimeLibrary("libX11.so.6");
    if (library == nullptr)
      return found;
    if (!FindRuntimeFunction(library, "XInternAtom", found.internAtom) ||
        !FindRuntimeFunction(library, "XkbGetNamedIndicator", found.getNamedIndicator))
      found = X11Functions{};
    return found;
  }();
  return functions.internAtom != nullptr ? &functions : nullptr;
}

const char* IndicatorName(KeyLock lock)
{
  switch (lock) {
  case KeyLock::Caps:
    return "Caps Lock";
  case KeyLock::Num:
    return "Num Lock";
  case KeyLock::Scroll:
    return "Scroll Lock";
  }
  return nullptr;
}

}  // namespace

KeyLockState ReadKeyLock(KeyLock lock)
{
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (application == nullptr)
    return KeyLockState::Unknown;
  auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  const char* name = IndicatorName(lock);
  if (display == nullptr || name == nullptr)
    return KeyLockState::Unknown;
  const X11Functions* functions = Functions();
  if (functions == nullptr)
    return KeyLockState::Unknown;
  const unsigned long atom = functions->internAtom(display, name, 1);  // only if it exists
  int index = 0, state = 0, real = 0;
  alignas(8) unsigned char map[64] = {};  // an indicator map (12 bytes); read back, not used
  if (atom == 0 || functions->getNamedIndicator(display, atom, &index, &state, map, &real) == 0)
    return KeyLockState::Unknown;
  return state != 0 ? KeyLockState::On : KeyLockState::Off;
}

}  // namespace zamra::platform

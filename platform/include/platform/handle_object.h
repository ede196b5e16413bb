// The object behind every HANDLE of the platform layer (private to the platform layer and the
// libraries built on it). Each kind of handle derives from it; CloseHandle deletes it.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

class ZAMRA_PLATFORM_API HandleObject {
public:
  HandleObject() = default;
  virtual ~HandleObject();
  HandleObject(const HandleObject&) = delete;
  HandleObject& operator=(const HandleObject&) = delete;

  static HandleObject* FromHandle(HANDLE handle)
  {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
      return nullptr;
    return static_cast<HandleObject*>(handle);
  }
  HANDLE ToHandle() { return static_cast<HANDLE>(this); }
};

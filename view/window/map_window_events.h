// MapWindowEvents: what the map's window asks of the view it shows, so that the window needs
// nothing else of the view.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/win_types.h"

namespace zamra::view {

// What the window asks of the view it shows. Sizes and positions are in window pixels except
// where said.
class MapWindowEvents {
public:
  virtual void OnSize(int width, int height) = 0;
  // Takes the window's device pixel ratio when it differs from the one last taken (a new
  // screen, a new scale factor): the surface is remade at the new ratio.
  virtual void FollowWindowRatio() = 0;
  // Paints the window through `windowDC`, which counts device pixels: width x height of them.
  virtual void OnPaint(HDC windowDC, int width, int height) = 0;
  virtual void OnMouseMove(int x, int y) = 0;
  virtual void OnLeftPress(int x, int y) = 0;
  virtual void OnLeftRelease(int x, int y) = 0;
  virtual void OnRightRelease(int x, int y) = 0;
  virtual void OnWheel(int rotation) = 0;
  virtual bool IsDragging() const = 0;

protected:
  ~MapWindowEvents() = default;
};

}  // namespace zamra::view

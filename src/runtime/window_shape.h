// The window's shape as the program gave it, in its own pixels, and as the backend has it in
// device pixels: given again whenever the desktop's scale changes.
#pragma once

#include <span>

#include "runtime/geometry.h"

namespace oculon {

// Cuts the window to the union of `rects` (program pixels, window coordinates) at the current
// scale, and remembers them; false when the backend could not.
bool ShapeWindow(std::span<const PixelRect> rects);
// A new window is not cut at all.
void ForgetWindowShape();
// Cuts the window again at the current scale to what it was last cut to; nothing when it never
// was.
void ReshapeWindow();

}  // namespace oculon

// Learning a window manager's frame offset from where the window's client area landed.
#pragma once

#include "runtime/geometry.h"

namespace oculon::x11 {

// WORKAROUND(i3 4.22, awesome 4.3): they place a new window's frame, not its client area, at the
// asked point.
// Shortly after the first map, each time the window is configured, where the client area
// landed off the asked position by what looks like a frame (above and left of it, at most
// kMaxFrameOffset at 96 dpi, more on a scaled desktop), the window is asked for again; where the
// same offset comes back, it is the frame's, and is subtracted from then on. Anything else is the
// manager's own rule (it kept the window on the screen, or placed it where it likes), and is left
// to it.
class FrameOffset {
 public:
  static constexpr int kMaxFrameOffset = 64;

  // Whether the check still looks at the window's places.
  bool Checking() const { return asks_ < kAsks; }
  // Asks made so far.
  int Asks() const { return asks_; }
  // Takes where the client landed less where it was asked for, and whether the manager put the
  // window into a frame of its own (reparented it); true when the window should be asked for
  // again. A window in no frame has no frame offset: where it landed is the manager's rule (a
  // panel it keeps windows off, such as GNOME's top bar).
  bool Landed(PixelPoint offset, bool framed = true, int largestFrame = kMaxFrameOffset);
  // What to subtract from an asked position.
  PixelPoint Offset() const { return offset_; }

 private:
  static constexpr int kAsks = 2;
  int asks_ = 0;
  PixelPoint lastOffset_;
  PixelPoint offset_;
};

}  // namespace oculon::x11

// What a left press on the window becomes: the second press of a double-click, or, once the
// pointer has travelled the drag threshold with the button held, a move of the window.
#pragma once

#include <cstdint>

#include "runtime/geometry.h"

namespace oculon::x11 {

// Lengths are at 96 dpi, and grow with the desktop's scale.
class PressRule {
 public:
  // A press whose pointer travels this far either way with the button held becomes a move.
  static constexpr int kDragThreshold = 4;
  // Two left presses this close in time and place make a double-click.
  static constexpr uint32_t kDoubleClickMs = 500;
  static constexpr int kDoubleClickDistance = 4;

  // A left press at `root` at the server's `time` (milliseconds, wrapping): true when it pairs
  // with the last press into a double-click. A third press starts a new pair.
  bool Pressed(uint32_t time, PixelPoint root, int dpi);
  // Whether the pointer's travel from `press` to `now` makes the press a move.
  static bool IsDrag(PixelPoint press, PixelPoint now, int dpi);
  // A press that became a move is no first click.
  void Dragged() { lastCanPair_ = false; }

 private:
  uint32_t lastTime_ = 0;
  PixelPoint lastRoot_;
  bool lastCanPair_ = false;
};

}  // namespace oculon::x11

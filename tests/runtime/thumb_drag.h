// Dragging a scroll bar's thumb, which no desktop can reach on the hidden panel: Scroll is
// raised on every step that changes the value.
#pragma once

#include <algorithm>

#include "runtime/controls.h"

namespace oculon {

struct ThumbDrag {
  static void To(ScrollBar& bar, int16_t value) {
    value = std::clamp(value, bar.range_.min, bar.range_.max);
    if (value == bar.value_) return;
    bar.value_ = value;
    if (bar.Scroll) bar.Scroll();
  }
};

}  // namespace oculon

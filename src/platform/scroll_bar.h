// Horizontal and vertical scroll bars: a 16-bit value between Min and Max, moved by keys.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/control.h"

namespace oculon {

struct ScrollRange {
  int16_t min = 0;
  int16_t max = 32767;
  int16_t smallChange = 1;
  int16_t largeChange = 1;
};

class ScrollBar : public Control {
 public:
  ScrollBar(int tabIndex, TwipsLayout layout, ScrollRange range, int16_t value)
      : Control(tabIndex, layout, true), range_(range), value_(value) {}

  int16_t Value() const { return value_; }
  // Raises Change when the value changes; error 380 outside Min..Max.
  void SetValue(int16_t value);
  const ScrollRange& Range() const { return range_; }

  // Arrows move by SmallChange, Page Up and Page Down by LargeChange, Home and End to the ends.
  void OnKey(Key key) override;

  std::function<void()> Change;
  std::function<void()> Scroll;

 private:
  // No desktop reaches the thumb of a hidden panel; tests drag it to raise Scroll.
  friend struct ThumbDrag;

  void StepBy(int delta);

  ScrollRange range_;
  int16_t value_;
};

}  // namespace oculon

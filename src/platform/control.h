// What every control of a window shares: its place in the keyboard order and its layout.
#pragma once

#include "platform/backend.h"

namespace oculon {

// A control's position and size in twips, relative to the client area.
struct TwipsLayout {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class Control {
 public:
  Control(int tabIndex, TwipsLayout layout, bool takesFocus)
      : tabIndex_(tabIndex), layout_(layout), takesFocus_(takesFocus) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  int TabIndex() const { return tabIndex_; }
  const TwipsLayout& Layout() const { return layout_; }
  bool TakesFocus() const { return takesFocus_; }
  // A key pressed while this control has the focus.
  virtual void OnKey(Key) {}

 private:
  int tabIndex_;
  TwipsLayout layout_;
  bool takesFocus_;
};

}  // namespace oculon

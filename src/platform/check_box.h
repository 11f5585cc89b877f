// Check boxes: Value 0 unchecked, 1 checked, 2 greyed; Space toggles it and raises Click.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/control.h"

namespace oculon {

class CheckBox : public Control {
 public:
  CheckBox(int tabIndex, TwipsLayout layout, std::string caption, int16_t value)
      : Control(tabIndex, layout, true), caption_(std::move(caption)), value_(value) {}

  int16_t Value() const { return value_; }
  // Raises Click when the value changes; error 380 for anything but 0, 1 and 2.
  void SetValue(int16_t value);
  const std::string& Caption() const { return caption_; }

  // Space checks an unchecked box and clears a checked or greyed one.
  void OnKey(Key key) override;

  std::function<void()> Click;

 private:
  std::string caption_;
  int16_t value_;
};

}  // namespace oculon

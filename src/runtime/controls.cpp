// The controls' values and their keyboard models.
#include "runtime/controls.h"

#include <algorithm>

#include "runtime/run_time_error.h"

namespace oculon {

Label& LabelArray::operator()(int index) {
  if (index < 0 || size_t(index) >= labels_.size()) Raise(ErrorNumber::kInvalidProcedureCall);
  return *labels_[size_t(index)];
}

void CheckBox::SetValue(int16_t value) {
  if (value < 0 || value > 2) Raise(ErrorNumber::kInvalidPropertyValue);
  if (value == value_) return;
  value_ = value;
  if (Click) Click();
}

void CheckBox::OnKey(Key key) {
  if (key == Key::kSpace) SetValue(value_ == 0 ? 1 : 0);
}

void ScrollBar::SetValue(int16_t value) {
  if (value < range_.min || value > range_.max) Raise(ErrorNumber::kInvalidPropertyValue);
  if (value == value_) return;
  value_ = value;
  if (Change) Change();
}

void ScrollBar::StepBy(int delta) {
  SetValue(static_cast<int16_t>(std::clamp(value_ + delta, int{range_.min}, int{range_.max})));
}

void ScrollBar::OnKey(Key key) {
  switch (key) {
    case Key::kLeft:
    case Key::kUp:
      StepBy(-range_.smallChange);
      break;
    case Key::kRight:
    case Key::kDown:
      StepBy(range_.smallChange);
      break;
    case Key::kPageUp:
      StepBy(-range_.largeChange);
      break;
    case Key::kPageDown:
      StepBy(range_.largeChange);
      break;
    case Key::kHome:
      SetValue(range_.min);
      break;
    case Key::kEnd:
      SetValue(range_.max);
      break;
    default:
      break;
  }
}

}  // namespace oculon

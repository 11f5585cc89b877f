// Check box values and the Space key.
#include "platform/check_box.h"

#include "platform/run_time_error.h"

namespace oculon {

void CheckBox::SetValue(int16_t value) {
  if (value < 0 || value > 2) Raise(ErrorNumber::kInvalidPropertyValue);
  if (value == value_) return;
  value_ = value;
  if (Click) Click();
}

void CheckBox::OnKey(Key key) {
  if (key == Key::kSpace) SetValue(value_ == 0 ? 1 : 0);
}

}  // namespace oculon

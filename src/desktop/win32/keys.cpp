// Virtual-key codes and MK_ flags to the runtime's keys and shift states.
#include "desktop/win32/keys.h"

namespace oculon::win32 {

std::optional<Key> KeyFrom(WPARAM virtualKey, bool shift) {
  switch (virtualKey) {
    case VK_TAB:
      return shift ? Key::kBackTab : Key::kTab;
    case VK_LEFT:
      return Key::kLeft;
    case VK_UP:
      return Key::kUp;
    case VK_RIGHT:
      return Key::kRight;
    case VK_DOWN:
      return Key::kDown;
    case VK_PRIOR:
      return Key::kPageUp;
    case VK_NEXT:
      return Key::kPageDown;
    case VK_HOME:
      return Key::kHome;
    case VK_END:
      return Key::kEnd;
    case VK_SPACE:
      return Key::kSpace;
    default:
      return std::nullopt;
  }
}

int16_t ShiftFrom(WPARAM wParam, bool alt) {
  int16_t shift = 0;
  if (wParam & MK_SHIFT) shift |= kShiftKey;
  if (wParam & MK_CONTROL) shift |= kCtrlKey;
  if (alt) shift |= kAltKey;
  return shift;
}

}  // namespace oculon::win32

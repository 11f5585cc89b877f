// Keysyms and modifier states to the runtime's keys and shift states.
#include "desktop/x11/keys.h"

// The keysyms' names: the keypad's, the XKB ones (ISO_Left_Tab) and Latin-1's (space).
#define XK_MISCELLANY
#define XK_XKB_KEYS
#define XK_LATIN1
#include <X11/keysymdef.h>

namespace oculon::x11 {

int16_t ShiftFrom(uint16_t state) {
  int16_t shift = 0;
  if (state & XCB_MOD_MASK_SHIFT) shift |= kShiftKey;
  if (state & XCB_MOD_MASK_CONTROL) shift |= kCtrlKey;
  if (state & XCB_MOD_MASK_1) shift |= kAltKey;
  return shift;
}

std::optional<Key> KeyFrom(xcb_keysym_t keysym, bool shift) {
  switch (keysym) {
    case XK_Tab:
      return shift ? Key::kBackTab : Key::kTab;
    case XK_ISO_Left_Tab:  // Shift+Tab on most keymaps
      return Key::kBackTab;
    case XK_Left:
    case XK_KP_Left:
      return Key::kLeft;
    case XK_Up:
    case XK_KP_Up:
      return Key::kUp;
    case XK_Right:
    case XK_KP_Right:
      return Key::kRight;
    case XK_Down:
    case XK_KP_Down:
      return Key::kDown;
    case XK_Page_Up:
    case XK_KP_Page_Up:
      return Key::kPageUp;
    case XK_Page_Down:
    case XK_KP_Page_Down:
      return Key::kPageDown;
    case XK_Home:
    case XK_KP_Home:
      return Key::kHome;
    case XK_End:
    case XK_KP_End:
      return Key::kEnd;
    case XK_space:
      return Key::kSpace;
    default:
      return std::nullopt;
  }
}

}  // namespace oculon::x11

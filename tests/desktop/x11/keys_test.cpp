// The server's keys and modifiers as the runtime's events take them.
#include "desktop/x11/keys.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace oculon::x11 {
namespace {

TEST(X11Keys, ThePanelsKeysFromTheMainAndTheKeypadsKeysymsAndShiftTabBothWays) {
  EXPECT_EQ(KeyFrom(0xff09, false), Key::kTab);      // Tab
  EXPECT_EQ(KeyFrom(0xff09, true), Key::kBackTab);   // Shift+Tab where the keymap keeps Tab
  EXPECT_EQ(KeyFrom(0xfe20, false), Key::kBackTab);  // ISO_Left_Tab
  EXPECT_EQ(KeyFrom(0xff51, false), Key::kLeft);
  EXPECT_EQ(KeyFrom(0xff96, false), Key::kLeft);  // KP_Left
  EXPECT_EQ(KeyFrom(0xff55, false), Key::kPageUp);
  EXPECT_EQ(KeyFrom(0xff9b, false), Key::kPageDown);  // KP_Page_Down
  EXPECT_EQ(KeyFrom(0xff9c, false), Key::kEnd);       // KP_End
  EXPECT_EQ(KeyFrom(0x20, false), Key::kSpace);
  EXPECT_EQ(KeyFrom(0x61, false), std::nullopt);  // a
}

TEST(X11Keys, ShiftControlAndTheFirstModifierAreShiftCtrlAndAlt) {
  EXPECT_EQ(ShiftFrom(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1),
            kShiftKey | kCtrlKey | kAltKey);
  EXPECT_EQ(ShiftFrom(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2 | XCB_MOD_MASK_4), 0);
}

}  // namespace
}  // namespace oculon::x11

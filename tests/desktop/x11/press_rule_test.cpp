// The drag threshold and the double-click's pairing, at 96 dpi and at twice that.
#include "desktop/x11/press_rule.h"

#include <gtest/gtest.h>

namespace oculon::x11 {
namespace {

TEST(PressRule, ThePointerTravelsTheThresholdEitherWayToMakeAMove) {
  for (int dpi : {96, 192}) {
    int threshold = PressRule::kDragThreshold * dpi / 96;
    for (PixelPoint way : {PixelPoint{1, 0}, PixelPoint{0, -1}}) {
      PixelPoint press{100, 100};
      auto at = [&](int travel) { return PixelPoint{100 + way.x * travel, 100 + way.y * travel}; };
      EXPECT_FALSE(PressRule::IsDrag(press, at(threshold - 1), dpi)) << dpi;
      EXPECT_TRUE(PressRule::IsDrag(press, at(threshold), dpi)) << dpi;
    }
  }
}

TEST(PressRule, TwoPressesCloseInTimeAndPlacePairOnceAndADragIsNoFirstClick) {
  PressRule rule;
  EXPECT_FALSE(rule.Pressed(1000, {10, 10}, 96));
  EXPECT_TRUE(rule.Pressed(1500, {14, 6}, 96));   // 500 ms and 4 pixels: the farthest that pair
  EXPECT_FALSE(rule.Pressed(1600, {14, 6}, 96));  // a third press starts a new pair
  EXPECT_FALSE(rule.Pressed(2101, {14, 6}, 96));  // too late
  EXPECT_FALSE(rule.Pressed(2200, {20, 6}, 96));  // 6 pixels off at 96 dpi
  // At 192 dpi the distance doubles: 6 pixels apart pair.
  EXPECT_FALSE(rule.Pressed(3000, {10, 10}, 192));
  EXPECT_TRUE(rule.Pressed(3100, {16, 10}, 192));
  // The server's clock wraps.
  EXPECT_FALSE(rule.Pressed(UINT32_MAX - 100, {10, 10}, 96));
  EXPECT_TRUE(rule.Pressed(100, {10, 10}, 96));
  EXPECT_FALSE(rule.Pressed(4000, {10, 10}, 96));
  rule.Dragged();
  EXPECT_FALSE(rule.Pressed(4100, {10, 10}, 96));
}

}  // namespace
}  // namespace oculon::x11

// Which monitor the desktop's positions are counted from.
#include "desktop/x11/primary_monitor.h"

#include <gtest/gtest.h>

namespace oculon::x11 {
namespace {

constexpr PixelSize kRoot{1920, 1080};
constexpr PixelRect kLeft{0, 0, 960, 1080};
constexpr PixelRect kRight{960, 0, 1920, 1080};

TEST(PrimaryMonitor, TheMonitorMarkedPrimaryComesFirstThenThePrimaryOutput) {
  const Monitor leftAndRightPrimary[] = {{kLeft, false}, {kRight, true}};
  EXPECT_EQ(ChoosePrimaryArea(leftAndRightPrimary, kLeft, kRoot), kRight);
  const Monitor noneMarked[] = {{kLeft, false}, {kRight, false}};
  EXPECT_EQ(ChoosePrimaryArea(noneMarked, kRight, kRoot), kRight);
}

TEST(PrimaryMonitor, WithoutEitherTheMonitorAtTheOriginThenTheRoot) {
  const Monitor rightFirst[] = {{kRight, false}, {kLeft, false}};
  EXPECT_EQ(ChoosePrimaryArea(rightFirst, std::nullopt, kRoot), kLeft);
  const Monitor emptyMarked[] = {{{0, 0, 0, 0}, true}, {kRight, false}};
  EXPECT_EQ(ChoosePrimaryArea(emptyMarked, std::nullopt, kRoot), (PixelRect{0, 0, 1920, 1080}));
  EXPECT_EQ(ChoosePrimaryArea({}, std::nullopt, kRoot), (PixelRect{0, 0, 1920, 1080}));
}

}  // namespace
}  // namespace oculon::x11

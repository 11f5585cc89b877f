// The scale rules: which dpi counts, twips per pixel, and the rounding each way.
#include "runtime/device_scale.h"

#include <gtest/gtest.h>

#include <limits>

#include "runtime/screen.h"

namespace oculon {
namespace {

TEST(DeviceScale, DpiBelow96IsUnscaledAndAbsurdOnesAreHeldToEightTimes) {
  EXPECT_EQ(DeviceScale(0).dpi(), 96);
  EXPECT_EQ(DeviceScale(72).dpi(), 96);
  EXPECT_EQ(DeviceScale(144).dpi(), 144);
  EXPECT_EQ(DeviceScale(1'000'000).dpi(), 768);
  EXPECT_TRUE(DeviceScale(192).IsWhole());
  EXPECT_FALSE(DeviceScale(120).IsWhole());
}

TEST(DeviceScale, TwipsKeepTheirMeaningAtEveryScale) {
  EXPECT_EQ(DeviceScale(96).TwipsPerPixel(), 15);
  EXPECT_EQ(DeviceScale(144).TwipsPerPixel(), 10);
  EXPECT_EQ(DeviceScale(192).TwipsPerPixel(), 7.5);
  EXPECT_EQ(PixelsFromTwips(2550, DeviceScale(192)), 340);
  EXPECT_EQ(PixelsFromTwips(2550, DeviceScale(120)), 212);  // 212.5, to even
  EXPECT_EQ(TwipsFromPixels(1111, DeviceScale(192)), 8332.5f);
}

TEST(DeviceScale, ToDeviceRoundsEachEdgeSoThatNeighboursStillTouch) {
  DeviceScale scale(144);
  EXPECT_EQ(scale.ToDevice(PixelRect{0, 1, 3, 2}), (PixelRect{0, 2, 4, 3}));  // 1.5 and 4.5 to even
  EXPECT_EQ(scale.ToDevice(PixelRect{3, 1, 5, 2}).left,
            scale.ToDevice(PixelRect{0, 1, 3, 2}).right);
  EXPECT_EQ(DeviceScale(768).ToDevice(std::numeric_limits<int32_t>::max()),
            std::numeric_limits<int32_t>::max());
}

TEST(DeviceScale, FromDeviceGivesThePixelThatHoldsIt) {
  DeviceScale scale(192);
  EXPECT_EQ(scale.FromDevice(PixelPoint{3, -1}), (PixelPoint{1, -1}));
  EXPECT_EQ(scale.FromDevice(-2), -1);
  EXPECT_EQ(scale.DeviceCoordinate(58), 116.5);  // the middle of the 2 × 2 block
}

}  // namespace
}  // namespace oculon

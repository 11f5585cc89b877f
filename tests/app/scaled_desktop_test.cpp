// The program on a scaled desktop: the head at s times its size, its place in twips, its shape,
// its eyes, and a change of scale while it runs.
#include <gtest/gtest.h>

#include <cmath>

#include "app/app_modul.h"
#include "artwork_facts.h"
#include "eyes/default_window_reset.h"
#include "eyes/eye_geometry.h"
#include "eyes/oculon_fixture.h"
#include "runtime/device_scale.h"

namespace oculon {
namespace {

using testing::kBlackRgb;
using testing::kWhiteRgb;
using testing::OculonTest;
using testing::ReadFile;

constexpr uint32_t kKeyRgb = testing::artwork::kKeyColor;
constexpr int64_t kShapePixelsAtOne = testing::artwork::kShapePixels;

struct Scale {
  int dpi;
  PixelSize size;
  int32_t firstLeft;  // centred on a 2560-pixel screen, in twips as Load does it
  friend void PrintTo(const Scale& scale, std::ostream* out) { *out << scale.dpi << " dpi"; }
};

class ScaledDesktop : public OculonTest, public ::testing::WithParamInterface<Scale> {
 protected:
  ScaledDesktop() {
    desktop.SetScreenSize({2560, 1600});
    desktop.SetDpi(GetParam().dpi);
  }
  double factor() const { return DeviceScale(GetParam().dpi).factor(); }
  int64_t ShapePixels() const {
    int64_t pixels = 0;
    for (const PixelRect& rect : desktop.window().shape) pixels += rect.Area();
    return pixels;
  }
  // The device pixel `distance` program pixels from the left eye's centre along (ux, uy).
  uint32_t FromLeftEye(double distance, double ux, double uy) const {
    DeviceScale scale(GetParam().dpi);
    return Shown(int(std::lround(scale.DeviceCoordinate(kLeftEyeCentre.x + distance * ux))),
                 int(std::lround(scale.DeviceCoordinate(kLeftEyeCentre.y + distance * uy))));
  }
};

TEST_P(ScaledDesktop, TheHeadIsScaledPlacedInTwipsAndCutWithoutABackgroundRim) {
  desktop.Deliver(Main);
  EXPECT_EQ(desktop.window().size, GetParam().size);
  EXPECT_EQ(desktop.window().position, (PixelPoint{GetParam().firstLeft, 0}));
  double expected = kShapePixelsAtOne * factor() * factor();
  EXPECT_NEAR(double(ShapePixels()), expected, expected * 0.02);
  for (const PixelRect& rect : desktop.window().shape) {
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
      for (int32_t x = rect.left; x < rect.right; ++x)
        ASSERT_NE(Shown(x, y), kKeyRgb) << x << "," << y;
    }
  }
}

TEST_P(ScaledDesktop, ThePupilsAimAtThePointerAtTheScaledDistance) {
  desktop.Deliver(Main);
  PixelPoint corner = desktop.window().position;
  DeviceScale scale(GetParam().dpi);
  const struct { double ux, uy; } towards[] = {{1, 0}, {0, 1}, {-0.6, -0.8}};
  for (auto [ux, uy] : towards) {
    // A pointer 400 program pixels from the left eye, on the device.
    desktop.SetPointer({corner.x + int32_t(std::lround(scale.DeviceCoordinate(58 + 400 * ux))),
                        corner.y + int32_t(std::lround(scale.DeviceCoordinate(148 + 400 * uy)))});
    desktop.AdvanceTime(70);
    EXPECT_EQ(FromLeftEye(10, ux, uy), kBlackRgb) << ux << "," << uy;
    EXPECT_EQ(FromLeftEye(16, ux, uy), kBlackRgb);
    EXPECT_EQ(FromLeftEye(-1, ux, uy), kWhiteRgb);
  }
}

TEST_P(ScaledDesktop, APlaceSavedAtThisScaleIsTheSamePlaceUnscaled) {
  desktop.Deliver(Main);
  desktop.MoveWindowByUser({600, 300});
  desktop.DoubleClick();
  double twipsPerPixel = 1440.0 / GetParam().dpi;
  EXPECT_EQ(ReadFile(iniFile()),
            "[Brask's Quibbet]\r\nTop=" + std::to_string(int(300 * twipsPerPixel)) +
                "\r\nLeft=" + std::to_string(int(600 * twipsPerPixel)) + "\r\n");
  DefaultWindowReset::Now();
  HeadlessDesktop unscaled({2560, 1600});
  unscaled.Deliver(Main);
  EXPECT_EQ(unscaled.window().position, (PixelPoint{int32_t(std::lround(600 / factor())),
                                                    int32_t(std::lround(300 / factor()))}));
}

TEST_P(ScaledDesktop, AChangeOfScaleWhileRunningRescalesTheHeadAboutItsCentre) {
  desktop.SetDpi(96);
  desktop.Deliver(Main);
  desktop.MoveWindowByUser({1000, 500});
  desktop.SetDpi(GetParam().dpi);
  EXPECT_EQ(desktop.window().size, GetParam().size);
  EXPECT_EQ(desktop.window().position,
            (PixelPoint{1085 - GetParam().size.width / 2, 661 - GetParam().size.height / 2}));
  double expected = kShapePixelsAtOne * factor() * factor();
  EXPECT_NEAR(double(ShapePixels()), expected, expected * 0.02);
  desktop.AdvanceTime(70);  // the eyes come back at the new scale
  EXPECT_EQ(FromLeftEye(-1, 1, 0), kWhiteRgb);
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaledDesktop,
                         ::testing::Values(Scale{192, {340, 644}, 1110},
                                           Scale{144, {255, 483}, 1152},
                                           Scale{120, {212, 402}, 1174}));

}  // namespace
}  // namespace oculon

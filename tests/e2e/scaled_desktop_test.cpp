// The real program on a scaled X desktop (Xft.dpi), under openbox: its size, place, shape and
// eyes at the scale, a place saved at one scale restored at another, and a change of scale
// while it runs.
#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "e2e/program_on_display.h"

namespace oculon::e2e {
namespace {

struct Scale {
  int dpi;
  Point size;
  int firstLeft;  // centred on a 1280-pixel screen, in twips as Load does it
  friend void PrintTo(const Scale& scale, std::ostream* out) { *out << scale.dpi << " dpi"; }
};

class ScaledDesktop : public ::testing::TestWithParam<Scale>, protected ProgramOnDisplay {
 protected:
  ScaledDesktop() : ProgramOnDisplay({.width = 1280, .height = 800, .extraArguments = {}}) {
    display.StartWindowManager();
  }
  double factor() const { return GetParam().dpi / 96.0; }
  void SetDpi(int dpi) { display.SetResources("Xft.dpi:\t" + std::to_string(dpi) + "\n"); }
  // The window's pixel for a point in the program's own pixels.
  Point Device(double x, double y) const {
    return {DevicePixel(x, factor()), DevicePixel(y, factor())};
  }
  bool StartScaled() {
    program = std::make_unique<Process>(std::vector<std::string>{installed.executable()},
                                        environment, StderrFile());
    std::optional<xcb_window_t> found =
        AwaitTheHead(display, windowDeadline, ReadFrom::kScreen, factor());
    if (found) window = *found;
    return found.has_value();
  }
  // The pupil of the left eye lies towards `pointer`: black 10 program pixels from the eye's
  // centre that way, white 1 pixel the other way.
  bool LeftPupilTowards(Point pointer) {
    return WaitFor([&] {
      Point corner = Position();
      double s = factor();
      PupilAim aim = AimAt(kLeftEye, corner.x / s, corner.y / s, pointer.x / s, pointer.y / s);
      Point pupil = Device(aim.x, aim.y);
      Point behind = Device(kLeftEye.x - aim.ux, kLeftEye.y - aim.uy);
      return Screen(pupil.x, pupil.y) == kBlack && Screen(behind.x, behind.y) == kWhite;
    });
  }
  double ShapePixels() {
    double pixels = 0;
    for (const xcb_rectangle_t& r : display.Shape(window, XCB_SHAPE_SK_BOUNDING))
      pixels += r.width * r.height;
    return pixels;
  }
};

TEST_P(ScaledDesktop, TheHeadIsScaledSharpAndItsEyesFollowThePointer) {
  SetDpi(GetParam().dpi);
  ASSERT_TRUE(StartScaled());
  EXPECT_EQ(display.WindowSize(window), GetParam().size);
  EXPECT_EQ(Position(), (Point{GetParam().firstLeft, 0}));
  double expected = double(artwork::kShapePixels) * factor() * factor();
  EXPECT_NEAR(ShapePixels(), expected, expected * 0.02);
  // No pixel of the background's colour shows at the head's edge.
  Point size = GetParam().size;
  std::vector<uint32_t> shown = display.Pixels(Position().x, Position().y, size.x, size.y);
  for (const xcb_rectangle_t& r : display.Shape(window, XCB_SHAPE_SK_BOUNDING)) {
    for (int y = r.y; y < r.y + r.height; ++y) {
      for (int x = r.x; x < r.x + r.width; ++x)
        ASSERT_NE(shown[size_t(y * size.x + x)], artwork::kKeyColor) << x << "," << y;
    }
  }
  for (Point pointer : {Point{0, 0}, Point{1279, 799}, Point{640, 700}}) {
    display.MovePointer(pointer.x, pointer.y);
    EXPECT_TRUE(LeftPupilTowards(pointer)) << pointer.x << "," << pointer.y;
  }
}

TEST_P(ScaledDesktop, APlaceSavedScaledIsTheSamePlaceUnscaledAndAChangeOfScaleRescales) {
  SetDpi(GetParam().dpi);
  ASSERT_TRUE(StartScaled());
  Point grip = ScreenOf(GetParam().size.x / 2, GetParam().size.y * 3 / 4);
  display.Drag(grip, {grip.x - 300, grip.y + 150});
  Point saved{GetParam().firstLeft - 300, 150};
  ASSERT_TRUE(WaitFor([&] { return Position() == saved; }));
  Point head = ScreenOf(GetParam().size.x / 2, GetParam().size.y * 3 / 4);
  display.DoubleClick(head.x, head.y);
  ASSERT_EQ(program->WaitForExit(), 0);

  SetDpi(96);
  ASSERT_TRUE(Start());
  Point unscaled{int(std::nearbyint(saved.x / factor())), int(std::nearbyint(saved.y / factor()))};
  EXPECT_EQ(Position(), unscaled);

  // The user picks the scale again: the head grows about its centre.
  SetDpi(GetParam().dpi);
  EXPECT_TRUE(WaitFor([&] { return display.WindowSize(window) == GetParam().size; }));
  Point centre{unscaled.x + artwork::kWidth / 2, unscaled.y + artwork::kHeight / 2};
  EXPECT_TRUE(WaitFor([&] {
    Point corner = Position();
    return std::abs(corner.x + GetParam().size.x / 2 - centre.x) <= 1 &&
           std::abs(corner.y + GetParam().size.y / 2 - centre.y) <= 1;
  }));
  double expected = double(artwork::kShapePixels) * factor() * factor();
  EXPECT_TRUE(WaitFor([&] { return std::abs(ShapePixels() - expected) < expected * 0.02; }));
  display.MovePointer(1279, 799);
  EXPECT_TRUE(LeftPupilTowards({1279, 799}));
}

// A user whose locale writes a decimal comma: at 2x a place of half a twip is saved with it, as
// the user's own number format has it.
using ScaledUnderADecimalComma = ScaledDesktop;

TEST_P(ScaledUnderADecimalComma, APlaceOfHalfATwipIsSavedWithTheLocalesSeparator) {
  std::string locales = installed.folder() + "/locales";
  std::filesystem::create_directory(locales);
  ASSERT_EQ(display.Run({"localedef", "-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8"}), 0);
  environment["LOCPATH"] = locales;
  environment["LANG"] = "de_DE.UTF-8";
  environment["LC_ALL"] = "";
  SetDpi(GetParam().dpi);
  ASSERT_TRUE(StartScaled());
  Point grip = ScreenOf(GetParam().size.x / 2, GetParam().size.y * 3 / 4);
  display.Drag(grip, {grip.x - 301, grip.y + 150});
  Point saved{GetParam().firstLeft - 301, 150};
  ASSERT_TRUE(WaitFor([&] { return Position() == saved; }));
  Point head = ScreenOf(GetParam().size.x / 2, GetParam().size.y * 3 / 4);
  display.DoubleClick(head.x, head.y);
  ASSERT_EQ(program->WaitForExit(), 0);
  EXPECT_EQ(ReadText(installed.settingsFile()),
            "[Brask's Quibbet]\r\nTop=1125\r\nLeft=" + std::to_string(saved.x * 15 / 2) + ",5\r\n");
}

INSTANTIATE_TEST_SUITE_P(German, ScaledUnderADecimalComma,
                         ::testing::Values(Scale{192, {340, 644}, 470}),
                         [](const auto& scale) { return std::to_string(scale.param.dpi) + "dpi"; });

INSTANTIATE_TEST_SUITE_P(Xft, ScaledDesktop,
                         ::testing::Values(Scale{192, {340, 644}, 470}, Scale{144, {255, 483}, 512},
                                           Scale{120, {212, 402}, 534}),
                         [](const auto& scale) { return std::to_string(scale.param.dpi) + "dpi"; });

}  // namespace
}  // namespace oculon::e2e

// The tracking tick on the headless desktop: fields, painted pixels, failures and uploads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "artwork_facts.h"
#include "eyes/eye_geometry.h"
#include "eyes/eye_math.h"
#include "eyes/oculon_fixture.h"
#include "runtime/image.h"
#include "runtime/run_time_error.h"

namespace oculon {
namespace {

using testing::kBlackRgb;
using testing::kWhiteRgb;
using testing::OculonTest;

class Tracking : public OculonTest {
 protected:
  // The window's outer rectangle at (left, top), shown, one tick done.
  void TickWithWindowAt(PixelPoint topLeft, PixelPoint pointer) {
    window().SetTop(float(topLeft.y * 15));
    window().SetLeft(float(topLeft.x * 15));
    window().Show();
    desktop.SetPointer(pointer);
    desktop.AdvanceTime(70);
  }
  // The persistent image as the window's Point reads it.
  Image Persistent() {
    Image image(170, 322);
    for (int y = 0; y < 322; ++y) {
      for (int x = 0; x < 170; ++x) image.SetPixel(x, y, ArgbFromColor(window().Point(x, y)));
    }
    return image;
  }
  // `image` with both eyes painted afresh towards the directions of the last tick.
  Image PaintedAfresh(Image image) {
    const uint32_t white = ArgbFromColor(kWhite), black = ArgbFromColor(kBlack);
    for (EyeCentre eye : {kLeftEyeCentre, kRightEyeCentre}) {
      image.Circle(eye.x, eye.y, kEyeWhiteRadius, white, white);
    }
    fOculon& w = window();
    image.Circle(PupilCoordinate(kLeftEyeCentre.x, w.mLeftDirX),
                 PupilCoordinate(kLeftEyeCentre.y, w.mLeftDirY), kPupilRadius, black, black);
    image.Circle(PupilCoordinate(kRightEyeCentre.x, w.mRightDirX),
                 PupilCoordinate(kRightEyeCentre.y, w.mRightDirY), kPupilRadius, black, black);
    return image;
  }
  float LeftPupilX() { return float(58 - 10 * window().mLeftDirX); }
  float LeftPupilY() { return float(148 - 10 * window().mLeftDirY); }
  float RightPupilX() { return float(117 - 10 * window().mRightDirX); }
  float RightPupilY() { return float(150 - 10 * window().mRightDirY); }
  // The pupil's disc is painted around (x, y): black at its centre, and along the line to the
  // eye's centre black exactly within radius 7 of (x, y).
  void ExpectPupilAt(float x, float y, EyeCentre eye) {
    EXPECT_EQ(Shown(int(std::lround(x)), int(std::lround(y))), kBlackRgb) << x << "," << y;
    double length = std::hypot(eye.x - x, eye.y - y);
    double ux = length > 0 ? (eye.x - x) / length : 1, uy = length > 0 ? (eye.y - y) / length : 0;
    for (double step = 5; step <= 9; step += 0.5) {
      int px = int(std::lround(x + step * ux)), py = int(std::lround(y + step * uy));
      bool inside = std::hypot(px - double{x}, py - double{y}) <= 7;
      EXPECT_EQ(Shown(px, py), inside ? kBlackRgb : kWhiteRgb) << px << "," << py;
    }
  }
};

struct Example {
  PixelPoint pointer;
  double leftDist, leftDirX, leftDirY;
  float leftPupilX, leftPupilY;
  double rightDist, rightDirX, rightDirY;
  float rightPupilX, rightPupilY;
};

TEST_F(Tracking, WorkedExamples) {
  const Example examples[] = {
      {{182, 338},
       26,
       -12.0 / 13,
       5.0 / 13,
       67.23077f,
       144.15384f,
       37,
       35.0 / 37,
       12.0 / 37,
       107.54054f,
       146.75676f},
      {{188, 388}, 50, -0.6, -0.8, 64, 156, 47.80167, 0.606673, -0.794951, 110.93327f, 157.94951f},
      {{158, 348}, 1, 0, 0, 58, 148, 59.03389, 0.999426, 0.033879, 107.00574f, 149.66121f},
      {{159, 348}, 1, -1, 0, 68, 148, 58.03447, 0.999406, 0.034462, 107.00594f, 149.65538f},
      {{158, 0}, 348, 0, 1, 58, 138, 354.93802, 0.166226, 0.986088, 115.33774f, 140.13913f},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(::testing::Message() << e.pointer.x << "," << e.pointer.y);
    TickWithWindowAt({100, 200}, e.pointer);
    fOculon& w = window();
    EXPECT_EQ(w.mWinRect, (RECT{100, 200, 270, 522}));
    EXPECT_EQ(w.mLeftEyeX, 158);
    EXPECT_EQ(w.mLeftEyeY, 348);
    EXPECT_EQ(w.mRightEyeX, 217);
    EXPECT_EQ(w.mRightEyeY, 350);
    EXPECT_EQ(w.mCursor, e.pointer);
    EXPECT_NEAR(w.mLeftDist, e.leftDist, 5e-6);
    EXPECT_NEAR(w.mLeftDirX, e.leftDirX, 5e-7);
    EXPECT_NEAR(w.mLeftDirY, e.leftDirY, 5e-7);
    EXPECT_NEAR(w.mRightDist, e.rightDist, 5e-6);
    EXPECT_NEAR(w.mRightDirX, e.rightDirX, 5e-7);
    EXPECT_NEAR(w.mRightDirY, e.rightDirY, 5e-7);
    EXPECT_NEAR(LeftPupilX(), e.leftPupilX, 2e-5);
    EXPECT_NEAR(LeftPupilY(), e.leftPupilY, 2e-5);
    EXPECT_NEAR(RightPupilX(), e.rightPupilX, 2e-5);
    EXPECT_NEAR(RightPupilY(), e.rightPupilY, 2e-5);
    ExpectPupilAt(LeftPupilX(), LeftPupilY(), kLeftEyeCentre);
    ExpectPupilAt(RightPupilX(), RightPupilY(), kRightEyeCentre);
  }
}

TEST_F(Tracking, PaintsWhitesThatCoverThePaintedEyeballsAndLeaveTheRim) {
  TickWithWindowAt({0, 0}, {2000, 2000});
  EXPECT_EQ(Shown(58 - 17, 148), kWhiteRgb);
  EXPECT_EQ(Shown(testing::artwork::kLeftEyeX, testing::artwork::kLeftEyeY - 17), kWhiteRgb);
  EXPECT_NE(Shown(58 - 18, 148), kWhiteRgb);  // the artwork's dark rim stays
  EXPECT_EQ(Shown(117 + 17, 150), kWhiteRgb);
  EXPECT_EQ(window().Point(testing::artwork::kLeftEyeX, testing::artwork::kLeftEyeY - 12),
            0xFFFFFF);  // into the persistent image
}

TEST_F(Tracking, FarAwayPointersPutThePupilsTenPixelsOut) {
  TickWithWindowAt({500, 300}, {558, 0});  // straight above the left eye
  EXPECT_EQ(LeftPupilX(), 58);
  EXPECT_EQ(LeftPupilY(), 138);
  for (PixelPoint far : {PixelPoint{-100000, 40}, {100000, 900000}, {617, 100000}}) {
    desktop.SetPointer(far);
    desktop.AdvanceTime(70);
    EXPECT_NEAR(std::hypot(LeftPupilX() - 58, LeftPupilY() - 148), 10, 1e-5);
    EXPECT_NEAR(std::hypot(RightPupilX() - 117, RightPupilY() - 150), 10, 1e-5);
  }
}

TEST_F(Tracking, WindowOffTheScreenAndMovedBetweenTicks) {
  TickWithWindowAt({-100, -50}, {-42, 98});  // exactly on the left eye
  EXPECT_EQ(window().mLeftEyeX, -42);
  EXPECT_EQ(window().mLeftDist, 1.0);
  EXPECT_EQ(window().mLeftDirX, 0.0);
  desktop.SetPointer({17, 100});  // exactly on the right eye: no division by zero there either
  desktop.AdvanceTime(70);
  EXPECT_FALSE(desktop.ended());
  EXPECT_EQ(window().mRightDist, 1.0);
  EXPECT_EQ(window().mRightDirY, 0.0);
  ExpectPupilAt(testing::artwork::kRightEyeX, testing::artwork::kRightEyeY, kRightEyeCentre);
  desktop.MoveWindowByUser({300, 400});
  desktop.AdvanceTime(70);
  EXPECT_EQ(window().mWinRect.left, 300);
  EXPECT_EQ(window().mLeftEyeY, 548);
}

TEST_F(Tracking, FailingQueriesKeepTheLastValues) {
  TickWithWindowAt({10, 20}, {500, 500});
  desktop.SetQueriesFail(true);
  desktop.SetPointer({0, 0});
  desktop.MoveWindowByUser({700, 700});
  desktop.AdvanceTime(70);
  EXPECT_EQ(window().mWinRect.left, 10);
  EXPECT_EQ(window().mCursor, (POINT{500, 500}));
}

TEST_F(Tracking, CoordinatesNearThe32BitLimitEndTheProgramWithOverflow) {
  TickWithWindowAt({0, 0}, {0, 0});
  desktop.MoveWindowByUser({INT32_MAX - 100, 0});
  desktop.AdvanceTime(70);
  EXPECT_TRUE(desktop.ended());
  EXPECT_EQ(desktop.exitCode(), 1);
  EXPECT_EQ(desktop.fatalError(), "Run-time error '6': Overflow");
}

TEST_F(Tracking, EyeMinusPointerOverflowIsAnErrorToo) {
  TickWithWindowAt({0, 0}, {INT32_MIN + 10, 0});
  EXPECT_EQ(desktop.fatalError(), "Run-time error '6': Overflow");
}

TEST_F(Tracking, AStillPointerUploadsNothingAndAMovingOneOnlyTheEyes) {
  TickWithWindowAt({100, 100}, {0, 0});
  int64_t before = desktop.uploadedPixels();
  desktop.AdvanceTime(700);
  EXPECT_EQ(desktop.uploadedPixels(), before);
  desktop.SetPointer({2000, 900});
  desktop.AdvanceTime(70);
  EXPECT_GT(desktop.uploadedPixels(), before);
  EXPECT_LE(desktop.uploadedPixels() - before, 2 * 36 * 36);
}

// Ticks repaint only what moved; whatever happened in between, the persistent image must be
// what painting both eyes afresh gives, and the window must show its eyes.
TEST_F(Tracking, RepaintingWhatMovedLeavesThePixelsOfPaintingAfresh) {
  TickWithWindowAt({100, 100}, {0, 0});
  const std::function<void()> between[] = {
      [] {},
      [&] {
        desktop.SetPointer({0, 0});
      },  // still
      [&] {
        desktop.SetPointer({1, 0});
      },  // the pupils move less than a pixel
      [&] {
        desktop.SetPointer({240, 260});
      },  // between the eyes
      [&] {
        desktop.SetPointer({158, 248});
      },  // on the left eye
      [&] {
        desktop.MoveWindowByUser({400, 100});
      },  // the window moves, not the pointer
      [&] {
        desktop.Expose({0, 0, 170, 322});
      },                                       // repainted from the image
      [&] { desktop.PressKey(Key::kRight); },  // the preview draws on the image
      [&] {                                    // tracking off, a preview, back on
        desktop.PressKey(Key::kBackTab);
        desktop.PressKey(Key::kSpace);
        desktop.PressKey(Key::kTab);
        desktop.PressKey(Key::kRight);
        desktop.PressKey(Key::kBackTab);
        desktop.PressKey(Key::kSpace);
      },
      [&] {
        desktop.SetPointer({2000, 900});
      },
  };
  for (int round = 0; round < 2; ++round) {
    for (size_t step = 0; step < std::size(between); ++step) {
      SCOPED_TRACE(::testing::Message() << "round " << round << ", step " << step);
      between[step]();
      Image before = Persistent();
      desktop.AdvanceTime(70);
      Image after = Persistent();
      ASSERT_TRUE(std::ranges::equal(after.pixels(), PaintedAfresh(before).pixels()));
      for (EyeCentre eye : {kLeftEyeCentre, kRightEyeCentre}) {
        for (int y = eye.y - 18; y <= eye.y + 18; ++y) {
          for (int x = eye.x - 18; x <= eye.x + 18; ++x) {
            if (std::hypot(x - eye.x, y - eye.y) > kEyeWhiteRadius) continue;
            ASSERT_EQ(desktop.window().content.Pixel(x, y), after.Pixel(x, y)) << x << "," << y;
          }
        }
      }
    }
  }
}

// --- The timer sleeps while nothing it reads changes ---

// What happens at a virtual instant of a script; the script ends in stillness.
using Script = std::function<void(HeadlessDesktop&, int64_t now)>;
constexpr int64_t kScriptLength = 8000;
constexpr int64_t kStillAtTheEnd = 5000;

struct Played {
  std::vector<uint64_t> frames;  // what the window shows after each virtual millisecond
  int ticksWhileStill = 0;       // timer wake-ups in the closing stillness
};

uint64_t Fingerprint(const Image& image) {
  uint64_t hash = 1469598103934665603ull;
  for (uint32_t pixel : image.pixels()) hash = (hash ^ pixel) * 1099511628211ull;
  return hash;
}

// Plays `script` on a fresh desktop and window, the timer let sleep or not.
Played Play(const Script& script, bool timersMaySleep) {
  testing::TempFolder folder;
  testing::ResetCommands();
  App.SetExecutablePath(folder / "oculon");
  HeadlessDesktop desktop{{1920, 1080}};
  desktop.SetTimersMaySleep(timersMaySleep);
  desktop.SetPointer({300, 700});
  fOculon::Default().Show();
  Played played;
  int uploads = -1;
  int ticksBeforeStill = 0;
  for (int64_t now = 0; now < kScriptLength; ++now) {
    script(desktop, now);
    desktop.AdvanceTime(1);
    if (desktop.uploads() != uploads) {
      uploads = desktop.uploads();
      played.frames.push_back(Fingerprint(desktop.window().content));
    } else {
      played.frames.push_back(played.frames.back());
    }
    if (now == kScriptLength - kStillAtTheEnd) ticksBeforeStill = desktop.timerTicks();
  }
  played.ticksWhileStill = desktop.timerTicks() - ticksBeforeStill;
  DefaultWindowReset::Now();
  App.SetExecutablePath("");
  return played;
}

struct StillnessCase {
  const char* name;
  Script script;
  friend void PrintTo(const StillnessCase& stillness, std::ostream* out) { *out << stillness.name; }
};

class Stillness : public ::testing::TestWithParam<StillnessCase> {};

TEST_P(Stillness, TheFramesAreThoseOfATimerThatNeverSleepsAndStillnessWakesNothing) {
  Played asleep = Play(GetParam().script, true);
  Played armed = Play(GetParam().script, false);
  ASSERT_EQ(asleep.frames.size(), armed.frames.size());
  for (size_t at = 0; at < armed.frames.size(); ++at) {
    ASSERT_EQ(asleep.frames[at], armed.frames[at]) << "at " << at << " ms";
  }
  EXPECT_EQ(asleep.ticksWhileStill, 0);
  EXPECT_GT(armed.ticksWhileStill, 70);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Stillness,
    ::testing::Values(
        StillnessCase{"Still", [](HeadlessDesktop&, int64_t) {}},
        StillnessCase{"MotionThenStillness",
                      [](HeadlessDesktop& desktop, int64_t now) {
                        if (now >= 100 && now < 1500 && now % 30 == 0)
                          desktop.SetPointer({int32_t(now), int32_t(900 - now / 3)});
                      }},
        StillnessCase{"Drag",
                      [](HeadlessDesktop& desktop, int64_t now) {
                        if (now == 200) desktop.MouseDown(kLeftButton, 0, {85, 250});
                        if (now > 200 && now < 1200 && now % 20 == 0)
                          desktop.DragPointerTo({int32_t(1000 + now / 5), int32_t(250 + now / 9)});
                      }},
        StillnessCase{"WindowMovedByTheDesktop",
                      [](HeadlessDesktop& desktop, int64_t now) {
                        if (now == 500) desktop.MoveWindowByUser({40, 600});
                        if (now == 1003) desktop.MoveWindowByUser({1500, 20});
                      }},
        StillnessCase{"PreviewFromTheKeyboard",
                      [](HeadlessDesktop& desktop, int64_t now) {
                        if (now == 300 || now == 805) desktop.PressKey(Key::kRight);
                        if (now == 1400) desktop.Expose({0, 0, 170, 322});
                      }},
        StillnessCase{"TrackingOffAndOn",
                      [](HeadlessDesktop& desktop, int64_t now) {
                        if (now == 300) {
                          desktop.PressKey(Key::kBackTab);  // to the check box
                          desktop.PressKey(Key::kSpace);    // tracking off
                        }
                        if (now == 600) desktop.SetPointer({1900, 10});
                        if (now == 1210) desktop.PressKey(Key::kSpace);  // on again
                      }}),
    [](const auto& script) { return std::string(script.param.name); });

}  // namespace
}  // namespace oculon

// The program under test on a display of its own: started, found, and looked at as a user
// would, through the screen's pixels.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "artwork_facts.h"
#include "e2e/harness.h"
#include "eyes/artwork.h"

namespace oculon::e2e {

namespace artwork = testing::artwork;

inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBlack = 0x000000;
// The artwork's places, in the program's pixels.
inline constexpr Point kLeftEye{artwork::kLeftEyeX, artwork::kLeftEyeY};
inline constexpr Point kRightEye{artwork::kRightEyeX, artwork::kRightEyeY};
inline constexpr Point kLeftEyeWhite{artwork::kLeftEyeWhiteX, artwork::kLeftEyeWhiteY};
inline constexpr Point kCutAway{artwork::kCutAwayX, artwork::kCutAwayY};

// The artwork's colour at a client pixel, 0xRRGGBB.
inline uint32_t ArtworkPixel(int x, int y) {
  static const StdPicture head = HeadPicture();
  return head.image().Pixel(x, y) & 0xFFFFFF;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ProgramOnDisplay {
 protected:
  explicit ProgramOnDisplay(const ServerOptions& options)
      : display(options), environment(display.Environment()) {}
  // Another build of the program, installed under `fileName`.
  ProgramOnDisplay(const ServerOptions& options, const std::string& otherBuild,
                   const std::string& fileName)
      : display(options), environment(display.Environment()), installed(otherBuild, fileName) {}

  // Runs `argv` (which starts the program), in `workingFolder` when one is open, and waits for
  // the program's window; false when it did not appear.
  bool LaunchCommand(const std::vector<std::string>& argv, int workingFolder = -1) {
    program = std::make_unique<Process>(argv, environment, StderrFile(), workingFolder);
    std::optional<xcb_window_t> found = display.FindWindow("Form1", windowDeadline);
    if (found) window = *found;
    return found.has_value();
  }
  // Starts the program (behind `prefix`, such as a tool that changes the user) and waits for
  // its window.
  bool Launch(const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> argv = prefix;
    argv.push_back(installed.executable());
    return LaunchCommand(argv);
  }
  // Runs `argv` (which starts the program) and waits for its first tick's paint.
  bool StartCommand(const std::vector<std::string>& argv) {
    program = std::make_unique<Process>(argv, environment, StderrFile());
    std::optional<xcb_window_t> found = AwaitTheHead(display, windowDeadline);
    if (found) window = *found;
    return found.has_value();
  }
  // Starts the program (behind `prefix`, as Launch) and waits for its first tick's paint.
  bool Start(std::vector<std::string> prefix = {}) {
    prefix.push_back(installed.executable());
    return StartCommand(prefix);
  }

  std::string StderrFile() const { return installed.folder() + "/stderr"; }
  Point Position() { return display.WindowPosition(window); }
  // What the screen shows at a client pixel of the program's window.
  uint32_t Screen(int x, int y) {
    Point corner = Position();
    return display.Pixel(corner.x + x, corner.y + y);
  }
  Point ScreenOf(int x, int y) {
    Point corner = Position();
    return {corner.x + x, corner.y + y};
  }
  // Waits until the pupil of the eye at `eye` points at the screen point `pointer`.
  bool PupilFollows(Point eye, Point pointer) {
    Point corner = Position();
    PupilAim aim = AimAt(eye, corner.x, corner.y, pointer.x, pointer.y);
    bool onCentre = aim.ux == 0 && aim.uy == 0;
    // Black at the pupil's centre and 5 pixels towards the eye's edge; white beyond it.
    return WaitFor([&] {
      return Screen(int(std::lround(aim.x)), int(std::lround(aim.y))) == kBlack &&
             Screen(int(std::lround(aim.x + 5 * aim.ux)), int(std::lround(aim.y + 5 * aim.uy))) ==
                 kBlack &&
             (onCentre || Screen(int(std::lround(eye.x - 9 * aim.ux)),
                                 int(std::lround(eye.y - 9 * aim.uy))) == kWhite);
    });
  }

  // What a user does with the hidden panel, once the window has the keyboard: Tab to the check
  // box and stop the tracking, Shift+Tab back to HScroll1 and widen the preview's left eye, then
  // start the tracking again. `farCorner` is the screen's bottom-right pixel.
  void UseTheHiddenPanel(Point farCorner) {
    Point pointer{0, 0};
    display.MovePointer(pointer.x, pointer.y);
    ASSERT_TRUE(PupilFollows(kLeftEye, pointer));
    for (int i = 0; i < 4; ++i) display.Key("Tab");
    display.Key("space");  // the check box: tracking stops
    std::this_thread::sleep_for(150ms);
    std::vector<uint32_t> stopped =
        display.Pixels(Position().x, Position().y, artwork::kWidth, artwork::kHeight);
    display.MovePointer(farCorner.x, farCorner.y);
    std::this_thread::sleep_for(350ms);  // five ticks' time: nothing may change
    EXPECT_EQ(display.Pixels(Position().x, Position().y, artwork::kWidth, artwork::kHeight),
              stopped);

    for (int i = 0; i < 4; ++i) display.Key("Tab", true);  // back to HScroll1
    for (int i = 0; i < 3; ++i) display.Key("Right");
    // The preview's left eye white now reaches 17 pixels right of (61, 148).
    EXPECT_TRUE(WaitFor([&] { return Screen(61 + 17, 148) == kWhite; }));

    for (int i = 0; i < 4; ++i) display.Key("Tab");
    display.Key("space");  // tracking again
    EXPECT_TRUE(PupilFollows(kLeftEye, farCorner));
  }

  Display display;
  std::map<std::string, std::string> environment;  // the program's
  Installed installed;
  std::unique_ptr<Process> program;
  xcb_window_t window = XCB_NONE;
  std::chrono::milliseconds windowDeadline = 5s;  // from the start to the window
};

}  // namespace oculon::e2e

// The X11 program in a Wayland session of KWin, through XWayland: the eyes follow the
// compositor's pointer over native Wayland windows and the empty desktop, the drag, the save and
// the restart, and the KWin script that goes with the program.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>

#include "e2e/kwin_session.h"
#include "e2e/program_on_display.h"

namespace oculon::e2e {
namespace {

constexpr char kScript[] = "oculon-pointer";

class UnderKWin : public ::testing::Test {
 protected:
  UnderKWin() : display(kwin.xDisplay()) {}

  bool Start() {
    program = std::make_unique<Process>(std::vector<std::string>{installed.executable()},
                                        kwin.Environment(), installed.folder() + "/stderr");
    std::optional<xcb_window_t> found = display.FindWindow("Form1", 10s);
    if (!found) return false;
    window = *found;
    return WaitFor([&] { return WindowPixel(52, 148) == kWhite; });
  }
  uint32_t WindowPixel(int x, int y) {
    std::vector<uint32_t> pixels = display.WindowPixels(window, x, y, 1, 1);
    return pixels.empty() ? 0xFFFFFFFFu : pixels[0] & 0xFFFFFF;
  }
  Point Position() { return display.WindowPosition(window); }
  // The left pupil lies towards `pointer`: black 10 pixels from the eye's centre that way, white
  // a pixel the other way.
  bool LeftPupilTowards(Point pointer) {
    return WaitFor([&] {
      Point corner = Position();
      double dx = pointer.x - corner.x - 58, dy = pointer.y - corner.y - 148;
      double length = std::hypot(dx, dy);
      return WindowPixel(int(std::lround(58 + 10 * dx / length)),
                         int(std::lround(148 + 10 * dy / length))) == kBlack &&
             WindowPixel(int(std::lround(58 - dx / length)), int(std::lround(148 - dy / length))) ==
                 kWhite;
    });
  }
  void Click(Point at) {
    kwin.MovePointer(at.x, at.y);
    kwin.Press();
    kwin.Release();
  }

  KWinSession kwin;
  Display display;
  Installed installed;
  std::unique_ptr<Process> program;
  xcb_window_t window = XCB_NONE;
};

TEST_F(UnderKWin, TheEyesFollowThePointerEverywhereAndTheDragSaveAndRestartAreExact) {
  kwin.OpenNativeWindow();
  ASSERT_TRUE(Start());
  EXPECT_TRUE(kwin.ScriptLoaded(kScript)) << ReadText(installed.folder() + "/stderr");
  // The empty desktop's corners, the native window in the middle, and below the head.
  for (Point pointer : {Point{20, 20}, Point{1260, 1000}, Point{640, 600}, Point{100, 900}}) {
    kwin.MovePointer(pointer.x, pointer.y);
    EXPECT_TRUE(LeftPupilTowards(pointer)) << pointer.x << "," << pointer.y;
  }

  Point before = Position();
  Point grip{before.x + 85, before.y + 250};
  kwin.MovePointer(grip.x, grip.y);
  kwin.Press();
  for (int step = 1; step <= 10; ++step) kwin.MovePointer(grip.x + 12 * step, grip.y + 7 * step);
  kwin.Release();
  Point moved{before.x + 120, before.y + 70};
  ASSERT_TRUE(WaitFor([&] { return Position() == moved; })) << Position().x << "," << Position().y;

  Point head{moved.x + 85, moved.y + 250};
  Click(head);
  Click(head);
  ASSERT_EQ(program->WaitForExit(), 0);
  EXPECT_FALSE(kwin.ScriptLoaded(kScript));
  EXPECT_EQ(ReadText(installed.settingsFile()),
            "[Brask's Quibbet]\r\nTop=" + std::to_string(moved.y * 15) +
                "\r\nLeft=" + std::to_string(moved.x * 15) + "\r\n");
  ASSERT_TRUE(Start());
  EXPECT_TRUE(WaitFor([&] { return Position() == moved; }));
}

TEST_F(UnderKWin, TheHeadShowsCutToItsOutlineAtEveryStartAndPassesClicksThere) {
  constexpr uint32_t kGreen = 0x40FF40;
  xcb_window_t beneath = display.OpenOrdinaryWindow(500, 150, 300, 100, kGreen);
  for (int start = 0; start < 10; ++start) {
    ASSERT_TRUE(Start());
    Point corner = Position();
    Point cutAway{corner.x + 3, corner.y + 190};
    ASSERT_EQ(ArtworkPixel(3, 190), 0x00012Bu);
    EXPECT_TRUE(WaitFor([&] {
      return kwin.ShownPixel(cutAway.x, cutAway.y) == kGreen &&
             kwin.ShownPixel(corner.x + 85, corner.y + 60) == ArtworkPixel(85, 60);
    })) << "start "
        << start;
    if (start == 0) {
      Click(cutAway);
      EXPECT_TRUE(display.ReceivedButtonPress(beneath));
      kwin.MovePointer(KWinSession::kWidth - 1, 0);  // off the eye's white that Start looks at
    }
    program->Kill(SIGTERM);
    ASSERT_EQ(program->WaitForExit(), 0);
    ASSERT_TRUE(WaitFor([&] { return !display.IsViewable(window); }));  // gone from the server
    if (start == 0) {
      EXPECT_FALSE(kwin.ScriptLoaded(kScript));  // unloaded by the signal's end
    }
  }
}

}  // namespace
}  // namespace oculon::e2e

// The real program under Xvfb, with openbox and with no window manager, driven by XTest.
#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/program_on_display.h"
#include "eyes/placement.h"

namespace oculon::e2e {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;
constexpr Point kDefaultPosition{(kScreenWidth * 15 / 2 - 1275) / 15, 0};
class Oculon : public ::testing::TestWithParam<bool>, protected ProgramOnDisplay {
 protected:
  Oculon()
      : ProgramOnDisplay({.width = kScreenWidth, .height = kScreenHeight, .extraArguments = {}}) {
    if (WithWindowManager()) display.StartWindowManager();
  }

  bool WithWindowManager() const { return GetParam(); }
};

TEST_P(Oculon, FirstStartShowsTheHeadAtTheTopCentredWithoutAFrameAndWritesNothing) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(Position(), kDefaultPosition);
  EXPECT_EQ(Screen(0, 0), Display::kRootColor);  // the corner is cut away
  EXPECT_EQ(Screen(85, 60), ArtworkPixel(85, 60));
  EXPECT_EQ(Screen(85, 290), ArtworkPixel(85, 290));
  EXPECT_EQ(display.PropertyText(window, XCB_ATOM_WM_NAME), "Form1");
  EXPECT_EQ(display.PropertyText(window, XCB_ATOM_WM_CLASS), std::string("oculon\0Oculon\0", 14));
  std::vector<uint32_t> icon = display.Property32(window, "_NET_WM_ICON");
  ASSERT_GE(icon.size(), 2u);
  EXPECT_EQ(icon[0], 32u);
  std::vector<uint32_t> state = display.Property32(window, "_NET_WM_STATE");
  EXPECT_NE(std::find(state.begin(), state.end(), display.Atom("_NET_WM_STATE_SKIP_TASKBAR")),
            state.end());
  EXPECT_NE(std::find(state.begin(), state.end(), display.Atom("_NET_WM_STATE_ABOVE")),
            state.end());
  if (WithWindowManager()) {
    EXPECT_EQ(display.Property32(window, "_NET_FRAME_EXTENTS"),
              (std::vector<uint32_t>{0, 0, 0, 0}));
  }
  // No frame and no shadow of a compositing manager's making.
  EXPECT_EQ(display.Property32(window, "_GTK_FRAME_EXTENTS"), (std::vector<uint32_t>{0, 0, 0, 0}));
  EXPECT_TRUE(WaitFor([&] { return display.InputFocus() == window; }));
  EXPECT_FALSE(std::filesystem::exists(installed.settingsFile()));
}

TEST_P(Oculon, TheShapeIsTheArtworksOutlineAndCutAwayPixelsPassClicksThrough) {
  constexpr uint32_t kGreen = 0x40FF40;
  xcb_window_t beneath = display.OpenOrdinaryWindow(kDefaultPosition.x, 290, 30, 30, kGreen);
  ASSERT_TRUE(Start());
  for (uint8_t kind : {uint8_t(XCB_SHAPE_SK_BOUNDING), uint8_t(XCB_SHAPE_SK_INPUT)}) {
    int area = 0;
    for (const xcb_rectangle_t& r : display.Shape(window, kind)) area += r.width * r.height;
    EXPECT_EQ(area, artwork::kShapePixels) << "shape kind " << int(kind);
  }
  Point corner = Position();
  Point ordinary = display.WindowPosition(beneath);
  Point target{ordinary.x + 5, ordinary.y + 5};
  ASSERT_EQ(ArtworkPixel(target.x - corner.x, target.y - corner.y), artwork::kKeyColor)
      << "a cut-away pixel";
  EXPECT_EQ(display.Pixel(target.x, target.y), kGreen);
  display.Click(target.x, target.y);
  EXPECT_TRUE(display.ReceivedButtonPress(beneath));
  EXPECT_EQ(Position(), corner);  // the program took no press and did not move
}

TEST_P(Oculon, ThePupilsFollowThePointerAnywhere) {
  ASSERT_TRUE(Start());
  for (Point pointer : {Point{0, 0}, Point{kScreenWidth - 1, kScreenHeight - 1}, Point{640, 700},
                        ScreenOf(58, 60)}) {
    display.MovePointer(pointer.x, pointer.y);
    EXPECT_TRUE(PupilFollows(kLeftEye, pointer)) << pointer.x << "," << pointer.y;
    EXPECT_TRUE(PupilFollows(kRightEye, pointer)) << pointer.x << "," << pointer.y;
  }
  Point onLeftEye = ScreenOf(kLeftEye.x, kLeftEye.y);
  display.MovePointer(onLeftEye.x, onLeftEye.y);
  EXPECT_TRUE(PupilFollows(kLeftEye, onLeftEye));
}

TEST_P(Oculon, ALeftDragMovesTheWindowByThePointersTravelOtherButtonsDoNot) {
  ASSERT_TRUE(Start());
  Point before = Position();
  for (int button : {2, 3}) {
    display.Drag(ScreenOf(85, 250), {ScreenOf(85, 250).x + 120, ScreenOf(85, 250).y + 70}, button);
    EXPECT_EQ(Position(), before) << "button " << button;
  }
  display.Drag(ScreenOf(85, 250), {ScreenOf(85, 250).x + 120, ScreenOf(85, 250).y + 70});
  EXPECT_TRUE(WaitFor([&] {
    return Position() == Point{before.x + 120, before.y + 70};
  })) << Position().x
      << "," << Position().y;
  Point pointer{0, 799};
  display.MovePointer(pointer.x, pointer.y);
  EXPECT_TRUE(PupilFollows(kLeftEye, pointer));  // the eyes go on from the new place
}

TEST_P(Oculon, ADragWithShiftHeldMovesTheWindowToo) {
  ASSERT_TRUE(Start());
  Point before = Position();
  display.HoldKey("Shift_L", true);
  display.Drag(ScreenOf(85, 250), {ScreenOf(85, 250).x - 60, ScreenOf(85, 250).y + 30});
  display.HoldKey("Shift_L", false);
  EXPECT_TRUE(WaitFor([&] { return Position() == Point{before.x - 60, before.y + 30}; }));
}

TEST_P(Oculon, ADoubleClickSavesAndEndsAndTheNextStartRestoresThePosition) {
  ASSERT_TRUE(Start());
  display.Drag(ScreenOf(85, 250), {ScreenOf(85, 250).x - 200, ScreenOf(85, 250).y + 150});
  ASSERT_TRUE(WaitFor([&] { return Position() == Point{kDefaultPosition.x - 200, 150}; }));
  Point head = ScreenOf(85, 250);
  display.DoubleClick(head.x, head.y);
  EXPECT_EQ(program->WaitForExit(), 0);
  EXPECT_EQ(ReadText(installed.settingsFile()),
            "[Brask's Quibbet]\r\nTop=2250\r\nLeft=" +
                std::to_string((kDefaultPosition.x - 200) * 15) + "\r\n");
  ASSERT_TRUE(Start());
  EXPECT_EQ(Position(), (Point{kDefaultPosition.x - 200, 150}));
}

TEST_P(Oculon, ADoubleClickRightAfterStartSavesAndEnds) {
  ASSERT_TRUE(Start());
  Point head = ScreenOf(85, 250);
  display.DoubleClick(head.x, head.y);
  EXPECT_EQ(program->WaitForExit(), 0);
  EXPECT_EQ(
      ReadText(installed.settingsFile()),
      "[Brask's Quibbet]\r\nTop=0\r\nLeft=" + std::to_string(kDefaultPosition.x * 15) + "\r\n");
}

TEST_P(Oculon, ASecondStartEndsAtOnceAndLeavesTheFirstAlone) {
  ASSERT_TRUE(Start());
  Process second({installed.executable()}, display.Environment());
  EXPECT_EQ(second.WaitForExit(), 0);
  EXPECT_TRUE(program->Running());
  EXPECT_TRUE(display.IsViewable(window));
}

TEST_P(Oculon, ACloseFromTheDesktopEndsWithoutWriting) {
  ASSERT_TRUE(Start());
  display.SendClose(window);
  EXPECT_EQ(program->WaitForExit(), 0);
  EXPECT_FALSE(std::filesystem::exists(installed.settingsFile()));
}

TEST_P(Oculon, EndingSignalsEndLikeAClose) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    ASSERT_TRUE(Start());  // also: the single-instance lock went with the last process
    program->Kill(signal);
    EXPECT_EQ(program->WaitForExit(), 0) << "signal " << signal;
    EXPECT_FALSE(std::filesystem::exists(installed.settingsFile()));
  }
}

TEST_P(Oculon, AWindowDestroyedByAnotherClientEndsTheProgram) {
  ASSERT_TRUE(Start());
  xcb_destroy_window(display.connection(), window);
  xcb_flush(display.connection());
  EXPECT_EQ(program->WaitForExit(), 0);
}

TEST_P(Oculon, NegativeSavedPositionsAreRestoredAndOnesNoMonitorShowsAreNot) {
  std::ofstream(installed.settingsFile()) << "[Brask's Quibbet]\r\nTop=-300\r\nLeft=-1500\r\n";
  ASSERT_TRUE(Launch());
  EXPECT_TRUE(WaitFor([&] { return Position() == Point{-100, -20}; }));
  program->Kill(SIGTERM);
  ASSERT_EQ(program->WaitForExit(), 0);

  // Far beyond any monitor, or just past the screen's edge: no one could see the head there, so
  // it stays where its Load handler put it.
  for (const char* beyond : {"Top=1e9\r\nLeft=99999999", "Top=0\r\nLeft=40000"}) {
    std::ofstream(installed.settingsFile()) << "[Brask's Quibbet]\r\n" << beyond << "\r\n";
    ASSERT_TRUE(Launch());
    EXPECT_TRUE(WaitFor([&] {
      return Position() == Point{kDefaultPosition.x, LoadTop(kScreenHeight * 15, 4830) / 15};
    })) << beyond;
    program->Kill(SIGTERM);
    ASSERT_EQ(program->WaitForExit(), 0);
  }
}

TEST_P(Oculon, AKilledDisplayEndsWithAMessage) {
  ASSERT_TRUE(Start());
  display.KillServer();
  EXPECT_EQ(program->WaitForExit(), 1);
  EXPECT_NE(ReadText(installed.folder() + "/stderr").find("lost the connection to the display"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Desktops, Oculon, ::testing::Values(true, false), [](const auto& desktop) {
  return desktop.param ? "Openbox" : "NoWindowManager";
});

TEST(WindowManagerStartingUp, TheWindowStillShowsAndIsManaged) {
  Display display(kScreenWidth, kScreenHeight);
  Installed installed;
  display.StartWindowManagerWithoutWaiting();
  Process program({installed.executable()}, display.Environment());
  std::optional<xcb_window_t> window = display.FindWindow("Form1", 10s);
  ASSERT_TRUE(window);
  EXPECT_TRUE(WaitFor([&] { return !display.Property32(*window, "_NET_FRAME_EXTENTS").empty(); }));
  EXPECT_EQ(display.WindowPosition(*window), kDefaultPosition);
}

TEST(SmallScreen, AScreenNarrowerThanTheWindowPutsItPartlyOffTheScreen) {
  Display display(160, 200);
  Installed installed;
  Process program({installed.executable()}, display.Environment());
  std::optional<xcb_window_t> window = display.FindWindow("Form1");
  ASSERT_TRUE(window);
  EXPECT_TRUE(WaitFor([&] { return display.WindowPosition(*window) == Point{-5, 0}; }));
  // The left eye's white, painted by the first tick, shows on the screen.
  EXPECT_TRUE(
      WaitFor([&] { return display.Pixel(kLeftEyeWhite.x - 5, kLeftEyeWhite.y) == kWhite; }));
  EXPECT_TRUE(program.Running());
}

TEST(NoDisplay, EndsWithAMessage) {
  Installed installed;
  for (std::string display : {"", ":987"}) {
    Process program({installed.executable()}, {{"DISPLAY", display}},
                    installed.folder() + "/stderr");
    EXPECT_EQ(program.WaitForExit(), 1);
    EXPECT_NE(ReadText(installed.folder() + "/stderr").find("cannot open display"),
              std::string::npos);
  }
}

class OculonUnderOpenbox : public Oculon {};

TEST_P(OculonUnderOpenbox, AWindowManagerThatDiesLeavesTheProgramWorking) {
  ASSERT_TRUE(Start());
  display.StopWindowManager();
  Point pointer{0, 799};
  display.MovePointer(pointer.x, pointer.y);
  EXPECT_TRUE(PupilFollows(kLeftEye, pointer));
  Point before = Position();
  display.Drag(ScreenOf(85, 250), {ScreenOf(85, 250).x + 50, ScreenOf(85, 250).y + 40});
  EXPECT_TRUE(WaitFor([&] { return Position() == Point{before.x + 50, before.y + 40}; }));
  Point head = ScreenOf(85, 250);
  display.DoubleClick(head.x, head.y);
  EXPECT_EQ(program->WaitForExit(), 0);
}

TEST_P(OculonUnderOpenbox, StaysAboveAnOrdinaryWindowOpenedOverIt) {
  ASSERT_TRUE(Start());
  Point corner = Position();
  display.OpenOrdinaryWindow(corner.x - 20, corner.y + 100, 260, 120, 0xFF4040);
  EXPECT_TRUE(WaitFor([&] { return Screen(85, 200) == ArtworkPixel(85, 200); }));
  ASSERT_EQ(ArtworkPixel(kCutAway.x, kCutAway.y), artwork::kKeyColor);
  EXPECT_EQ(Screen(kCutAway.x, kCutAway.y),
            0xFF4040u);  // cut away: the ordinary window shows through
}

TEST_P(OculonUnderOpenbox, TheKeyboardReachesTheHiddenPanel) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(WaitFor([&] { return display.InputFocus() == window; }));
  UseTheHiddenPanel({kScreenWidth - 1, kScreenHeight - 1});
}

INSTANTIATE_TEST_SUITE_P(Desktops, OculonUnderOpenbox, ::testing::Values(true),
                         [](const auto&) { return "Openbox"; });

}  // namespace
}  // namespace oculon::e2e

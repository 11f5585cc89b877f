// The calibration panel: keyboard focus, trial centres, the preview and the timer switch.
#include <gtest/gtest.h>

#include "artwork_facts.h"
#include "eyes/oculon_fixture.h"
#include "runtime/thumb_drag.h"

namespace oculon {
namespace {

using testing::kBlackRgb;
using testing::kWhiteRgb;
using testing::OculonTest;

class Panel : public OculonTest {
 protected:
  void SetUp() override {
    window().SetTop(0);
    window().SetLeft(0);
    window().Show();
  }
  void Press(Key key, int times = 1) {
    for (int i = 0; i < times; ++i) desktop.PressKey(key);
  }
  Image ShownImage() const { return desktop.window().content; }
};

TEST_F(Panel, FocusStartsOnHScroll1AndTabWalksTheScrollBarsAndTheCheckBox) {
  fOculon& w = window();
  EXPECT_EQ(w.FocusedControl(), &w.HScroll1);
  const Control* order[] = {&w.VScroll1, &w.HScroll2, &w.VScroll2, &w.chkTimer, &w.HScroll1};
  for (const Control* next : order) {
    Press(Key::kTab);
    EXPECT_EQ(w.FocusedControl(), next);
  }
  Press(Key::kBackTab);
  EXPECT_EQ(w.FocusedControl(), &w.chkTimer);
}

TEST_F(Panel, ARightArrowPreviewsTheLeftEyeOnePixelOverAndTheNextTickLeavesASliver) {
  desktop.SetPointer({58, 0});  // straight above the left eye
  desktop.AdvanceTime(70);
  Press(Key::kRight);
  EXPECT_EQ(window().HScroll1.Value(), 59);
  EXPECT_EQ(window().lblScr(0).Caption(), "59");
  EXPECT_EQ(Shown(59 + 17, 148), kWhiteRgb);  // the preview's white reaches one pixel further
  EXPECT_EQ(Shown(59, 138), kBlackRgb);       // its pupil keeps the tick's direction
  EXPECT_EQ(Shown(59 + 7, 138), kBlackRgb);
  desktop.AdvanceTime(70);
  EXPECT_EQ(Shown(58 + 17, 148), kWhiteRgb);
  EXPECT_EQ(Shown(59 + 17, 148), kWhiteRgb);  // the sliver stays
  EXPECT_EQ(Shown(58 + 7, 138), kBlackRgb);
  EXPECT_EQ(Shown(58 + 8, 138), kWhiteRgb);
}

TEST_F(Panel, PageUpAndPageDownMoveTheBarsByOne) {
  Press(Key::kPageDown);
  EXPECT_EQ(window().HScroll1.Value(), 59);
  Press(Key::kTab);
  Press(Key::kPageUp, 2);
  EXPECT_EQ(window().VScroll1.Value(), 146);
  EXPECT_EQ(window().lblScr(2).Caption(), "146");
}

TEST_F(Panel, APreviewAtTheInitialValuesPaintsWhatATickPaints) {
  desktop.SetPointer({300, 700});
  desktop.AdvanceTime(70);
  Image afterTick = ShownImage();
  Press(Key::kBackTab);
  Press(Key::kSpace);  // stopped: each preview starts from the persistent image again
  Press(Key::kTab);
  Press(Key::kRight);
  Press(Key::kLeft);
  EXPECT_EQ(window().HScroll1.Value(), 58);
  EXPECT_TRUE(ShownImage().DifferingArea(afterTick, afterTick.Bounds()).IsEmpty());
}

TEST_F(Panel, APreviewBeforeAnyTickCentresThePupils) {
  Press(Key::kTab);
  Press(Key::kDown);  // VScroll1: 149
  EXPECT_EQ(window().lblScr(2).Caption(), "149");
  EXPECT_EQ(Shown(58, 149), kBlackRgb);
  EXPECT_EQ(Shown(58 - 7, 149), kBlackRgb);
  EXPECT_EQ(Shown(58 + 7, 149), kBlackRgb);
  EXPECT_EQ(Shown(58 + 8, 149), kWhiteRgb);
  EXPECT_EQ(Shown(testing::artwork::kRightEyeX, testing::artwork::kRightEyeY), kBlackRgb);
}

TEST_F(Panel, TheCheckBoxStopsTrackingAndThePreviewKeepsTheLastDirections) {
  desktop.SetPointer({58, 0});
  desktop.AdvanceTime(70);
  Press(Key::kBackTab);  // to chkTimer
  Press(Key::kSpace);
  EXPECT_EQ(window().chkTimer.Value(), 0);
  EXPECT_FALSE(window().tmr.Enabled());
  EXPECT_FALSE(window().AutoRedraw());
  Image stopped = ShownImage();
  desktop.SetPointer({1000, 1000});
  desktop.AdvanceTime(700);
  EXPECT_TRUE(ShownImage().DifferingArea(stopped, stopped.Bounds()).IsEmpty());
  EXPECT_EQ(window().mCursor, (POINT{58, 0}));

  Press(Key::kTab);  // HScroll1, while stopped: previews replace each other
  Press(Key::kEnd);
  Press(Key::kHome);
  Press(Key::kRight, 60);
  EXPECT_EQ(Shown(60, 138), kBlackRgb);
  EXPECT_EQ(Shown(58 + 17, 148), kWhiteRgb);  // in the persistent image from the last tick

  Press(Key::kBackTab);
  Press(Key::kSpace);
  EXPECT_TRUE(window().tmr.Enabled());
  EXPECT_TRUE(window().AutoRedraw());
  desktop.AdvanceTime(70);
  EXPECT_EQ(window().mCursor, (POINT{1000, 1000}));
}

TEST_F(Panel, AGreyedCheckBoxCountsAsChecked) {
  window().chkTimer.SetValue(0);
  window().chkTimer.SetValue(2);
  EXPECT_TRUE(window().tmr.Enabled());
  EXPECT_TRUE(window().AutoRedraw());
}

TEST_F(Panel, DraggingAThumbPreviewsOnEveryStep) {
  for (int16_t value = 118; value <= 121; ++value) {
    desktop.Deliver([&] { ThumbDrag::To(window().HScroll2, value); });
    EXPECT_EQ(window().lblScr(1).Caption(), std::to_string(value));
    EXPECT_EQ(window().Point(value, 150), 0);
  }
  ThumbDrag::To(window().VScroll2, 0);
  EXPECT_EQ(window().lblScr(3).Caption(), "0");
}

}  // namespace
}  // namespace oculon

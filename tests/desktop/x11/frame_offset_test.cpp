// The frame offset's rule: one offset seen twice is a frame's; anything else is left alone.
#include "desktop/x11/frame_offset.h"

#include <gtest/gtest.h>

namespace oculon::x11 {
namespace {

TEST(FrameOffset, TheSameOffsetTwiceIsTheFramesAndIsLearntOnce) {
  FrameOffset frame;
  EXPECT_TRUE(frame.Landed({1, 22}));  // asked again
  EXPECT_EQ(frame.Offset(), (PixelPoint{0, 0}));
  EXPECT_TRUE(frame.Landed({1, 22}));  // the same: the frame's
  EXPECT_EQ(frame.Offset(), (PixelPoint{1, 22}));
  EXPECT_FALSE(frame.Checking());
  EXPECT_FALSE(frame.Landed({1, 22}));  // learnt once, not added again
  EXPECT_EQ(frame.Offset(), (PixelPoint{1, 22}));
}

TEST(FrameOffset, AManagerThatPutsItRightWhenAskedAgainHasNoFrameOffset) {
  FrameOffset frame;
  EXPECT_TRUE(frame.Landed({0, 30}));  // its first placement, then it honours the request
  EXPECT_FALSE(frame.Landed({0, 0}));
  EXPECT_EQ(frame.Offset(), (PixelPoint{0, 0}));
  EXPECT_TRUE(frame.Checking());  // still looking, until two asks are spent
}

TEST(FrameOffset, WhatNoFrameCouldMakeIsTheManagersOwnRuleAndEndsTheCheck) {
  for (PixelPoint rule : {PixelPoint{-5, 0}, PixelPoint{0, -1}, PixelPoint{65, 0},
                          PixelPoint{0, FrameOffset::kMaxFrameOffset + 1}}) {
    FrameOffset frame;
    EXPECT_FALSE(frame.Landed(rule));
    EXPECT_FALSE(frame.Checking());
    EXPECT_EQ(frame.Offset(), (PixelPoint{0, 0}));
  }
  FrameOffset frame;
  EXPECT_TRUE(frame.Landed({64, 64}));  // the largest frame still is one
  FrameOffset panel;                    // a window in no frame, kept below a top bar
  EXPECT_FALSE(panel.Landed({0, 32}, false));
  EXPECT_FALSE(panel.Checking());
  EXPECT_EQ(panel.Offset(), (PixelPoint{0, 0}));
}

TEST(FrameOffset, TwoDifferentOffsetsTeachNothing) {
  FrameOffset frame;
  EXPECT_TRUE(frame.Landed({1, 22}));
  EXPECT_TRUE(frame.Landed({2, 20}));
  EXPECT_EQ(frame.Offset(), (PixelPoint{0, 0}));
  EXPECT_FALSE(frame.Checking());
}

}  // namespace
}  // namespace oculon::x11

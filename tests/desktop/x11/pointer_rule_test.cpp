// The pointer rule over the sequences the compositors were seen to make, one look a tick, and a
// pushed place in root pixels at every kind of scale.
#include "desktop/x11/pointer_rule.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace oculon::x11 {
namespace {

constexpr PixelSize kRoot{1280, 1024};

// One look: what the server says, whether the program's press holds the pointer, the push that
// came since the last look (x < 0: none), and the place to believe.
struct Look {
  PixelPoint server;
  bool buttonHeld = false;
  bool pressHolds = false;
  PixelPoint push{-1, -1};
  PixelPoint believed;
};

struct Sequence {
  std::string name;
  std::vector<Look> looks;
  friend void PrintTo(const Sequence& sequence, std::ostream* out) { *out << sequence.name; }
};

class PointerRuleSequences : public ::testing::TestWithParam<Sequence> {};

TEST_P(PointerRuleSequences, BelieveWhatTheRuleSays) {
  PointerRule rule;
  std::optional<PushedPointer> latest;
  int index = 0;
  for (const Look& look : GetParam().looks) {
    if (look.push.x >= 0) {
      latest = PushedPointer{double(look.push.x), double(look.push.y), 0, 0,
                             (latest ? latest->count : 0) + 1};
    }
    EXPECT_EQ(rule.Choose({look.server, look.buttonHeld}, look.pressHolds, latest, kRoot),
              look.believed)
        << "look " << index;
    ++index;
  }
}

// The pointer over a native window at (900, 300) and the head's X11 window near (100, 100).
INSTANTIATE_TEST_SUITE_P(
    SeenInTheWild, PointerRuleSequences,
    ::testing::Values(
        // Plain XWayland, no companion yet: the server, whatever it says.
        Sequence{
            "NoPushYet",
            {{{5, 5}, false, false, {-1, -1}, {5, 5}}, {{6, 5}, true, true, {-1, -1}, {6, 5}}}},
        // KWin 5.27 and GNOME 43: over a native window the server keeps its last answer, and
        // the pushes tell; back over the head both move and the push wins the tie, then the
        // server moving alone is believed until the next push.
        Sequence{"OverNativeWindowsAndBack",
                 {{{100, 100}, false, false, {900, 300}, {900, 300}},
                  {{100, 100}, false, false, {910, 310}, {910, 310}},
                  {{100, 100}, false, false, {-1, -1}, {910, 310}},
                  {{120, 110}, false, false, {120, 110}, {120, 110}},
                  {{125, 112}, false, false, {-1, -1}, {125, 112}},
                  {{125, 112}, false, false, {126, 112}, {126, 112}}}},
        // The companion died: only the server moves, and is believed.
        Sequence{"CompanionGone",
                 {{{100, 100}, false, false, {900, 300}, {900, 300}},
                  {{101, 100}, false, false, {-1, -1}, {101, 100}},
                  {{140, 120}, false, false, {-1, -1}, {140, 120}}}},
        // A press on the head holds the pointer (GNOME 43, under load): a push from before the
        // drag's last step comes late and is not believed while the button is held.
        Sequence{"ThePressHoldsThePointer",
                 {{{100, 100}, false, false, {100, 100}, {100, 100}},
                  {{110, 105}, true, true, {104, 102}, {110, 105}},
                  {{130, 115}, true, true, {120, 110}, {130, 115}},
                  {{130, 115}, false, false, {130, 115}, {130, 115}}}},
        // GNOME 43 to 48 and KWin 6 after they moved the window: the server keeps the button
        // held where the move began, and no press of the program's holds the pointer: the
        // pushes are believed as the pointer goes off over the desktop.
        Sequence{"AStaleButtonAfterTheCompositorsMove",
                 {{{100, 100}, true, false, {220, 170}, {220, 170}},
                  {{100, 100}, true, false, {1260, 20}, {1260, 20}},
                  {{100, 100}, true, false, {-1, -1}, {1260, 20}}}},
        // KWin 6.3: after the move the server catches up late with where it last had the
        // pointer, in the same interval as the push for the new place; the push wins, and so
        // does the one where the pointer comes to rest.
        Sequence{"ALateCatchUpTiesWithAPush",
                 {{{100, 100}, false, false, {900, 300}, {900, 300}},
                  {{220, 170}, false, false, {905, 302}, {905, 302}},
                  {{220, 170}, false, false, {906, 302}, {906, 302}}}}),
    [](const auto& sequence) { return sequence.param.name; });

TEST(PointerRule, APushIsScaledByTheRootAgainstTheLogicalDesktop) {
  // KWin applying its scale to X11 programs, 2 and 1.5; GNOME's native scaling at 1.5 rounds up
  // to 2; the logical desktop itself; a companion that does not tell the desktop's size.
  EXPECT_EQ(PointerRule::OnRoot({1200, 250, 1280, 1024}, {2560, 2048}), (PixelPoint{2400, 500}));
  EXPECT_EQ(PointerRule::OnRoot({853.5, 682.3, 1706.67, 1365.33}, {2560, 2048}),
            (PixelPoint{1280, 1023}));
  EXPECT_EQ(PointerRule::OnRoot({640, 512, 1280, 1024}, {1280, 1024}), (PixelPoint{640, 512}));
  EXPECT_EQ(PointerRule::OnRoot({640, 512, 0, 0}, {2560, 2048}), (PixelPoint{640, 512}));
  // Two monitors of different scales: one factor for the whole root.
  EXPECT_EQ(PointerRule::OnRoot({2000, 100, 3200, 1024}, {6400, 2048}), (PixelPoint{4000, 200}));
}

TEST(PointerRule, AChangeOfScaleTakesTheNewRootAtTheNextLook) {
  PointerRule rule;
  PushedPointer push{600, 250, 1280, 1024, 1};
  EXPECT_EQ(rule.Choose({{0, 0}}, false, push, {1280, 1024}), (PixelPoint{600, 250}));
  push.count = 2;
  EXPECT_EQ(rule.Choose({{0, 0}}, false, push, {2560, 2048}), (PixelPoint{1200, 500}));
}

}  // namespace
}  // namespace oculon::x11

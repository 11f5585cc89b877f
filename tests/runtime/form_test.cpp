// The window of the forms runtime: loading, positions, drawing, uploads, events and timers.
#include "runtime/form.h"

#include <gtest/gtest.h>

#include "desktop/headless/headless_desktop.h"
#include "runtime/run_time_error.h"

namespace oculon {
namespace {

class TestForm : public Form {
 public:
  explicit TestForm(FormDefinition definition = Definition()) : Form(std::move(definition)) {
    AddTimer(timer);
    timer.Tick = [this] { ++ticks; };
  }

  static FormDefinition Definition() {
    FormDefinition definition;
    definition.caption = "Form1";
    definition.widthTwips = 600;  // 40 x 30 pixels
    definition.heightTwips = 450;
    definition.backColor = 0xE0E0E0;
    definition.fillStyle = kFillSolid;
    definition.scaleMode = kScalePixels;
    return definition;
  }

  int loads = 0;
  int ticks = 0;
  float topSeenByLoad = -1;
  std::function<void()> onDblClick;
  Timer timer{70, true};

 protected:
  void Form_Load() override {
    ++loads;
    SetTop(1500);
    topSeenByLoad = Top();
  }
  void Form_DblClick() override {
    if (onDblClick) onDblClick();
  }
};

TEST(Form, FirstPropertyAccessLoadsTheWindowBeforeItCompletes) {
  HeadlessDesktop desktop;
  TestForm form;
  EXPECT_FALSE(desktop.window().created);
  form.SetTop(3000);
  EXPECT_EQ(form.loads, 1);
  EXPECT_EQ(form.topSeenByLoad, 1500);  // Load ran first, and its own accesses did not reload
  EXPECT_EQ(form.Top(), 3000);          // then the assignment took effect
  EXPECT_EQ(desktop.window().position.y, 200);
  form.Left();
  EXPECT_EQ(form.loads, 1);
  EXPECT_FALSE(desktop.window().shown);
  EXPECT_EQ(desktop.window().title, "Form1");
}

TEST(Form, PositionInTwipsRoundsToWholePixels) {
  HeadlessDesktop desktop;
  TestForm form;
  form.SetLeft(-75);
  EXPECT_EQ(desktop.window().position.x, -5);
  form.SetLeft(757.5);  // 50.5 pixels: ties go to even
  EXPECT_EQ(form.Left(), 750);
  EXPECT_THROW(form.SetLeft(1e30f), RunTimeError);
  desktop.MoveWindowByUser({321, 17});
  EXPECT_EQ(form.Left(), 321 * 15);
  EXPECT_EQ(form.Top(), 17 * 15);
}

TEST(Form, CirclePaintsThePersistentImageOnlyWithAutoRedraw) {
  HeadlessDesktop desktop;
  TestForm form;
  form.SetFillColor(0xFFFFFF);
  form.SetAutoRedraw(true);
  form.Circle(10, 10, 3, 0x0000FF);
  EXPECT_EQ(form.Point(10, 10), 0xFFFFFF);
  EXPECT_EQ(form.Point(7, 10), 0x0000FF);
  EXPECT_EQ(form.Point(0, 0), 0xE0E0E0);
  EXPECT_EQ(form.Point(40, 0), -1);
  EXPECT_EQ(form.Point(-1, 0), -1);

  form.SetAutoRedraw(false);
  form.Circle(25, 10, 3, 0);
  EXPECT_EQ(form.Point(25, 10), 0xE0E0E0);  // on the screen only
  form.Refresh();
  desktop.Expose({0, 0, 40, 30});
  EXPECT_EQ(desktop.window().content.Pixel(25, 10), ArgbFromColor(0xE0E0E0));
  EXPECT_EQ(desktop.window().content.Pixel(10, 10), ArgbFromColor(0xFFFFFF));
}

TEST(Form, PointAndScaleFollowTheScaleMode) {
  HeadlessDesktop desktop;
  TestForm form;
  EXPECT_EQ(form.ScaleWidth(), 40);
  form.SetScaleMode(kScaleTwips);
  EXPECT_EQ(form.ScaleWidth(), 600);
  EXPECT_EQ(form.ScaleHeight(), 450);
  EXPECT_EQ(form.Point(599, 449), 0xE0E0E0);
  EXPECT_EQ(form.Point(600, 0), -1);
  EXPECT_THROW(form.SetScaleMode(0), RunTimeError);
}

TEST(Form, EventsUploadOnlyThePixelsThatChanged) {
  HeadlessDesktop desktop;
  TestForm form;
  form.timer.Tick = [&] {
    form.SetFillColor(0xFFFFFF);
    form.Circle(10, 10, 3, 0xFFFFFF);
    form.SetFillColor(0);
    form.Circle(11, 10, 1, 0);
  };
  form.Show();
  int64_t before = desktop.uploadedPixels();
  desktop.AdvanceTime(70);
  int64_t first = desktop.uploadedPixels() - before;
  EXPECT_GT(first, 0);
  EXPECT_LE(first, 7 * 7);
  desktop.AdvanceTime(70 * 5);  // the same picture again: nothing to upload
  EXPECT_EQ(desktop.uploadedPixels() - before, first);
  EXPECT_EQ(desktop.window().content.Pixel(11, 10), ArgbFromColor(0));
}

TEST(Form, ManySeparateDrawingsInOneEventUploadEachAreaAloneNotTheSpanBetween) {
  HeadlessDesktop desktop;
  TestForm form;
  form.timer.Tick = [&] {
    form.SetFillColor(0);
    for (int corner = 0; corner < 6; ++corner) {
      form.Circle(float(3 + 6 * corner), corner % 2 ? 26.0f : 3.0f, 1, 0);  // 3 x 3 each
    }
  };
  form.Show();
  int64_t before = desktop.uploadedPixels();
  desktop.AdvanceTime(70);
  EXPECT_EQ(desktop.uploadedPixels() - before, 6 * 9);  // not the 33 x 26 they span
  EXPECT_EQ(desktop.window().content.Pixel(33, 26), ArgbFromColor(0));
}

TEST(Form, OverlappingDrawingsInOneEventUploadOnce) {
  HeadlessDesktop desktop;
  TestForm form;
  form.timer.Tick = [&] {
    form.SetFillColor(0);
    form.Circle(10, 10, 2, 0);  // 5 x 5
    form.Circle(12, 10, 2, 0);  // overlapping it: one area 7 x 5
  };
  form.Show();
  int uploads = desktop.uploads();
  desktop.AdvanceTime(70);
  EXPECT_EQ(desktop.uploads() - uploads, 1);
}

// The generation tells a caller whether what it drew may have been changed since.
TEST(Form, ImageGenerationChangesWithWhatDrawingGoesOntoAndOnlyThen) {
  HeadlessDesktop desktop;
  TestForm form;
  form.SetAutoRedraw(true);
  uint64_t generation = form.ImageGeneration();
  auto changed = [&] {
    bool result = form.ImageGeneration() != generation;
    generation = form.ImageGeneration();
    return result;
  };
  form.SetFillColor(0x00FF00);
  form.Point(1, 1);
  form.SetAutoRedraw(true);
  form.SetScaleMode(kScalePixels);
  desktop.Expose({0, 0, 40, 30});  // repainted from the persistent image, which stays
  EXPECT_FALSE(changed());
  form.Circle(5, 5, 1, 0);
  EXPECT_TRUE(changed());
  form.Refresh();
  EXPECT_TRUE(changed());
  form.SetScaleMode(kScaleTwips);
  EXPECT_TRUE(changed());
  form.SetAutoRedraw(false);
  EXPECT_TRUE(changed());
  desktop.Expose({0, 0, 40, 30});  // the screen image is restored from the persistent one
  EXPECT_TRUE(changed());
}

TEST(Form, UnhandledRunTimeErrorInAnEventEndsTheProgramAfterAMessage) {
  HeadlessDesktop desktop;
  TestForm form;
  form.onDblClick = [] { Raise(ErrorNumber::kOverflow); };
  form.Show();
  desktop.DoubleClick();
  EXPECT_TRUE(desktop.ended());
  EXPECT_EQ(desktop.exitCode(), 1);
  EXPECT_EQ(desktop.fatalError(), "Run-time error '6': Overflow");
  desktop.AdvanceTime(700);
  EXPECT_EQ(form.ticks, 0);  // nothing runs after the end
}

TEST(Form, TimerTicksOnlyWhileEnabled) {
  HeadlessDesktop desktop;
  TestForm form;
  EXPECT_FALSE(desktop.TimerRunning(0));  // not before the window is loaded
  form.Show();
  desktop.AdvanceTime(700);
  EXPECT_EQ(form.ticks, 10);
  form.timer.SetEnabled(false);
  desktop.AdvanceTime(700);
  EXPECT_EQ(form.ticks, 10);
  form.timer.SetEnabled(true);
  desktop.AdvanceTime(69);
  EXPECT_EQ(form.ticks, 10);
  desktop.AdvanceTime(1);
  EXPECT_EQ(form.ticks, 11);
  EXPECT_THROW(form.timer.SetInterval(-1), RunTimeError);
}

}  // namespace
}  // namespace oculon

// The controls of the forms runtime: keyboard focus, scroll bars, check box, labels.
#include <gtest/gtest.h>

#include "desktop/headless/headless_desktop.h"
#include "runtime/controls.h"
#include "runtime/form.h"
#include "runtime/run_time_error.h"

namespace oculon {
namespace {

class PanelForm : public Form {
 public:
  PanelForm() : Form(Definition()) {
    for (Control* control : std::initializer_list<Control*>{&label, &check, &scrollA, &scrollB}) {
      AddControl(*control);
    }
  }
  static FormDefinition Definition() {
    FormDefinition definition;
    definition.widthTwips = 150;
    definition.heightTwips = 150;
    return definition;
  }
  Label label{0, {}, "P O S", {"Arial", 14.25, true}};
  ScrollBar scrollA{1, {}, {0, 255, 1, 1}, 58};
  ScrollBar scrollB{2, {}, {-10, 10, 1, 5}, 0};
  CheckBox check{3, {}, "TIMER ENABLED", 1};
};

TEST(KeyboardFocus, StartsOnTheFirstControlThatTakesItAndCycles) {
  HeadlessDesktop desktop;
  PanelForm form;
  form.Show();
  EXPECT_EQ(form.FocusedControl(), &form.scrollA);  // the label at TabIndex 0 never takes it
  desktop.PressKey(Key::kTab);
  EXPECT_EQ(form.FocusedControl(), &form.scrollB);
  desktop.PressKey(Key::kTab);
  EXPECT_EQ(form.FocusedControl(), &form.check);
  desktop.PressKey(Key::kTab);
  EXPECT_EQ(form.FocusedControl(), &form.scrollA);
  desktop.PressKey(Key::kBackTab);
  EXPECT_EQ(form.FocusedControl(), &form.check);
}

TEST(ScrollBar, KeysMoveTheValueWithinItsRange) {
  HeadlessDesktop desktop;
  PanelForm form;
  int changes = 0;
  form.scrollB.Change = [&] { ++changes; };
  form.Show();
  desktop.PressKey(Key::kTab);
  desktop.PressKey(Key::kRight);
  EXPECT_EQ(form.scrollB.Value(), 1);
  desktop.PressKey(Key::kPageDown);
  EXPECT_EQ(form.scrollB.Value(), 6);
  desktop.PressKey(Key::kPageDown);
  EXPECT_EQ(form.scrollB.Value(), 10);
  desktop.PressKey(Key::kDown);  // already at Max: no change, no event
  EXPECT_EQ(changes, 3);
  desktop.PressKey(Key::kHome);
  EXPECT_EQ(form.scrollB.Value(), -10);
  desktop.PressKey(Key::kUp);
  EXPECT_EQ(form.scrollB.Value(), -10);
  desktop.PressKey(Key::kEnd);
  EXPECT_EQ(form.scrollB.Value(), 10);
  desktop.PressKey(Key::kPageUp);
  desktop.PressKey(Key::kLeft);
  EXPECT_EQ(form.scrollB.Value(), 4);
  EXPECT_EQ(changes, 7);
}

TEST(ScrollBar, ValuesOutsideTheRangeAreRefused) {
  PanelForm form;
  EXPECT_THROW(form.scrollA.SetValue(256), RunTimeError);
  EXPECT_THROW(form.scrollA.SetValue(-1), RunTimeError);
}

TEST(CheckBox, SpaceTogglesAndRaisesClick) {
  HeadlessDesktop desktop;
  PanelForm form;
  std::vector<int16_t> seen;
  form.check.Click = [&] { seen.push_back(form.check.Value()); };
  form.Show();
  desktop.PressKey(Key::kBackTab);
  desktop.PressKey(Key::kSpace);
  desktop.PressKey(Key::kSpace);
  form.check.SetValue(2);
  desktop.PressKey(Key::kSpace);
  EXPECT_EQ(seen, (std::vector<int16_t>{0, 1, 2, 0}));
  EXPECT_THROW(form.check.SetValue(3), RunTimeError);
}

TEST(LabelArray, IndexesItsLabels) {
  LabelArray labels;
  labels.Add(std::make_unique<Label>(6, TwipsLayout{}, "58", Font{}));
  labels.Add(std::make_unique<Label>(7, TwipsLayout{}, "117", Font{}));
  EXPECT_EQ(labels(1).Caption(), "117");
  labels(0).SetCaption("59");
  EXPECT_EQ(labels(0).Caption(), "59");
  EXPECT_THROW(labels(2), RunTimeError);
}

}  // namespace
}  // namespace oculon

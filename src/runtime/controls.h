// The controls a window carries: what each shares (its place in the keyboard order and its
// layout), labels, check boxes and scroll bars.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/backend.h"

namespace oculon {

// A control's position and size in twips, relative to the client area.
struct TwipsLayout {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class Control {
 public:
  Control(int tabIndex, TwipsLayout layout, bool takesFocus)
      : tabIndex_(tabIndex), layout_(layout), takesFocus_(takesFocus) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  int TabIndex() const { return tabIndex_; }
  const TwipsLayout& Layout() const { return layout_; }
  bool TakesFocus() const { return takesFocus_; }
  // A key pressed while this control has the focus.
  virtual void OnKey(Key) {}

 private:
  int tabIndex_;
  TwipsLayout layout_;
  bool takesFocus_;
};

// Labels: a caption in a font; never takes the focus.
struct Font {
  std::string name;
  double size = 8.25;
  bool bold = false;
};

class Label : public Control {
 public:
  Label(int tabIndex, TwipsLayout layout, std::string caption, Font font)
      : Control(tabIndex, layout, false), caption_(std::move(caption)), font_(std::move(font)) {}

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }

 private:
  std::string caption_;
  Font font_;
};

// A control array: labels that share a name and are told apart by index, as in lblScr(2).
class LabelArray {
 public:
  void Add(std::unique_ptr<Label> label) { labels_.push_back(std::move(label)); }
  Label& operator()(int index);
  size_t size() const { return labels_.size(); }

 private:
  std::vector<std::unique_ptr<Label>> labels_;
};

// Check boxes: Value 0 unchecked, 1 checked, 2 greyed; Space toggles it and raises Click.
class CheckBox : public Control {
 public:
  CheckBox(int tabIndex, TwipsLayout layout, std::string caption, int16_t value)
      : Control(tabIndex, layout, true), caption_(std::move(caption)), value_(value) {}

  int16_t Value() const { return value_; }
  // Raises Click when the value changes; error 380 for anything but 0, 1 and 2.
  void SetValue(int16_t value);
  const std::string& Caption() const { return caption_; }

  // Space checks an unchecked box and clears a checked or greyed one.
  void OnKey(Key key) override;

  std::function<void()> Click;

 private:
  std::string caption_;
  int16_t value_;
};

// Horizontal and vertical scroll bars: a 16-bit value between Min and Max, moved by keys.
struct ScrollRange {
  int16_t min = 0;
  int16_t max = 32767;
  int16_t smallChange = 1;
  int16_t largeChange = 1;
};

class ScrollBar : public Control {
 public:
  ScrollBar(int tabIndex, TwipsLayout layout, ScrollRange range, int16_t value)
      : Control(tabIndex, layout, true), range_(range), value_(value) {}

  int16_t Value() const { return value_; }
  // Raises Change when the value changes; error 380 outside Min..Max.
  void SetValue(int16_t value);
  const ScrollRange& Range() const { return range_; }

  // Arrows move by SmallChange, Page Up and Page Down by LargeChange, Home and End to the ends.
  void OnKey(Key key) override;

  std::function<void()> Change;
  std::function<void()> Scroll;

 private:
  // No desktop reaches the thumb of a hidden panel; tests drag it to raise Scroll.
  friend struct ThumbDrag;

  void StepBy(int delta);

  ScrollRange range_;
  int16_t value_;
};

}  // namespace oculon

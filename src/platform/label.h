// Labels: a caption in a font; never takes the focus.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/control.h"

namespace oculon {

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

}  // namespace oculon

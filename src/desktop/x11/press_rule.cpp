// The drag threshold and the pairing of presses into double-clicks.
#include "desktop/x11/press_rule.h"

#include <cstdlib>

namespace oculon::x11 {
namespace {

int Scaled(int unscaled, int dpi) {
  return unscaled * dpi / 96;
}

bool Near(PixelPoint a, PixelPoint b, int distance) {
  return std::abs(a.x - b.x) <= distance && std::abs(a.y - b.y) <= distance;
}

}  // namespace

bool PressRule::Pressed(uint32_t time, PixelPoint root, int dpi) {
  bool pairs = lastCanPair_ && time - lastTime_ <= kDoubleClickMs &&
               Near(root, lastRoot_, Scaled(kDoubleClickDistance, dpi));
  lastTime_ = time;
  lastRoot_ = root;
  lastCanPair_ = !pairs;
  return pairs;
}

bool PressRule::IsDrag(PixelPoint press, PixelPoint now, int dpi) {
  return !Near(now, press, Scaled(kDragThreshold, dpi) - 1);
}

}  // namespace oculon::x11

// The frame offset's rule: the same offset twice is the frame's.
#include "desktop/x11/frame_offset.h"

namespace oculon::x11 {

bool FrameOffset::Landed(PixelPoint offset, bool framed, int largestFrame) {
  if (!Checking() || offset == PixelPoint{}) return false;
  if (!framed || offset.x < 0 || offset.y < 0 || offset.x > largestFrame ||
      offset.y > largestFrame) {
    asks_ = kAsks;
    return false;
  }
  // Asked once more, a manager that reads a request as the client's place puts it right; one
  // that puts its frame there shows the same offset again, which is then the frame's.
  if (asks_ == 1 && offset == lastOffset_) offset_ = {offset_.x + offset.x, offset_.y + offset.y};
  lastOffset_ = offset;
  ++asks_;
  return true;
}

}  // namespace oculon::x11

// The desktop's size, from the backend; twips to pixels, with the runtime's rounding and
// overflow rules.
#include "runtime/screen.h"

#include <algorithm>

#include "runtime/backend.h"
#include "runtime/numbers.h"

namespace oculon {

ScreenObject Screen;

float ScreenObject::Width() {
  return TwipsFromPixels(CurrentBackend().ScreenSize().width, CurrentScale());
}

float ScreenObject::Height() {
  return TwipsFromPixels(CurrentBackend().ScreenSize().height, CurrentScale());
}

float ScreenObject::TwipsPerPixelX() {
  return static_cast<float>(CurrentScale().TwipsPerPixel());
}

float ScreenObject::TwipsPerPixelY() {
  return TwipsPerPixelX();
}

bool ShowsOnAMonitor(const PixelRect& window, std::span<const PixelRect> monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const PixelRect& monitor) {
    PixelRect shown = window.Intersect(monitor);
    return !shown.IsEmpty() &&
           shown.Width() >= std::min({kLeastShown, window.Width(), monitor.Width()}) &&
           shown.Height() >= std::min({kLeastShown, window.Height(), monitor.Height()});
  });
}

int32_t PixelsFromTwips(float twips, DeviceScale scale) {
  return CLng(double{twips} / scale.TwipsPerPixel());
}

}  // namespace oculon

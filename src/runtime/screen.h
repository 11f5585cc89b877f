// The Screen object, the desktop's size in twips; and twips, the unit of the window's and the
// screen's positions and sizes, against device pixels: the one place where the two meet.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/device_scale.h"
#include "runtime/geometry.h"

namespace oculon {

// Twips to the program's pixel, whatever the desktop's scale.
inline constexpr int kTwipsPerPixel = 15;

// Device pixels as twips, in double so that no pixel count can overflow on the way.
inline float TwipsFromPixels(int32_t pixels, DeviceScale scale) {
  return static_cast<float>(static_cast<double>(pixels) * scale.TwipsPerPixel());
}

// Twips as whole device pixels, rounded to nearest (ties to even); error 6 past the 32-bit
// range.
int32_t PixelsFromTwips(float twips, DeviceScale scale);

// A window shows on a monitor when at least a kLeastShown × kLeastShown part of it lies there
// (all of it that could, where the window or the monitor is smaller): less is a window no one
// can see or grab.
inline constexpr int32_t kLeastShown = 48;
bool ShowsOnAMonitor(const PixelRect& window, std::span<const PixelRect> monitors);

class ScreenObject {
 public:
  float Width();
  float Height();
  // 1440 / the desktop's dpi: 15 on an unscaled desktop.
  float TwipsPerPixelX();
  float TwipsPerPixelY();
};

extern ScreenObject Screen;

}  // namespace oculon

// The Screen object: the desktop's size in twips.
#pragma once

#include <cstdint>

namespace oculon {

inline constexpr int kTwipsPerPixel = 15;

// Pixels as twips, in double so that no pixel count can overflow on the way.
inline float TwipsFromPixels(int32_t pixels) {
  return static_cast<float>(static_cast<double>(pixels) * kTwipsPerPixel);
}

class ScreenObject {
 public:
  float Width();
  float Height();
};

extern ScreenObject Screen;

}  // namespace oculon

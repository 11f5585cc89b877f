// The Screen object: the desktop's size in twips.
#pragma once

namespace oculon {

inline constexpr int kTwipsPerPixel = 15;

class ScreenObject {
 public:
  float Width();
  float Height();
};

extern ScreenObject Screen;

}  // namespace oculon

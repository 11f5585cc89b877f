// The Screen object: the desktop's size in twips.
#pragma once

#include "platform/twips.h"

namespace oculon {

class ScreenObject {
 public:
  float Width();
  float Height();
};

extern ScreenObject Screen;

}  // namespace oculon

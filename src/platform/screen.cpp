// The desktop's size, from the backend.
#include "platform/screen.h"

#include "platform/backend.h"

namespace oculon {

ScreenObject Screen;

float ScreenObject::Width() {
  return static_cast<float>(double{1.0} * CurrentBackend().ScreenSize().width * kTwipsPerPixel);
}

float ScreenObject::Height() {
  return static_cast<float>(double{1.0} * CurrentBackend().ScreenSize().height * kTwipsPerPixel);
}

}  // namespace oculon

// The desktop's size, from the backend.
#include "platform/screen.h"

#include "platform/backend.h"

namespace oculon {

ScreenObject Screen;

float ScreenObject::Width() {
  return TwipsFromPixels(CurrentBackend().ScreenSize().width);
}

float ScreenObject::Height() {
  return TwipsFromPixels(CurrentBackend().ScreenSize().height);
}

}  // namespace oculon

// The desktop's size, from the backend; twips to pixels, with the runtime's rounding and
// overflow rules.
#include "runtime/screen.h"

#include "runtime/backend.h"
#include "runtime/numbers.h"

namespace oculon {

ScreenObject Screen;

float ScreenObject::Width() {
  return TwipsFromPixels(CurrentBackend().ScreenSize().width);
}

float ScreenObject::Height() {
  return TwipsFromPixels(CurrentBackend().ScreenSize().height);
}

int32_t PixelsFromTwips(float twips) {
  return CLng(double{twips} / kTwipsPerPixel);
}

}  // namespace oculon

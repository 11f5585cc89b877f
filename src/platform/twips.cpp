// Twips to pixels, with the runtime's rounding and overflow rules.
#include "platform/twips.h"

#include "platform/numbers.h"

namespace oculon {

int32_t PixelsFromTwips(float twips) {
  return CLng(double{twips} / kTwipsPerPixel);
}

}  // namespace oculon

// The artwork's PNG bytes are embedded at build time and decoded when the window is defined.
#include "eyes/artwork.h"

#include <span>

extern const std::span<const unsigned char> kHeadPng;
extern const std::span<const unsigned char> kIconPng;

namespace oculon {

StdPicture HeadPicture() {
  return StdPicture::FromPng(kHeadPng);
}
StdPicture IconPicture() {
  return StdPicture::FromPng(kIconPng);
}

}  // namespace oculon

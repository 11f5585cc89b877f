// Pictures: each loaded one has a handle of its own.
#include "runtime/picture.h"

namespace oculon {

StdPicture StdPicture::FromImage(Image image) {
  static uint32_t nextHandle = 1;
  StdPicture picture;
  picture.handle_ = nextHandle++;
  picture.image_ = std::move(image);
  return picture;
}

}  // namespace oculon

// PNG decoding with libpng, into 0xAARRGGBB pixels.
#include <png.h>

#include "runtime/picture.h"

namespace oculon {

StdPicture StdPicture::FromPng(std::span<const unsigned char> png) {
  png_image decoder{};
  decoder.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&decoder, png.data(), png.size())) return {};
  decoder.format = PNG_FORMAT_BGRA;  // in memory: B, G, R, A = 0xAARRGGBB on little-endian
  Image image(static_cast<int32_t>(decoder.width), static_cast<int32_t>(decoder.height));
  if (!png_image_finish_read(&decoder, nullptr, image.mutable_pixels().data(), 0, nullptr)) {
    png_image_free(&decoder);
    return {};
  }
  return FromImage(std::move(image));
}

}  // namespace oculon

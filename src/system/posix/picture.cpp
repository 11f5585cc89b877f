// PNG decoding with libpng, into 0xAARRGGBB pixels; resampling with pixman's separable
// convolution.
#include <pixman.h>
#include <png.h>

#include <cstdlib>
#include <memory>

#include "runtime/picture.h"
#include "runtime/scaled_picture.h"

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

Image ResampledImage(const Image& premultiplied, PixelSize size) {
  using PixmanImage = std::unique_ptr<pixman_image_t, decltype(&pixman_image_unref)>;
  Image source = premultiplied;  // pixman takes the pixels it reads as writable
  Image result(size.width, size.height);
  PixmanImage from(pixman_image_create_bits(PIXMAN_a8r8g8b8, source.width(), source.height(),
                                            source.mutable_pixels().data(), source.width() * 4),
                   &pixman_image_unref);
  PixmanImage to(pixman_image_create_bits(PIXMAN_a8r8g8b8, size.width, size.height,
                                          result.mutable_pixels().data(), size.width * 4),
                 &pixman_image_unref);
  if (!from || !to) return {};
  double scaleX = double(source.width()) / size.width;
  double scaleY = double(source.height()) / size.height;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX),
                              pixman_double_to_fixed(scaleY));
  pixman_image_set_transform(from.get(), &transform);
  // A cubic rebuilds the picture between its pixels; shrinking, a box gathers every pixel a
  // device pixel covers.
  auto sample = [](double scale) { return scale > 1 ? PIXMAN_KERNEL_BOX : PIXMAN_KERNEL_IMPULSE; };
  constexpr int kSubsampleBits = 4;
  int count = 0;
  std::unique_ptr<pixman_fixed_t, decltype(&free)> filter(
      pixman_filter_create_separable_convolution(
          &count, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY),
          PIXMAN_KERNEL_CUBIC, PIXMAN_KERNEL_CUBIC, sample(scaleX), sample(scaleY), kSubsampleBits,
          kSubsampleBits),
      &free);
  if (!filter || !pixman_image_set_filter(from.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION,
                                          filter.get(), count)) {
    return {};
  }
  pixman_image_set_repeat(from.get(), PIXMAN_REPEAT_PAD);
  pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0,
                           size.width, size.height);
  return result;
}

}  // namespace oculon

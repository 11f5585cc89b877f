// Scaling a picture for the window.
#include "runtime/scaled_picture.h"

#include <algorithm>

namespace oculon {
namespace {

uint32_t NearestPixel(const Image& picture, PixelSize size, int32_t x, int32_t y) {
  int32_t column = int32_t(int64_t{x} * picture.width() / size.width);
  int32_t row = int32_t(int64_t{y} * picture.height() / size.height);
  return picture.Pixel(column, row);
}

Image Blocks(const Image& picture, PixelSize size) {
  Image scaled(size.width, size.height);
  for (int32_t y = 0; y < size.height; ++y) {
    for (int32_t x = 0; x < size.width; ++x)
      scaled.SetPixel(x, y, NearestPixel(picture, size, x, y));
  }
  return scaled;
}

// The background counts for nothing: a transparent pixel, where the figure is opaque.
Image WithoutBackground(const Image& picture) {
  Image figure = picture;
  uint32_t background = picture.Pixel(0, 0);
  for (uint32_t& pixel : figure.mutable_pixels())
    pixel = pixel == background ? 0 : pixel | 0xFF000000u;
  return figure;
}

uint32_t Unpremultiplied(uint32_t pixel) {
  uint32_t alpha = pixel >> 24;
  auto channel = [&](int shift) {
    uint32_t value = (pixel >> shift & 0xFFu) * 255 + alpha / 2;
    return std::min<uint32_t>(value / alpha, 255) << shift;
  };
  return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

}  // namespace

Image ScaledPicture(const Image& picture, PixelSize size) {
  if (picture.width() == 0 || picture.height() == 0 || size.width <= 0 || size.height <= 0) {
    return {};
  }
  if (size == PixelSize{picture.width(), picture.height()}) return picture;
  bool whole = size.width % picture.width() == 0 && size.height % picture.height() == 0;
  if (whole) return Blocks(picture, size);
  Image resampled = ResampledImage(WithoutBackground(picture), size);
  if (resampled.width() != size.width || resampled.height() != size.height) {
    return Blocks(picture, size);
  }
  for (int32_t y = 0; y < size.height; ++y) {
    for (int32_t x = 0; x < size.width; ++x) {
      uint32_t pixel = resampled.Pixel(x, y);
      resampled.SetPixel(
          x, y, pixel >> 24 == 0 ? NearestPixel(picture, size, x, y) : Unpremultiplied(pixel));
    }
  }
  return resampled;
}

}  // namespace oculon

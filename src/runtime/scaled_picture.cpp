// Scaling a picture for the window.
#include "runtime/scaled_picture.h"

#include <algorithm>
#include <vector>

namespace oculon {
namespace {

// For each device column (or row), the picture's column (row) that covers it.
std::vector<int32_t> Owners(int32_t pixels, DeviceScale scale) {
  std::vector<int32_t> owners;
  for (int32_t pixel = 0; pixel < pixels; ++pixel) {
    owners.resize(size_t(std::max(scale.ToDevice(pixel + 1), 0)), pixel);
  }
  return owners;
}

struct Coverage {
  std::vector<int32_t> columns;
  std::vector<int32_t> rows;
  uint32_t Pixel(const Image& picture, int32_t x, int32_t y) const {
    return picture.Pixel(columns[size_t(x)], rows[size_t(y)]);
  }
};

Image Blocks(const Image& picture, const Coverage& coverage) {
  Image scaled(int32_t(coverage.columns.size()), int32_t(coverage.rows.size()));
  for (int32_t y = 0; y < scaled.height(); ++y) {
    for (int32_t x = 0; x < scaled.width(); ++x) {
      scaled.SetPixel(x, y, coverage.Pixel(picture, x, y));
    }
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

Image ScaledPicture(const Image& picture, DeviceScale scale) {
  if (scale == DeviceScale() || picture.width() == 0 || picture.height() == 0) return picture;
  Coverage coverage{Owners(picture.width(), scale), Owners(picture.height(), scale)};
  if (scale.IsWhole()) return Blocks(picture, coverage);
  PixelSize size{int32_t(coverage.columns.size()), int32_t(coverage.rows.size())};
  Image resampled = ResampledImage(WithoutBackground(picture), size);
  if (resampled.width() != size.width || resampled.height() != size.height) {
    return Blocks(picture, coverage);
  }
  for (int32_t y = 0; y < size.height; ++y) {
    for (int32_t x = 0; x < size.width; ++x) {
      uint32_t pixel = resampled.Pixel(x, y);
      resampled.SetPixel(x, y,
                         pixel >> 24 == 0 ? coverage.Pixel(picture, x, y) : Unpremultiplied(pixel));
    }
  }
  return resampled;
}

}  // namespace oculon

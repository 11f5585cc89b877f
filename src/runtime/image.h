// A 32-bit image in memory (0xAARRGGBB: alpha, red, green, blue from the high byte down) and the
// drawing on it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "runtime/geometry.h"

namespace oculon {

class Image {
 public:
  Image() = default;
  Image(int32_t width, int32_t height, uint32_t argb = 0);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  PixelRect Bounds() const { return {0, 0, width_, height_}; }
  uint32_t Pixel(int32_t x, int32_t y) const { return pixels_[Index(x, y)]; }
  void SetPixel(int32_t x, int32_t y, uint32_t argb) { pixels_[Index(x, y)] = argb; }
  std::span<const uint32_t> Row(int32_t y) const { return {&pixels_[Index(0, y)], size_t(width_)}; }
  std::span<const uint32_t> pixels() const { return pixels_; }
  std::span<uint32_t> mutable_pixels() { return pixels_; }

  // Copies `source` with its top-left pixel at (x, y), clipped to this image.
  void Draw(const Image& source, int32_t x, int32_t y);
  // Copies the pixels of `area` from an image of the same size.
  void CopyArea(const Image& source, const PixelRect& area);
  // The smallest rectangle within `area` that holds every pixel differing from `other`.
  PixelRect DifferingArea(const Image& other, const PixelRect& area) const;

  // A disc around (cx, cy). Pixel (i, j) belongs to it when the point (i, j) lies within
  // `radius` of the centre; the disc's pixels with a 4-neighbour outside it are its one-pixel
  // outline, drawn in `outline`; the others are filled with `fill`, or left alone without one.
  // Returns the painted area, clipped to the image.
  PixelRect Circle(double cx, double cy, double radius, uint32_t outline,
                   std::optional<uint32_t> fill);

 private:
  size_t Index(int32_t x, int32_t y) const { return size_t(y) * size_t(width_) + size_t(x); }
  // Paints columns from..to of row y, clipped to the image.
  void PaintRow(int32_t y, int32_t from, int32_t to, uint32_t argb);

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Colours as the logic writes them (0x00BBGGRR) and as images hold them.
uint32_t ArgbFromColor(int32_t color);
int32_t ColorFromArgb(uint32_t argb);

}  // namespace oculon

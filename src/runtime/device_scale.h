// The desktop's scale: how many device pixels stand for one pixel of the 96-dpi space the
// program is written in. The runtime converts at its edge, so the program's pixels, twips and
// drawing mean the same at any scale; backends speak device pixels.
#pragma once

#include <cstdint>

#include "runtime/geometry.h"

namespace oculon {

inline constexpr int kBaseDpi = 96;
inline constexpr int kTwipsPerInch = 1440;
// A desktop that says more than this is taken at its word no further: the head would not fit
// on any screen made.
inline constexpr int kMostDpi = 8 * kBaseDpi;

class DeviceScale {
 public:
  DeviceScale() = default;
  // Below 96 dpi (or none said) the desktop is unscaled.
  explicit DeviceScale(int dpi)
      : dpi_(dpi < kBaseDpi   ? kBaseDpi
             : dpi > kMostDpi ? kMostDpi
                              : dpi) {}

  int dpi() const { return dpi_; }
  double factor() const { return double(dpi_) / kBaseDpi; }
  bool IsWhole() const { return dpi_ % kBaseDpi == 0; }
  // 15 at 96 dpi, 10 at 144, 7.5 at 192.
  double TwipsPerPixel() const { return double(kTwipsPerInch) / dpi_; }

  // A program length or position in device pixels, rounded to nearest (ties to even) and held
  // within 32 bits. Rectangles keep shared edges shared.
  int32_t ToDevice(int32_t pixels) const;
  PixelPoint ToDevice(PixelPoint point) const { return {ToDevice(point.x), ToDevice(point.y)}; }
  PixelSize ToDevice(PixelSize size) const { return {ToDevice(size.width), ToDevice(size.height)}; }
  PixelRect ToDevice(const PixelRect& rect) const;
  // The program pixel that holds device pixel `device`.
  int32_t FromDevice(int32_t device) const;
  PixelPoint FromDevice(PixelPoint point) const {
    return {FromDevice(point.x), FromDevice(point.y)};
  }
  PixelRect FromDevice(const PixelRect& rect) const;
  // Where a point given in program pixel coordinates lies in device pixel coordinates, pixel
  // centres on pixel centres: a circle round a program pixel stays round the block of device
  // pixels it became.
  double DeviceCoordinate(double pixels) const { return pixels * factor() + (factor() - 1) / 2; }

  bool operator==(const DeviceScale&) const = default;

 private:
  int dpi_ = kBaseDpi;
};

}  // namespace oculon

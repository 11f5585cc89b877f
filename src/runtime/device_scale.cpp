// Program pixels to device pixels and back.
#include "runtime/device_scale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace oculon {

int32_t DeviceScale::ToDevice(int32_t pixels) const {
  double device = std::nearbyint(pixels * factor());
  return static_cast<int32_t>(std::clamp(device, double{std::numeric_limits<int32_t>::min()},
                                         double{std::numeric_limits<int32_t>::max()}));
}

PixelRect DeviceScale::ToDevice(const PixelRect& rect) const {
  return {ToDevice(rect.left), ToDevice(rect.top), ToDevice(rect.right), ToDevice(rect.bottom)};
}

int32_t DeviceScale::FromDevice(int32_t device) const {
  return static_cast<int32_t>(std::floor(device / factor()));
}

PixelRect DeviceScale::FromDevice(const PixelRect& rect) const {
  return {FromDevice(rect.left), FromDevice(rect.top), FromDevice(rect.right),
          FromDevice(rect.bottom)};
}

}  // namespace oculon

// The window's shape, kept in program pixels.
#include "runtime/window_shape.h"

#include <vector>

#include "runtime/backend.h"

namespace oculon {
namespace {

struct Shape {
  bool set = false;
  std::vector<PixelRect> programRects;
  std::vector<PixelRect> deviceRects;
};

Shape& TheShape() {
  static Shape shape;
  return shape;
}

bool SetOnBackend(const Shape& shape, std::vector<PixelRect>& deviceRects) {
  DeviceScale scale = CurrentScale();
  deviceRects.clear();
  // Each edge is rounded on its own, so rectangles that touched still touch: the shape keeps
  // no gap and no overlap at a fractional scale.
  for (const PixelRect& rect : shape.programRects) {
    PixelRect device = scale.ToDevice(rect);
    if (!device.IsEmpty()) deviceRects.push_back(device);
  }
  return CurrentBackend().SetShape(deviceRects);
}

}  // namespace

bool ShapeWindow(std::span<const PixelRect> rects) {
  Shape& shape = TheShape();
  Shape given;
  given.programRects.assign(rects.begin(), rects.end());
  if (!SetOnBackend(given, shape.deviceRects)) return false;
  shape.set = true;
  shape.programRects = std::move(given.programRects);
  return true;
}

void ForgetWindowShape() {
  TheShape().set = false;
}

void ReshapeWindow() {
  Shape& shape = TheShape();
  if (shape.set) SetOnBackend(shape, shape.deviceRects);
}

}  // namespace oculon

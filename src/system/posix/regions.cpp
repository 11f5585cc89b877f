// Regions on pixman.
#include "runtime/regions.h"

#include <pixman.h>

#include <memory>

#include "runtime/region_table.h"

namespace oculon {
namespace {

struct PixmanRegion : SystemRegion {
  PixmanRegion() { pixman_region32_init(&pixman); }
  ~PixmanRegion() override { pixman_region32_fini(&pixman); }
  PixmanRegion(const PixmanRegion&) = delete;
  PixmanRegion& operator=(const PixmanRegion&) = delete;
  pixman_region32_t pixman;
};

pixman_region32_t* Find(HRGN handle) {
  PixmanRegion* region = FindRegion<PixmanRegion>(handle);
  return region ? &region->pixman : nullptr;
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  auto region = std::make_unique<PixmanRegion>();
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  int64_t width = int64_t{right} - left;
  int64_t height = int64_t{bottom} - top;
  if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX) {
    pixman_region32_init_rect(&region->pixman, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
  }
  return AddRegion(std::move(region));
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  pixman_region32_t* target = Find(dest);
  pixman_region32_t* first = Find(a);
  pixman_region32_t* second = Find(b);
  if (!target || !first || !second || mode != RGN_OR) return kRegionError;
  if (!pixman_region32_union(target, first, second)) return kRegionError;
  int count = pixman_region32_n_rects(target);
  return count == 0 ? kNullRegion : count == 1 ? kSimpleRegion : kComplexRegion;
}

bool RegionRects(HRGN region, std::vector<PixelRect>& rects) {
  pixman_region32_t* found = Find(region);
  if (!found) return false;
  int count = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(found, &count);
  rects.clear();
  for (int i = 0; i < count; ++i) {
    rects.push_back({boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
  }
  return true;
}

}  // namespace oculon

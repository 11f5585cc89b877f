// Regions on pixman.
#include "runtime/regions.h"

#include <pixman.h>

#include <memory>

#include "runtime/region_table.h"

namespace oculon {
namespace {

struct Region {
  Region() { pixman_region32_init(&pixman); }
  ~Region() { pixman_region32_fini(&pixman); }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  pixman_region32_t pixman;
};

using PixmanRegion = std::unique_ptr<Region>;

RegionTable<PixmanRegion>& Table() {
  static RegionTable<PixmanRegion> table;
  return table;
}

pixman_region32_t* Find(HRGN handle) {
  PixmanRegion* region = Table().Find(handle);
  return region ? &(*region)->pixman : nullptr;
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  auto region = std::make_unique<Region>();
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  int64_t width = int64_t{right} - left;
  int64_t height = int64_t{bottom} - top;
  if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX) {
    pixman_region32_init_rect(&region->pixman, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
  }
  return Table().Add(std::move(region));
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

bool DeleteObject(HRGN region) {
  return Table().Release(region);
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

void ForgetRegion(HRGN region) {
  Table().Release(region);
}

RegionCounts CountRegions() {
  return Table().Counts();
}

void ResetRegionPeak() {
  Table().ResetPeak();
}

}  // namespace oculon

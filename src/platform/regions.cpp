// The region table, on pixman. Handles are never reused, so a stale one is always refused.
#include "platform/regions.h"

#include <pixman.h>

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace oculon {
namespace {

struct Region {
  Region() { pixman_region32_init(&pixman); }
  ~Region() { pixman_region32_fini(&pixman); }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  pixman_region32_t pixman;
};

struct RegionTable {
  std::unordered_map<HRGN, std::unique_ptr<Region>> regions;
  HRGN nextHandle = 1;
  size_t peak = 0;

  Region* Find(HRGN handle) {
    auto found = regions.find(handle);
    return found == regions.end() ? nullptr : found->second.get();
  }
};

RegionTable& Table() {
  static RegionTable table;
  return table;
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RegionTable& table = Table();
  if (table.nextHandle == 0) return 0;  // every handle used up
  auto region = std::make_unique<Region>();
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  int64_t width = int64_t{right} - left;
  int64_t height = int64_t{bottom} - top;
  if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX) {
    pixman_region32_init_rect(&region->pixman, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
  }
  HRGN handle = table.nextHandle++;
  table.regions.emplace(handle, std::move(region));
  table.peak = std::max(table.peak, table.regions.size());
  return handle;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  RegionTable& table = Table();
  Region* target = table.Find(dest);
  Region* first = table.Find(a);
  Region* second = table.Find(b);
  if (!target || !first || !second || mode != RGN_OR) return kRegionError;
  if (!pixman_region32_union(&target->pixman, &first->pixman, &second->pixman)) return kRegionError;
  int count = pixman_region32_n_rects(&target->pixman);
  return count == 0 ? kNullRegion : count == 1 ? kSimpleRegion : kComplexRegion;
}

bool DeleteObject(HRGN region) {
  return Table().regions.erase(region) == 1;
}

bool RegionRects(HRGN region, std::vector<PixelRect>& rects) {
  Region* found = Table().Find(region);
  if (!found) return false;
  int count = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(&found->pixman, &count);
  rects.clear();
  for (int i = 0; i < count; ++i) {
    rects.push_back({boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
  }
  return true;
}

void ForgetRegion(HRGN region) {
  Table().regions.erase(region);
}

// Counts for the tests (tests/platform/region_counts.h), as a desktop's object counts are.
size_t LiveRegionCount() {
  return Table().regions.size();
}
size_t CreatedRegionCount() {
  return Table().nextHandle - 1;
}
size_t PeakRegionCount() {
  return Table().peak;
}
void ResetPeakRegionCount() {
  Table().peak = Table().regions.size();
}

}  // namespace oculon

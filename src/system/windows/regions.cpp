// Regions on GDI.
#include "runtime/regions.h"

#include <algorithm>
#include <memory>

#include "runtime/region_table.h"
#include "system/windows/windows_api.h"

namespace oculon {
namespace {

struct GdiRegion : SystemRegion {
  explicit GdiRegion(::HRGN made) : gdi(made) {}
  ~GdiRegion() override { ::DeleteObject(gdi); }
  GdiRegion(const GdiRegion&) = delete;
  GdiRegion& operator=(const GdiRegion&) = delete;
  ::HRGN gdi;
};

::HRGN Find(HRGN handle) {
  GdiRegion* region = FindRegion<GdiRegion>(handle);
  return region ? region->gdi : nullptr;
}

// GDI keeps coordinates within 27 bits; a rectangle past them is cut to them.
int32_t ToGdi(int32_t value) {
  constexpr int32_t kGdiLimit = (1 << 27) - 1;
  return std::clamp(value, -kGdiLimit, kGdiLimit);
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  ::HRGN made = ::CreateRectRgn(ToGdi(left), ToGdi(top), ToGdi(right), ToGdi(bottom));
  return made ? AddRegion(std::make_unique<GdiRegion>(made)) : 0;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  ::HRGN target = Find(dest);
  ::HRGN first = Find(a);
  ::HRGN second = Find(b);
  if (!target || !first || !second || mode != oculon::RGN_OR) return kRegionError;
  return ::CombineRgn(target, first, second, win32::kGdiRegionOr);  // the same result codes
}

bool RegionRects(HRGN region, std::vector<PixelRect>& rects) {
  ::HRGN found = Find(region);
  if (!found) return false;
  rects.clear();
  DWORD bytes = GetRegionData(found, 0, nullptr);
  if (bytes == 0) return true;
  std::vector<unsigned char> data(bytes);
  auto* header = reinterpret_cast<RGNDATA*>(data.data());
  if (GetRegionData(found, bytes, header) == 0) return false;
  const ::RECT* boxes = reinterpret_cast<const ::RECT*>(header->Buffer);
  for (DWORD i = 0; i < header->rdh.nCount; ++i) {
    rects.push_back({boxes[i].left, boxes[i].top, boxes[i].right, boxes[i].bottom});
  }
  return true;
}

}  // namespace oculon

// The region table, on GDI regions. Handles are never reused, so a stale one is always refused.
#include "platform/regions.h"

#include <algorithm>
#include <unordered_map>

#include "platform/win32/windows_api.h"

namespace oculon {
namespace {

struct RegionTable {
  std::unordered_map<HRGN, ::HRGN> regions;
  HRGN nextHandle = 1;
  size_t peak = 0;

  ::HRGN Find(HRGN handle) {
    auto found = regions.find(handle);
    return found == regions.end() ? nullptr : found->second;
  }
  bool Release(HRGN handle) {
    auto found = regions.find(handle);
    if (found == regions.end()) return false;
    ::DeleteObject(found->second);
    regions.erase(found);
    return true;
  }
};

RegionTable& Table() {
  static RegionTable table;
  return table;
}

// GDI keeps coordinates within 27 bits; a rectangle past them is cut to them.
int32_t ToGdi(int32_t value) {
  constexpr int32_t kGdiLimit = (1 << 27) - 1;
  return std::clamp(value, -kGdiLimit, kGdiLimit);
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RegionTable& table = Table();
  if (table.nextHandle == 0) return 0;  // every handle used up
  ::HRGN region = ::CreateRectRgn(ToGdi(left), ToGdi(top), ToGdi(right), ToGdi(bottom));
  if (!region) return 0;
  HRGN handle = table.nextHandle++;
  table.regions.emplace(handle, region);
  table.peak = std::max(table.peak, table.regions.size());
  return handle;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  RegionTable& table = Table();
  ::HRGN target = table.Find(dest);
  ::HRGN first = table.Find(a);
  ::HRGN second = table.Find(b);
  if (!target || !first || !second || mode != oculon::RGN_OR) return kRegionError;
  return ::CombineRgn(target, first, second, win32::kGdiRegionOr);
}

bool DeleteObject(HRGN region) {
  return Table().Release(region);
}

bool RegionRects(HRGN region, std::vector<PixelRect>& rects) {
  ::HRGN found = Table().Find(region);
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

void ForgetRegion(HRGN region) {
  Table().Release(region);
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

// The process's region handles and their counts; releasing a region by its handle.
#include "runtime/region_table.h"

#include <algorithm>

namespace oculon {

HRGN RegionTable::Add(std::unique_ptr<SystemRegion> region) {
  if (nextHandle_ == 0) return 0;
  HRGN handle = nextHandle_++;
  regions_.emplace(handle, std::move(region));
  peak_ = std::max(peak_, regions_.size());
  return handle;
}

SystemRegion* RegionTable::Find(HRGN handle) {
  auto found = regions_.find(handle);
  return found == regions_.end() ? nullptr : found->second.get();
}

bool RegionTable::Release(HRGN handle) {
  return regions_.erase(handle) == 1;
}

RegionCounts RegionTable::Counts() const {
  return {regions_.size(), size_t{nextHandle_ - 1}, peak_};
}

namespace {

RegionTable& Table() {
  static RegionTable table;
  return table;
}

}  // namespace

HRGN AddRegion(std::unique_ptr<SystemRegion> region) {
  return Table().Add(std::move(region));
}

SystemRegion* FindSystemRegion(HRGN handle) {
  return Table().Find(handle);
}

bool DeleteObject(HRGN region) {
  return Table().Release(region);
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

// The table behind region handles, whatever region type the system has: handles are never
// reused, so a stale one is always refused; the table keeps the region counts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <unordered_map>

#include "runtime/regions.h"

namespace oculon {

// `Owned` owns one region and releases it when it goes.
template <class Owned>
class RegionTable {
 public:
  // The handle of a new region; 0 when every handle is used up.
  HRGN Add(Owned region) {
    if (nextHandle_ == 0) return 0;
    HRGN handle = nextHandle_++;
    regions_.emplace(handle, std::move(region));
    peak_ = std::max(peak_, regions_.size());
    return handle;
  }
  // The region behind `handle`, or null.
  Owned* Find(HRGN handle) {
    auto found = regions_.find(handle);
    return found == regions_.end() ? nullptr : &found->second;
  }
  bool Release(HRGN handle) { return regions_.erase(handle) == 1; }

  RegionCounts Counts() const { return {regions_.size(), size_t{nextHandle_ - 1}, peak_}; }
  void ResetPeak() { peak_ = regions_.size(); }

 private:
  std::unordered_map<HRGN, Owned> regions_;
  HRGN nextHandle_ = 1;
  size_t peak_ = 0;
};

}  // namespace oculon

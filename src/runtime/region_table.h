// The table behind region handles, one per process, whatever region type the system has:
// handles are never reused, so a stale one is always refused; the table keeps the region
// counts. Each system adds its regions here and finds them by handle.
#pragma once

#include <memory>
#include <unordered_map>

#include "runtime/regions.h"

namespace oculon {

// A region of the system's kind, owned by the table until it is released or a window takes it.
class SystemRegion {
 public:
  virtual ~SystemRegion() = default;
};

// Regions by handle, from 1 on; 0 is no region's.
class RegionTable {
 public:
  // The new region's handle; 0, with the region released, when every handle is used up.
  HRGN Add(std::unique_ptr<SystemRegion> region);
  SystemRegion* Find(HRGN handle);
  bool Release(HRGN handle);
  RegionCounts Counts() const;
  void ResetPeak() { peak_ = regions_.size(); }

 private:
  std::unordered_map<HRGN, std::unique_ptr<SystemRegion>> regions_;
  HRGN nextHandle_ = 1;
  size_t peak_ = 0;
};

// The process's table: the handle of a new region; 0, with the region released, when every
// handle is used up.
HRGN AddRegion(std::unique_ptr<SystemRegion> region);
// The region behind `handle`, or null.
SystemRegion* FindSystemRegion(HRGN handle);

// The same, as the one kind of region this process's system makes.
template <class Region>
Region* FindRegion(HRGN handle) {
  return static_cast<Region*>(FindSystemRegion(handle));
}

}  // namespace oculon

// The table behind region handles, one per process, whatever region type the system has:
// handles are never reused, so a stale one is always refused; the table keeps the region
// counts. Each system adds its regions here and finds them by handle.
#pragma once

#include <memory>

#include "runtime/regions.h"

namespace oculon {

// A region of the system's kind, owned by the table until it is released or a window takes it.
class SystemRegion {
 public:
  virtual ~SystemRegion() = default;
};

// The handle of a new region; 0, with the region released, when every handle is used up.
HRGN AddRegion(std::unique_ptr<SystemRegion> region);
// The region behind `handle`, or null.
SystemRegion* FindSystemRegion(HRGN handle);

// The same, as the one kind of region this process's system makes.
template <class Region>
Region* FindRegion(HRGN handle) {
  return static_cast<Region*>(FindSystemRegion(handle));
}

}  // namespace oculon

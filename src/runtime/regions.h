// Region handles: 32-bit values standing for the system's regions (pixman's on POSIX, GDI's on
// Windows), each owned by whoever created it until a window takes it over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/geometry.h"

namespace oculon {

using HRGN = uint32_t;

inline constexpr int RGN_OR = 2;
// CombineRgn's results.
inline constexpr int kRegionError = 0;
inline constexpr int kNullRegion = 1;
inline constexpr int kSimpleRegion = 2;
inline constexpr int kComplexRegion = 3;

// A new region covering the rectangle (right and bottom exclusive); 0 when none can be made.
HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
// dest := a combined with b; only RGN_OR is offered. kRegionError for an unknown handle.
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
// Releases a region; false (and nothing else happens) for a handle that is not live, such as
// one released already or handed to a window.
bool DeleteObject(HRGN region);

// For the window that accepts a region: its rectangles, y-x banded. False for a dead handle.
bool RegionRects(HRGN region, std::vector<PixelRect>& rects);
// The window took the region over: the handle is no longer the caller's to use.
void ForgetRegion(HRGN region);

// How many regions live, were ever created, and were alive at once since the last reset: the
// region objects a process holds, as a desktop counts them (GetGuiResources on Windows).
struct RegionCounts {
  size_t live = 0;
  size_t created = 0;
  size_t peak = 0;
};
RegionCounts CountRegions();
void ResetRegionPeak();

}  // namespace oculon

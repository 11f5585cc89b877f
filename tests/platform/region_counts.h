// How many regions live, were created and were alive at once: the tests' view of the region
// table, to show that no region leaks and that a trim holds few at a time.
#pragma once

#include <cstddef>

namespace oculon {

size_t LiveRegionCount();
// How many regions were ever created.
size_t CreatedRegionCount();
// The most regions alive at once since the last reset.
size_t PeakRegionCount();
void ResetPeakRegionCount();

}  // namespace oculon

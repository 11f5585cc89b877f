// The process's heap allocations so far, as the counted build's interposed allocator counts them.
#pragma once

#include <cstdint>

namespace oculon::bench {

// Every allocation, the libraries' included.
uint64_t AllAllocations();
// Those made by operator new: the program's own code.
uint64_t AllocationsByOperatorNew();

}  // namespace oculon::bench

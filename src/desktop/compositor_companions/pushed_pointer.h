// A place the compositor's companion pushed: in the compositor's logical pixels, with the size of
// its logical desktop where the companion tells it (a companion that does not leaves it 0).
#pragma once

#include <cstdint>

namespace oculon::companions {

struct PushedPointer {
  double x = 0;
  double y = 0;
  double desktopWidth = 0;
  double desktopHeight = 0;
  uint64_t count = 0;  // the pushes so far, this one among them
};

}  // namespace oculon::companions

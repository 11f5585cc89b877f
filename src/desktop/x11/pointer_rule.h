// Which pointer to believe under XWayland, where two tell of it: the X server, which sees the
// pointer only while it is over an X11 window and keeps its last answer elsewhere, and a
// companion inside the compositor, which sees it everywhere and pushes its place over the bus.
#pragma once

#include <cstdint>
#include <optional>

#include "desktop/compositor_companions/pushed_pointer.h"
#include "runtime/geometry.h"

namespace oculon::x11 {

using companions::PushedPointer;

// The rule, looked at once a tick:
// - Before the first push, the server.
// - While a press on the program's window holds the pointer (the press is armed or the move is
//   the program's own) and the server says a button is held, the server: the press keeps the
//   compositor's pointer on the window, the server sees every move of the drag first, and a push
//   may still be on its way with an older place.
// - The server moved alone since the last look: the server. Over an X11 window both move, the
//   server first; a companion that died leaves the server alone.
// - A push came since the last look, whether or not the server moved: the push.
//   WORKAROUND(GNOME Shell 43 to 48, KWin 6.3): after the compositor moved the window, the server
//   kept the button held where the move began until the pointer next came over an X11 window.
//   WORKAROUND(KWin 6.3): after the move the server caught up late with where it last had the
//   pointer, in the interval of the push for the new place, a place no push follows. A push
//   that lags the server is always followed by one where the pointer comes to rest.
// - Neither moved: whichever was believed last.
//
// A push is turned into root pixels by the root's size against the logical desktop's: KWin's
// root is its logical desktop times its scale where X11 programs scale themselves (Plasma's
// default), GNOME's is its stage times the ceiling of the largest monitor scale under
// XWayland's native scaling, and either is the logical desktop itself otherwise. Both scale the
// whole root by one factor, from the same origin.
class PointerRule {
 public:
  struct ServerReading {
    PixelPoint place;  // on the root
    bool buttonHeld = false;
  };

  // The place on the root to believe. `pressHolds`: a press on the program's window is armed or
  // moves the window itself. `root`: the root's extent, from its origin.
  PixelPoint Choose(const ServerReading& server, bool pressHolds,
                    const std::optional<PushedPointer>& push, PixelSize root);

  // A pushed place on the root: the logical point scaled by the root against the desktop.
  static PixelPoint OnRoot(const PushedPointer& push, PixelSize root);

 private:
  PixelPoint lastFromServer_;
  uint64_t pushesSeen_ = 0;
  bool believeServer_ = true;
};

}  // namespace oculon::x11

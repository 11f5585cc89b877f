// Which pointer to believe under XWayland, and the pushed place in root pixels.
#include "desktop/x11/pointer_rule.h"

#include <cmath>

namespace oculon::x11 {
namespace {

// A coordinate scaled by the root's extent against the desktop's; as it is where the desktop's
// size is not told.
int32_t Scaled(double logical, int32_t rootExtent, double desktopExtent) {
  double factor = desktopExtent > 0 && rootExtent > 0 ? rootExtent / desktopExtent : 1;
  return static_cast<int32_t>(std::lround(logical * factor));
}

}  // namespace

PixelPoint PointerRule::OnRoot(const PushedPointer& push, PixelSize root) {
  return {Scaled(push.x, root.width, push.desktopWidth),
          Scaled(push.y, root.height, push.desktopHeight)};
}

PixelPoint PointerRule::Choose(const ServerReading& server, bool pressHolds,
                               const std::optional<PushedPointer>& push, PixelSize root) {
  if (!push) return server.place;
  // The first look with a push always has one new: what the server said before is no matter.
  bool serverMoved = server.place != lastFromServer_;
  bool pushed = push->count != pushesSeen_;
  lastFromServer_ = server.place;
  pushesSeen_ = push->count;
  if ((pressHolds && server.buttonHeld) || (serverMoved && !pushed)) {
    believeServer_ = true;
  } else if (pushed) {
    believeServer_ = false;
  }
  return believeServer_ ? server.place : OnRoot(*push, root);
}

}  // namespace oculon::x11

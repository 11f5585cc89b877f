// Where the program runs: the monitors and the primary one, whether the server is XWayland and
// which compositor it serves, the compositor's companion that tells the pointer's place, and
// which pointer to believe.
#include "desktop/x11/x11_backend.h"

#include <algorithm>
#include <cstdio>

#include "desktop/x11/loop_observer.h"
#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {

using companions::Compositor;
using companions::CompositorPointer;

void X11Backend::TakeLayout(const Layout& layout) {
  primary_ = layout.primary;
  rootExtent_ = {};
  for (const PixelRect& monitor : layout.monitors) {
    rootExtent_ = {std::max(rootExtent_.width, monitor.right),
                   std::max(rootExtent_.height, monitor.bottom)};
  }
  monitors_.clear();
  for (const PixelRect& monitor : layout.monitors) {
    PixelPoint corner = DesktopFromRoot({monitor.left, monitor.top});
    monitors_.push_back(
        {corner.x, corner.y, corner.x + monitor.Width(), corner.y + monitor.Height()});
  }
}

void X11Backend::OnLayoutChanged() {
  // The window stays where it is on the root; its position on the desktop follows the new
  // primary monitor.
  Layout layout = QueryLayout(connection_, *screen_);
  TakeLayout(layout);
  RecogniseXWayland(false, layout);
  WakeTimers();
}

void X11Backend::RecogniseXWayland(bool extensionPresent, const Layout& layout) {
  if (onXWayland_) return;
  onXWayland_ = extensionPresent || HasXWaylandMonitors(layout);
  if (onXWayland_) ListenToCompositor();
}

// WORKAROUND(XWayland 22.1): before version 23 XWayland has no extension of its name; it names its
// monitors XWAYLAND0, XWAYLAND1 …, and tells of them only once the compositor has told it of its
// outputs.
bool X11Backend::HasXWaylandMonitors(const Layout& layout) {
  if (layout.names.empty()) return false;
  constexpr char kXWaylandMonitor[] = "XWAYLAND0";
  XcbOwned<xcb_intern_atom_reply_t> name(xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 1, sizeof kXWaylandMonitor - 1, kXWaylandMonitor),
      nullptr));
  return name && name->atom != XCB_ATOM_NONE &&
         std::find(layout.names.begin(), layout.names.end(), name->atom) != layout.names.end();
}

void X11Backend::ListenToCompositor() {
  std::string manager = WindowManagerName();
  if (manager == "KWin") compositorPointer_ = CompositorPointer::Start(program_, Compositor::kKWin);
  if (manager == "GNOME Shell")
    compositorPointer_ = CompositorPointer::Start(program_, Compositor::kGnomeShell);
  if (compositorPointer_) {
    if (std::string hint = compositorPointer_->Hint(); !hint.empty())
      std::fprintf(stderr, "%s: %s\n", program_.name.c_str(), hint.c_str());
    return;
  }
  std::fprintf(stderr,
               "%s: on this Wayland desktop (%s) the pointer is seen only while it is over X11 "
               "windows\n",
               program_.name.c_str(), manager.empty() ? "no window manager" : manager.c_str());
}

PixelPoint X11Backend::PointerOnRoot(const xcb_query_pointer_reply_t& reply) {
  constexpr uint16_t kButtons = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 |
                                XCB_KEY_BUT_MASK_BUTTON_3 | XCB_KEY_BUT_MASK_BUTTON_4 |
                                XCB_KEY_BUT_MASK_BUTTON_5;
  PointerRule::ServerReading server{{reply.root_x, reply.root_y}, (reply.mask & kButtons) != 0};
  bool pressHolds = press_ == Press::kArmed || press_ == Press::kOwnMove;
  std::optional<PushedPointer> push;
  if (compositorPointer_) push = compositorPointer_->Pushed();
  PixelPoint believed = pointerRule_.Choose(server, pressHolds, push, rootExtent_);
  if (observer_) observer_->PointerBelieved(believed.x, believed.y);
  return believed;
}

}  // namespace oculon::x11

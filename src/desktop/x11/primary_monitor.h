// The primary monitor: the desktop the program's positions are measured on. Its top-left
// corner is the origin of every position the program sets or reads, and its size is the
// screen's size, as on a desktop whose main screen starts at (0, 0).
#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <span>
#include <vector>

#include "runtime/geometry.h"

namespace oculon::x11 {

struct Monitor {
  PixelRect area;  // in root coordinates
  bool primary = false;
  xcb_atom_t name = XCB_ATOM_NONE;
};

// The monitor marked primary; else the primary output's area; else the monitor at the root's
// origin; else the whole root window.
PixelRect ChoosePrimaryArea(std::span<const Monitor> monitors,
                            std::optional<PixelRect> primaryOutput, PixelSize root);

// The monitors as the server has them, in root coordinates.
struct Layout {
  PixelRect primary;
  std::vector<PixelRect> monitors;  // never none: the primary area where RandR tells no more
  std::vector<xcb_atom_t> names;    // RandR's names of the monitors, where it has them
};

// Asks the server: RandR 1.5 monitors, the primary output's CRTC; a server without RandR has
// the root window alone.
Layout QueryLayout(xcb_connection_t* connection, const xcb_screen_t& screen);

}  // namespace oculon::x11

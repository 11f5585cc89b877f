// Every X atom the backend uses, interned once at connect time from this one table.
#pragma once

#include <xcb/xcb.h>

#include "xcb_owned.h"

#define OCULON_ATOMS(X)         \
  X(WM_PROTOCOLS)               \
  X(WM_DELETE_WINDOW)           \
  X(UTF8_STRING)                \
  X(_MOTIF_WM_HINTS)            \
  X(_NET_WM_NAME)               \
  X(_NET_WM_PID)                \
  X(_NET_WM_ICON)               \
  X(_NET_WM_STATE)              \
  X(_NET_WM_STATE_ABOVE)        \
  X(_NET_WM_STATE_SKIP_TASKBAR) \
  X(_NET_WM_STATE_SKIP_PAGER)   \
  X(_NET_WM_MOVERESIZE)         \
  X(_NET_ACTIVE_WINDOW)         \
  X(_NET_SUPPORTED)             \
  X(_NET_SUPPORTING_WM_CHECK)   \
  X(_GTK_FRAME_EXTENTS)

namespace oculon::x11 {

struct Atoms {
#define OCULON_ATOM_FIELD(name) xcb_atom_t name = XCB_ATOM_NONE;
  OCULON_ATOMS(OCULON_ATOM_FIELD)
#undef OCULON_ATOM_FIELD
};

// Sends every intern request before reading any reply: one round trip.
inline Atoms InternAtoms(xcb_connection_t* connection) {
#define OCULON_ATOM_COOKIE(name) \
  xcb_intern_atom_cookie_t name##Cookie = xcb_intern_atom(connection, 0, sizeof #name - 1, #name);
  OCULON_ATOMS(OCULON_ATOM_COOKIE)
#undef OCULON_ATOM_COOKIE
  Atoms atoms;
#define OCULON_ATOM_REPLY(name)                                                     \
  if (auto reply = Owned(xcb_intern_atom_reply(connection, name##Cookie, nullptr))) \
    atoms.name = reply->atom;
  OCULON_ATOMS(OCULON_ATOM_REPLY)
#undef OCULON_ATOM_REPLY
  return atoms;
}

}  // namespace oculon::x11

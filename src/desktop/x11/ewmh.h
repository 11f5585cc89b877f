// The fields of what the backend tells the window manager: the size hints (ICCCM) and the client
// messages of _NET_WM_STATE, _NET_WM_MOVERESIZE and _NET_ACTIVE_WINDOW (EWMH).
#pragma once

#include <cstdint>

namespace oculon::x11::ewmh {

// WM_NORMAL_HINTS' flags.
inline constexpr uint32_t kUserPosition = 1;
inline constexpr uint32_t kUserSize = 2;
inline constexpr uint32_t kMinSize = 16;
inline constexpr uint32_t kMaxSize = 32;

// A state added, and a request from an application (not a pager).
inline constexpr uint32_t kAdd = 1;
inline constexpr uint32_t kFromApplication = 1;

// _NET_WM_MOVERESIZE's directions.
inline constexpr uint32_t kMoveResizeMove = 8;
inline constexpr uint32_t kMoveResizeCancel = 11;

}  // namespace oculon::x11::ewmh

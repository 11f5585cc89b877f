// Keys and shift states of the server's events as the runtime's events take them.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>

#include "runtime/backend.h"

namespace oculon::x11 {

// The key a keysym stands for, with Shift held or not; none for a key no control uses.
std::optional<Key> KeyFrom(xcb_keysym_t keysym, bool shift);
// An event's modifier state as MouseDown's shift argument.
int16_t ShiftFrom(uint16_t state);

}  // namespace oculon::x11

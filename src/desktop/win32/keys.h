// Keys and shift states of the system's messages as the runtime's events take them.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/backend.h"
#include "system/windows/windows_api.h"

namespace oculon::win32 {

// The key a WM_KEYDOWN's virtual-key code stands for, with Shift held or not; none for a key
// no control uses.
std::optional<Key> KeyFrom(WPARAM virtualKey, bool shift);
// A mouse message's MK_ flags, and whether Alt is down, as MouseDown's shift argument.
int16_t ShiftFrom(WPARAM wParam, bool alt);

}  // namespace oculon::win32

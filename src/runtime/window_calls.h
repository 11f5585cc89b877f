// The Windows-style window calls the logic is written against (GetWindowRect, SetWindowPos,
// SetWindowRgn …), with their names and contracts, on whichever desktop the program runs:
// each forwards to the backend.
#pragma once

#include <cstdint>

#include "runtime/geometry.h"
#include "runtime/regions.h"

namespace oculon {

using HWND = uint32_t;
using RECT = PixelRect;
using POINT = PixelPoint;

inline constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
inline constexpr uint32_t SWP_NOSIZE = 0x0001;
inline constexpr uint32_t SWP_NOMOVE = 0x0002;
inline constexpr uint32_t SWP_NOACTIVATE = 0x0010;
inline constexpr uint32_t WM_NCLBUTTONDOWN = 0xA1;
inline constexpr uintptr_t HTCAPTION = 2;

// The window's outer rectangle in screen pixels; false (rect untouched) when it cannot be read.
bool GetWindowRect(HWND window, RECT& rect);
// The pointer in screen pixels; false (point untouched) when it cannot be read.
bool GetCursorPos(POINT& point);
// GetWindowRect and GetCursorPos from one reading of the desktop, for a tick that needs both;
// each record is filled only when its own read succeeds.
void GetWindowRectAndCursorPos(HWND window, RECT& rect, POINT& point);
// Only the topmost band with SWP_NOSIZE is offered; SWP_NOMOVE keeps the position, otherwise
// the window moves to (x, y). False for anything else.
bool SetWindowPos(HWND window, HWND insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                  uint32_t flags);
// Cuts the window to `region`; nonzero on success, and the window then owns the region.
int SetWindowRgn(HWND window, HRGN region, bool redraw);
bool ReleaseCapture();
// WM_NCLBUTTONDOWN with HTCAPTION starts an interactive move; other messages do nothing.
intptr_t SendMessageA(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace oculon

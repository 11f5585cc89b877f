// Window calls, carried out by the backend.
#include "runtime/window_calls.h"

#include <vector>

#include "runtime/backend.h"

namespace oculon {

bool GetWindowRect(HWND, RECT& rect) {
  return CurrentBackend().WindowRect(rect);
}

bool GetCursorPos(POINT& point) {
  return CurrentBackend().CursorPos(point);
}

void GetWindowRectAndCursorPos(HWND, RECT& rect, POINT& point) {
  CurrentBackend().WindowRectAndCursorPos(rect, point);
}

bool SetWindowPos(HWND, HWND insertAfter, int32_t x, int32_t y, int32_t, int32_t, uint32_t flags) {
  if (insertAfter != HWND_TOPMOST || !(flags & SWP_NOSIZE)) return false;
  if (!(flags & SWP_NOMOVE)) CurrentBackend().MoveWindow({x, y});
  CurrentBackend().SetTopmost();
  return true;
}

int SetWindowRgn(HWND, HRGN region, bool) {
  std::vector<PixelRect> rects;
  if (!RegionRects(region, rects)) return 0;
  if (!CurrentBackend().SetShape(rects)) return 0;
  ForgetRegion(region);
  return 1;
}

bool ReleaseCapture() {
  CurrentBackend().ReleaseCapture();
  return true;
}

intptr_t SendMessageA(HWND, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == WM_NCLBUTTONDOWN && wParam == HTCAPTION) CurrentBackend().BeginMove();
  return 0;
}

}  // namespace oculon

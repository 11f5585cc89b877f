// Window calls, carried out by the backend; positions in the program's pixels, converted at the
// desktop's scale.
#include "runtime/window_calls.h"

#include <vector>

#include "runtime/backend.h"
#include "runtime/window_shape.h"

namespace oculon {

bool GetWindowRect(HWND, RECT& rect) {
  PixelRect device;
  if (!CurrentBackend().WindowRect(device)) return false;
  rect = CurrentScale().FromDevice(device);
  return true;
}

bool GetCursorPos(POINT& point) {
  PixelPoint device;
  if (!CurrentBackend().CursorPos(device)) return false;
  point = CurrentScale().FromDevice(device);
  return true;
}

void GetWindowRectAndCursorPos(HWND, RECT& rect, POINT& point) {
  PixelRect deviceRect;
  PixelPoint devicePoint;
  Backend::WindowAndCursorRead read =
      CurrentBackend().WindowRectAndCursorPos(deviceRect, devicePoint);
  DeviceScale scale = CurrentScale();
  if (read.rect) rect = scale.FromDevice(deviceRect);
  if (read.cursor) point = scale.FromDevice(devicePoint);
}

bool SetWindowPos(HWND, HWND insertAfter, int32_t x, int32_t y, int32_t, int32_t, uint32_t flags) {
  if (insertAfter != HWND_TOPMOST || !(flags & SWP_NOSIZE)) return false;
  if (!(flags & SWP_NOMOVE)) CurrentBackend().MoveWindow(CurrentScale().ToDevice(PixelPoint{x, y}));
  CurrentBackend().SetTopmost();
  return true;
}

int SetWindowRgn(HWND, HRGN region, bool) {
  std::vector<PixelRect> rects;
  if (!RegionRects(region, rects)) return 0;
  if (!ShapeWindow(rects)) return 0;
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

// The Windows event loop: the thread's messages, turned into the runtime's events one at a time;
// a close or the end of the session ends the program without an event.
#include <optional>

#include "desktop/win32/keys.h"
#include "desktop/win32/win32_backend.h"

namespace oculon::win32 {
namespace {

PixelPoint ClientPointFrom(LPARAM lParam) {
  return {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

}  // namespace

int Win32Backend::Run() {
  MSG message;
  while (!ending_ && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return exitCode_;
}

void Win32Backend::EndProgram(int exitCode) {
  if (ending_) return;
  ending_ = true;
  exitCode_ = exitCode;
  PostQuitMessage(exitCode);
}

template <class Event>
void Win32Backend::Deliver(Event event) {
  if (ending_ || showingFatalError_ || !sink_) return;
  // No exception may cross the system's code that called the window procedure.
  if (std::optional<int> end = DeliverEvent(*this, event)) EndProgram(*end);
}

LRESULT CALLBACK Win32Backend::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* backend = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!backend || backend->window_ != window)
    return DefWindowProcW(window, message, wParam, lParam);
  return backend->OnMessage(message, wParam, lParam);
}

LRESULT Win32Backend::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      Deliver([&] { sink_->OnTimer(static_cast<int>(wParam)); });
      return 0;
    case WM_LBUTTONDOWN:
      OnMouseDown(kLeftButton, wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
      Deliver([&] { sink_->OnDblClick(); });
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnMouseDown(kRightButton, wParam, lParam);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnMouseDown(kMiddleButton, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      return 0;
    case kBeginMoveMessage:
      StartMove();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const ::RECT*>(lParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // every pixel is painted from the image
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) EndProgram(0);  // the session ends: nothing is written
      return 0;
    case WM_CLOSE:
    case WM_DESTROY:
      EndProgram(0);  // closed by the desktop: no handler runs, nothing is written
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void Win32Backend::OnMouseDown(int16_t button, WPARAM wParam, LPARAM lParam) {
  if (button == kLeftButton) {
    PixelPoint client = ClientPointFrom(lParam);
    POINT press{client.x, client.y};
    ClientToScreen(window_, &press);
    pressPoint_ = {press.x, press.y};
    WindowRect(windowAtPress_);
  }
  Deliver([&] {
    sink_->OnMouseDown(button, ShiftFrom(wParam, GetKeyState(VK_MENU) < 0),
                       ClientPointFrom(lParam));
  });
}

void Win32Backend::OnKeyDown(WPARAM virtualKey) {
  if (std::optional<Key> key = KeyFrom(virtualKey, GetKeyState(VK_SHIFT) < 0))
    Deliver([&] { sink_->OnKey(*key); });
}

void Win32Backend::OnDpiChanged(int dpi, const ::RECT& suggested) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  suggestedPlace_ = suggested;
  Deliver([&] { sink_->OnScaleChanged(); });
  suggestedPlace_.reset();
}

void Win32Backend::OnPaint() {
  PAINTSTRUCT paint;
  BeginPaint(window_, &paint);
  EndPaint(window_, &paint);
  const ::RECT& r = paint.rcPaint;
  if (r.right > r.left && r.bottom > r.top) {
    Deliver([&] { sink_->OnExpose({r.left, r.top, r.right, r.bottom}); });
  }
}

}  // namespace oculon::win32

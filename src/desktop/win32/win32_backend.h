// The forms runtime's backend on Windows, written on user32 and gdi32: one popup window cut to
// its region, always on top, fed by the thread's message loop.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/backend.h"
#include "runtime/instance_lock.h"
#include "system/windows/windows_api.h"

namespace oculon::win32 {

class Win32Backend : public Desktop {
 public:
  explicit Win32Backend(const ProgramInfo& program);
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  int Run() override;

  // --- Backend ---
  PixelSize ScreenSize() override;
  int Dpi() override { return dpi_; }
  std::span<const PixelRect> Monitors() override;
  bool AnotherInstanceRuns() override;
  uint32_t CreateWindow(const WindowRequest& request, EventSink& sink) override;
  void MoveWindow(PixelPoint topLeft) override;
  void ResizeWindow(PixelSize size) override;
  void ShowWindow() override;
  void SetTopmost() override;
  bool SetShape(std::span<const PixelRect> rects) override;
  void ReleaseCapture() override;
  void BeginMove() override;
  bool WindowRect(PixelRect& rect) override;
  bool CursorPos(PixelPoint& point) override;
  WindowAndCursorRead WindowRectAndCursorPos(PixelRect& rect, PixelPoint& point) override;
  void Upload(const Image& image, const PixelRect& area) override;
  void StartTimer(int timerId, int intervalMs) override;
  void StopTimer(int timerId) override;
  // WORKAROUND(Wine 8): the timers keep ticking. Raw input (WM_INPUT with RIDEV_INPUTSINK) would
  // tell of the pointer's motion over other windows, but Wine delivered none of it for a pointer
  // moving outside Wine's own windows, so no test could show a sleeping timer wake.
  void SleepTimer(int) override {}
  void WakeTimers() override {}
  void ShowFatalError(const std::string& message) override;

 private:
  // Posted by BeginMove: the move starts once the MouseDown event has returned.
  static constexpr UINT kBeginMoveMessage = WM_APP + 1;

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Runs one event of the sink; an event that ends the program ends the loop, and no further
  // event runs.
  template <class Event>
  void Deliver(Event event);
  void EndProgram(int exitCode);
  void OnMouseDown(int16_t button, WPARAM wParam, LPARAM lParam);
  void OnKeyDown(WPARAM virtualKey);
  void OnPaint();
  // The window is now on a monitor of another scale; Windows suggests its place there.
  void OnDpiChanged(int dpi, const ::RECT& suggested);
  // The window's dpi where Windows can tell it (Windows 10 1607 and later), else the system's.
  int WindowDpi() const;
  void StartMove();
  void MakeStaging();
  void FreeStaging();
  HICON MakeIcon(const Image& icon);

  // Where uploaded pixels wait for the blit: a DIB section the window's size, made once.
  struct Staging {
    BITMAPINFO info{};
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;
  };

  ProgramInfo program_;
  std::wstring windowClass_;  // registered under the program's name
  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  InstanceLock instanceLock_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  EventSink* sink_ = nullptr;
  PixelSize size_;
  int dpi_;
  // Where Windows suggested the window go at a new scale, until it is resized there.
  std::optional<::RECT> suggestedPlace_;
  Staging staging_;
  // Timers started before the window exists: started with it.
  std::vector<std::pair<int, int>> pendingTimers_;
  // Where the last left press was, on the screen, and the window then.
  PixelPoint pressPoint_;
  PixelRect windowAtPress_;
  bool ending_ = false;
  bool showingFatalError_ = false;
  int exitCode_ = 0;
  std::vector<PixelRect> monitors_;  // as last asked for
  // The region's rectangles as ExtCreateRegion takes them.
  std::vector<unsigned char> regionData_;
};

}  // namespace oculon::win32

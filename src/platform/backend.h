// The interface between the forms runtime and a windowing system (X11, or the headless
// desktop of the tests). The runtime owns one window; the backend shows it and reports its
// events to an EventSink.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/geometry.h"
#include "platform/image.h"

namespace oculon {

enum class Key {
  kTab,
  kBackTab,
  kLeft,
  kRight,
  kUp,
  kDown,
  kPageUp,
  kPageDown,
  kHome,
  kEnd,
  kSpace
};

// Mouse buttons and shift keys as the MouseDown event reports them.
enum MouseButton : int16_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftKeys : int16_t { kShiftKey = 1, kCtrlKey = 2, kAltKey = 4 };

class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void OnTimer(int timerId) = 0;
  virtual void OnMouseDown(int16_t button, int16_t shift, PixelPoint client) = 0;
  virtual void OnDblClick() = 0;
  virtual void OnKey(Key key) = 0;
  // A part of the window lost its contents; the sink uploads it again.
  virtual void OnExpose(const PixelRect& area) = 0;
};

struct WindowRequest {
  std::string title;
  PixelSize size;
  PixelPoint position;
  const Image* icon = nullptr;  // with alpha; may be null
  bool showInTaskbar = true;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual PixelSize ScreenSize() = 0;
  // True when another instance of this executable runs on this desktop. The first call
  // claims the desktop for this process.
  virtual bool AnotherInstanceRuns() = 0;

  // Creates the one window, hidden; returns its 32-bit handle.
  virtual uint32_t CreateWindow(const WindowRequest& request, EventSink& sink) = 0;
  virtual void MoveWindow(PixelPoint topLeft) = 0;
  virtual void ShowWindow() = 0;
  virtual void SetTopmost() = 0;
  // Cuts the window to the union of `rects` (window coordinates), for drawing and input.
  virtual bool SetShape(std::span<const PixelRect> rects) = 0;
  virtual void ReleaseCapture() = 0;
  // Hands the current left-button press to the desktop as the start of a move.
  virtual void BeginMove() = 0;
  // The window's outer rectangle and the pointer, in screen pixels, each read afresh; false
  // (and the argument untouched) when it cannot be read.
  virtual bool WindowRect(PixelRect& rect) = 0;
  virtual bool CursorPos(PixelPoint& point) = 0;
  // Both at once, from one reading of the desktop (one round trip on X11): what a tick
  // needs. Each is filled only when it could be read.
  struct WindowAndCursorRead {
    bool rect = false;
    bool cursor = false;
  };
  virtual WindowAndCursorRead WindowRectAndCursorPos(PixelRect& rect, PixelPoint& point) = 0;
  // Copies `area` of `image` (the window's client pixels) to the window.
  virtual void Upload(const Image& image, const PixelRect& area) = 0;

  virtual void StartTimer(int timerId, int intervalMs) = 0;
  virtual void StopTimer(int timerId) = 0;

  // Tells the user about an error that ends the program, and waits for the acknowledgement.
  virtual void ShowFatalError(const std::string& message) = 0;
};

// The backend the runtime talks to; set once at start by main() or by a test.
Backend& CurrentBackend();
void SetCurrentBackend(Backend* backend);

}  // namespace oculon

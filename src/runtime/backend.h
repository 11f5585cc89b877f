// The contract between the forms runtime and a desktop: the windowing system the program runs
// on (X11, Win32, or the headless desktop of the tests).
//
// - The runtime owns one window; the backend creates it, shows it and reports its events to
//   the runtime's EventSink. Everything runs on one thread: the one that runs the event loop
//   (Desktop::Run), or a test's script on the headless desktop.
// - Coordinates are device pixels. Screen positions count from the top-left corner of the
//   primary monitor; client positions from the window's top-left corner. The desktop's scale
//   (Dpi) is the runtime's to apply: the backend draws and places what it is given.
// - Ending the program takes one road on every backend. An event handler ends it by throwing
//   ProgramEnd (App.End; the runtime after an unhandled run-time error's message). A backend
//   runs every EventSink call through DeliverEvent, which turns that, or any other exception,
//   into an exit code; from then on it delivers no event and Run returns the code. A backend's
//   own reasons to end (the desktop closed the window, the connection went) take the same
//   road: no further event, and Run returns their code.
// - Backend calls do not throw, except where the runtime's contract names a run-time error
//   (StartTimer without a timer left).
// - A backend learns what it needs of the program (its name, its executable) from ProgramInfo,
//   given by main; it reads no global of the runtime's, and installs no process-wide handler:
//   main does (EndOnEndingSignals).
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "runtime/device_scale.h"
#include "runtime/geometry.h"
#include "runtime/image.h"
#include "runtime/profile.h"
#include "runtime/run_time_error.h"

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
  // The desktop's scale where the window is changed (Backend::Dpi): the sink draws the window
  // afresh at the new scale and resizes it.
  virtual void OnScaleChanged() = 0;
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
  // The desktop's dots per inch where the window is, or, before it is made, where it will be
  // made: 96 on an unscaled desktop. When it changes while the window lives, the backend calls
  // the sink's OnScaleChanged.
  virtual int Dpi() = 0;
  // The monitors' areas, in screen pixels; never none. The primary monitor's is among them.
  virtual std::span<const PixelRect> Monitors() = 0;
  // True when another instance of this executable runs on this desktop. Called once, at
  // start; unless another runs, this process holds the desktop from then on.
  virtual bool AnotherInstanceRuns() = 0;

  // Creates the one window, hidden; returns its 32-bit handle.
  virtual uint32_t CreateWindow(const WindowRequest& request, EventSink& sink) = 0;
  virtual void MoveWindow(PixelPoint topLeft) = 0;
  // Gives the window a new size for a new scale: its centre stays where it is, unless the
  // desktop suggested a place for the window at that scale, which it then takes.
  virtual void ResizeWindow(PixelSize size) = 0;
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
  // The timer's next ticks can change nothing until the pointer moves, the window is moved or
  // resized, the monitors change, or the form draws (WakeTimers): the backend may stop waking
  // for it until one of these happens, keeping its schedule. A backend that cannot tell when
  // the pointer moves keeps ticking.
  virtual void SleepTimer(int timerId) = 0;
  // Something a sleeping timer's ticks read has changed: they resume on their schedule, the
  // next one within an interval.
  virtual void WakeTimers() = 0;

  // Tells the user about an error that ends the program, and waits for the acknowledgement.
  virtual void ShowFatalError(const std::string& message) = 0;
};

// The backend the runtime talks to; set once at start by main() or by a test.
Backend& CurrentBackend();
void SetCurrentBackend(Backend* backend);
// The scale of the desktop the backend reports.
DeviceScale CurrentScale();

// Runs one event (an EventSink call, or Main) the way every backend does: the exit code when
// it ended the program, else nothing. An exception other than ProgramEnd, which no handler
// caught, is told to the user through ShowFatalError and ends the program with code 1.
template <class Event>
std::optional<int> DeliverEvent(Backend& backend, Event&& event) {
  ProfileWriteBatch settings;  // what the event writes to a settings file reaches it at once
  try {
    event();
    return std::nullopt;
  } catch (const ProgramEnd& end) {
    return end.exitCode;
  } catch (const RunTimeError& error) {
    backend.ShowFatalError(error.Describe());
  } catch (const std::exception& error) {
    backend.ShowFatalError(error.what());
  }
  return 1;
}

// What a desktop knows of the program it serves, as main tells it.
struct ProgramInfo {
  // Names the program's messages, its window class and its instance lock.
  std::string name;
  // The executable's real path: one instance runs per executable.
  std::string executablePath;
  // Its reverse-DNS name, which it may own on a session bus.
  std::string busName;
};

// The real desktop the program runs on: the backend of whichever windowing system the program
// is built for, with its event loop.
class Desktop : public Backend {
 public:
  // Runs the event loop until the program ends; returns the exit code.
  virtual int Run() = 0;
};

// Connects to the desktop; null after telling the user why when there is none.
std::unique_ptr<Desktop> ConnectDesktop(const ProgramInfo& program);

}  // namespace oculon

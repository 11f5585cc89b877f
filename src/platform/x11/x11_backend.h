// The forms runtime's backend on X11, written on XCB: one shaped, undecorated, topmost
// window, the pointer and the desktop's window manager.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/x11/atoms.h"
#include "platform/x11/instance_lock.h"

namespace oculon::x11 {

// What the event loop's ticks cost, counted always and reported only where a benchmark build
// asked for it with ReportLoopStats.
struct LoopStats {
  uint64_t ticks = 0;
  uint64_t roundTrips = 0;
  uint64_t requests = 0;        // from one tick's query to the next: all of a tick's requests
  uint64_t requestSamples = 0;  // the ticks that `requests` covers
  uint64_t uploadedBytes = 0;
  uint64_t allocations = 0;     // every heap allocation, the libraries' included
  uint64_t ownAllocations = 0;  // those made by operator new: the program's own code
};

// Counters that a counting allocator keeps.
struct AllocationCounters {
  const std::atomic<uint64_t>* all = nullptr;
  const std::atomic<uint64_t>* byOperatorNew = nullptr;
};

// At the end of the event loop, writes the stats of its ticks to `path` as "name value" lines.
void ReportLoopStats(std::string path, AllocationCounters counters);

class X11Backend : public Backend {
 public:
  // Connects to $DISPLAY; null after printing why on stderr when there is none.
  static std::unique_ptr<X11Backend> Connect(std::string programName);
  ~X11Backend() override;

  // Runs the event loop until the program ends; returns the exit code.
  int Run();

  // --- Backend ---
  PixelSize ScreenSize() override;
  bool AnotherInstanceRuns() override;
  uint32_t CreateWindow(const WindowRequest& request, EventSink& sink) override;
  void MoveWindow(PixelPoint topLeft) override;
  void ShowWindow() override;
  void SetTopmost() override;
  bool SetShape(std::span<const PixelRect> rects) override;
  void ReleaseCapture() override;
  void BeginMove() override;
  bool WindowRect(PixelRect& rect) override;
  bool CursorPos(PixelPoint& point) override;
  void Upload(const Image& image, const PixelRect& area) override;
  void StartTimer(int timerId, int intervalMs) override;
  void StopTimer(int timerId) override;
  void ShowFatalError(const std::string& message) override;

 private:
  using Clock = std::chrono::steady_clock;

  // A window manager that is still starting may drop a map request: ask again until mapped.
  static constexpr int kMapRetries = 10;
  static constexpr auto kMapRetryInterval = std::chrono::milliseconds(500);

  // How a left press on the window is being handled.
  enum class Press { kNone, kArmed, kWindowManagerMove, kOwnMove };

  struct TimerSlot {
    int id = -1;
    Clock::duration interval{};
    Clock::time_point due{};
  };

  X11Backend(xcb_connection_t* connection, xcb_screen_t* screen, std::string programName,
             std::string displayName);

  // Window set-up.
  void SetWindowProperties(const WindowRequest& request);
  void WriteWmState();
  void WriteSizeHints();
  void ConfigurePosition();
  void SendRootMessage(xcb_atom_t type, std::array<uint32_t, 5> data);
  // A live EWMH window manager runs and lists `feature` among what it supports.
  bool WindowManagerSupports(xcb_atom_t feature);

  // The event loop.
  int WaitTimeoutMs() const;
  void FireDueTimers();
  void Dispatch(xcb_generic_event_t* event);
  void OnButtonPress(const xcb_button_press_event_t& event);
  void OnButtonRelease(const xcb_button_release_event_t& event);
  void OnMotion(const xcb_motion_notify_event_t& event);
  void OnKeyPress(const xcb_key_press_event_t& event);
  void OnMapped();
  void StartMove();
  [[noreturn]] void EndProgram(int exitCode);
  void CheckConnection();

  // --- Connection ---
  xcb_connection_t* connection_;
  xcb_screen_t* screen_;
  std::string programName_;
  std::string displayName_;
  Atoms atoms_;
  xcb_key_symbols_t* keySymbols_ = nullptr;
  InstanceLock instanceLock_;

  // --- The window ---
  xcb_window_t window_ = XCB_NONE;
  xcb_gcontext_t gc_ = XCB_NONE;
  EventSink* sink_ = nullptr;
  PixelSize size_;
  PixelPoint position_;  // as last requested; the server's answer wins once mapped
  bool mapped_ = false;
  bool topmost_ = false;
  bool showInTaskbar_ = true;
  bool focusFallbackDue_ = false;
  Clock::time_point focusFallbackAt_{};
  int mapRetriesLeft_ = 0;
  Clock::time_point mapRetryAt_{};
  // Sized once: room for both eyes' areas, so that a tick uploads them in one request each.
  static constexpr size_t kUploadBufferPixels = 64 * 170;
  std::vector<uint32_t> uploadBuffer_;

  // --- The tick's queries: one query answers both the window's corner and the pointer ---
  PixelPoint pointerFromRectQuery_;
  bool pointerFresh_ = false;

  // --- Presses, double-clicks and moves ---
  Press press_ = Press::kNone;
  PixelPoint pressRoot_;
  PixelPoint pressOffset_;  // the pointer's offset from the window's corner
  xcb_timestamp_t lastLeftPressTime_ = 0;
  PixelPoint lastLeftPressRoot_;
  bool lastPressCanPair_ = false;

  // --- Timers ---
  std::array<TimerSlot, 4> timers_{};

  // --- What the ticks cost ---
  LoopStats stats_;
  bool firstTickDone_ = false;
  uint64_t roundTrips_ = 0;
  uint64_t uploadedBytes_ = 0;
  unsigned int lastQuerySequence_ = 0;
  void WriteLoopStats() const;
};

}  // namespace oculon::x11

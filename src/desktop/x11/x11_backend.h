// The forms runtime's backend on X11, written on XCB: one shaped, undecorated, topmost window,
// the pointer, and the desktop it runs on.
//
// The road of an event. Run (event_loop.cpp) waits in one poll on the X connection, until the
// timers' next tick (timer_schedule.h) and, while no timer ticks under a compositor, on its bus.
// What the server sends goes through one switch, Dispatch, to a handler of this class: a press,
// a motion or a release becomes MouseDown, DblClick or a move (presses.cpp); an expose, a key or
// a change of scale goes straight to the EventSink, whose Form_* handler the runtime runs
// (runtime/backend.h tells how, and how a run-time error or the end travels back). A due timer
// delivers OnTimer; its tick calls back WindowRectAndCursorPos, which reads the window's place
// and the pointer's in one round trip, and Upload, which sends the pixels (window_queries.cpp).
// Requests made meanwhile go out with the flush before the next poll. An end (a close, a lost
// connection, an unhandled error) sets exitCode_, and the loop delivers nothing more.
//
// Where to start reading: Connect (connection.cpp), then Run. The files, one concern each:
//   connection.cpp      the connection, what is asked of the server at start, the visual, the
//                       scale, X errors said, and the end of the connection
//   window.cpp          the window, its properties, its placement, and the window manager
//   window_queries.cpp  what a tick reads of the window and the pointer, and the paint
//   where_it_runs.cpp   the monitors, XWayland and its compositor, which pointer to believe
//   timers.cpp          the timers on their schedule, and raw motion while they sleep
//   presses.cpp         presses, double-clicks and drags
//   event_loop.cpp      the loop and its dispatch
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/compositor_companions/compositor_pointer.h"
#include "desktop/x11/atoms.h"
#include "desktop/x11/frame_offset.h"
#include "desktop/x11/pixel_format.h"
#include "desktop/x11/pointer_rule.h"
#include "desktop/x11/press_rule.h"
#include "desktop/x11/primary_monitor.h"
#include "desktop/x11/timer_schedule.h"
#include "desktop/x11/xcb_owned.h"
#include "runtime/backend.h"
#include "runtime/instance_lock.h"

namespace oculon::x11 {

class LoopObserver;

// A coordinate as X's 16-bit fields hold it: clamped.
inline int16_t ClampToInt16(int32_t value) {
  return static_cast<int16_t>(std::clamp(value, int32_t{INT16_MIN}, int32_t{INT16_MAX}));
}

class X11Backend : public Desktop {
 public:
  // Connects to $DISPLAY; null after printing why on stderr when there is none.
  static std::unique_ptr<X11Backend> Connect(const ProgramInfo& program);
  ~X11Backend() override;

  int Run() override;

  // --- Backend ---
  PixelSize ScreenSize() override;
  int Dpi() override { return dpi_; }
  std::span<const PixelRect> Monitors() override { return monitors_; }
  bool AnotherInstanceRuns() override;
  uint32_t CreateWindow(const WindowRequest& request, EventSink& sink) override;
  void MoveWindow(PixelPoint topLeft) override;
  void ResizeWindow(PixelSize size) override;
  void ShowWindow() override;
  void SetTopmost() override;
  bool SetShape(std::span<const PixelRect> rects) override;
  void ReleaseCapture() override {
    // The press's implicit grab is kept until the move is handed over: the motion that crosses
    // the drag threshold must still reach the program (see BeginMove).
  }
  void BeginMove() override;
  bool WindowRect(PixelRect& rect) override;
  bool CursorPos(PixelPoint& point) override;
  WindowAndCursorRead WindowRectAndCursorPos(PixelRect& rect, PixelPoint& point) override;
  void Upload(const Image& image, const PixelRect& area) override;
  void StartTimer(int timerId, int intervalMs) override;
  void StopTimer(int timerId) override;
  void SleepTimer(int timerId) override;
  void WakeTimers() override;
  void ShowFatalError(const std::string& message) override;

 private:
  using Clock = std::chrono::steady_clock;

  // The visual the window is drawn in: the root's when it is TrueColor, else the best
  // TrueColor visual the screen offers (one with alpha under a compositing manager).
  struct Visual {
    xcb_visualid_t id = XCB_NONE;
    uint8_t depth = 0;
    PixelFormat format;
  };
  // What the window manager says it is and supports, read afresh (three round trips).
  struct WindowManagerInfo {
    xcb_window_t check = XCB_NONE;  // none: no live EWMH manager
    std::vector<xcb_atom_t> supported;
  };
  // How a left press on the window is being handled.
  enum class Press { kNone, kArmed, kWindowManagerMove, kOwnMove };

  // A window manager that is still starting may drop a map request: ask again until mapped.
  static constexpr int kMapRetries = 10;
  static constexpr auto kMapRetryInterval = std::chrono::milliseconds(500);
  // With no window manager to give the window the focus, it takes it itself after this long.
  static constexpr auto kFocusFallback = std::chrono::milliseconds(100);
  // Pixels go out in requests of at most this size (or the server's maximum, if smaller): a
  // small area goes in one request, a large one in several, and the buffer is made once.
  static constexpr size_t kUploadBufferBytes = 64 * 1024;
  // X errors said: at most this many lines a second, then how many were not.
  static constexpr int kXErrorsPerSecond = 10;
  static constexpr auto kPlacementCheckTime = std::chrono::seconds(2);

  X11Backend(xcb_connection_t* connection, xcb_screen_t* screen, Visual visual, ProgramInfo program,
             std::string displayName);

  // --- connection.cpp ---
  void OnRootPropertyChanged(xcb_atom_t property);
  // The desktop's dpi from the root's resources, asked for and then read.
  xcb_get_property_cookie_t AskResources();
  int ReadDpi(xcb_get_property_cookie_t asked);
  void ReportXError(const xcb_generic_error_t& error);
  void CheckConnection();

  // --- window.cpp ---
  void SetWindowProperties(const WindowRequest& request);
  void WriteWmState();
  void WriteSizeHints();
  // Asks for the window at position_, and at size_ too when told; the request's sequence number
  // (its low 16 bits).
  uint16_t ConfigurePosition(bool withSize = false);
  // Shortly after the first map, each time the window is configured: the frame offset's check
  // (frame_offset.h) of where the client area landed.
  void CheckPlacement(uint16_t eventSequence);
  void OnMapped(uint16_t mapSequence);
  // WORKAROUND(openbox 3.6): it forgot the window's states when another program unmapped it
  // (xdotool windowunmap, windowmap): asked again at each map.
  void ReassertStates();
  void SendRootMessage(xcb_atom_t type, std::array<uint32_t, 5> data);
  // A live EWMH window manager runs and lists `feature` among what it supports.
  bool WindowManagerSupports(xcb_atom_t feature);
  WindowManagerInfo ReadWindowManager();
  // The manager's name for itself (_NET_WM_NAME of its check window): "KWin", "GNOME Shell".
  std::string WindowManagerName();
  // A length given at 96 dpi (a distance the pointer travels, a frame's width), in device
  // pixels at the desktop's scale.
  int Scaled(int unscaled) const { return unscaled * dpi_ / 96; }

  // --- window_queries.cpp ---
  // Positions on the desktop (relative to the primary monitor) and on the root window.
  PixelPoint RootFromDesktop(PixelPoint desktop) const;
  PixelPoint DesktopFromRoot(PixelPoint root) const;
  // The window's rectangle with its corner at `corner`.
  PixelRect RectAt(PixelPoint corner) const;
  XcbOwned<xcb_query_pointer_reply_t> QueryPointer(xcb_window_t window);
  // Where the client area's corner is on the root; none when the server cannot say.
  std::optional<PixelPoint> ClientCornerOnRoot();

  // --- where_it_runs.cpp ---
  // Takes the monitors the server told of; the primary one is the desktop's origin.
  void TakeLayout(const Layout& layout);
  void OnLayoutChanged();
  // Whether the server is XWayland: from version 23 by its extension, before by its monitors'
  // names, which it tells only once the compositor has told it of its outputs (asked again at
  // each change of the layout). Once it is, the program listens to the compositor.
  void RecogniseXWayland(bool extensionPresent, const Layout& layout);
  bool HasXWaylandMonitors(const Layout& layout);
  // Listens to the compositor's companion, which tells the pointer's place over Wayland windows
  // too; says once what the user has where it cannot.
  void ListenToCompositor();
  // The pointer's place on the root, by the pointer rule (pointer_rule.h).
  PixelPoint PointerOnRoot(const xcb_query_pointer_reply_t& reply);

  // --- timers.cpp ---
  void FireDueTimers(Clock::time_point now);
  // Raw motion is asked for only while a timer sleeps: a moving pointer wakes the loop once.
  void WatchPointer(bool on);

  // --- presses.cpp ---
  void OnButtonPress(const xcb_button_press_event_t& event);
  void OnMotion(const xcb_motion_notify_event_t& event);
  void OnButtonRelease(const xcb_button_release_event_t& event);
  void StartMove(PixelPoint pointer);
  // Whether the server says the left button is down now (a round trip).
  bool LeftButtonHeld();

  // --- event_loop.cpp ---
  int WaitTimeoutMs() const;
  void FireFocusFallback(Clock::time_point now);
  void RetryMap(Clock::time_point now);
  void DispatchPending();
  void Dispatch(xcb_generic_event_t* event);
  void OnKeyPress(const xcb_key_press_event_t& event);
  // The loop ends with `exitCode` and delivers no further event.
  void EndProgram(int exitCode);
  // Runs one event of the sink; none once the program is ending.
  template <class Event>
  void Deliver(Event&& event) {
    if (!exitCode_) exitCode_ = DeliverEvent(*this, event);
  }

  // --- The connection ---
  xcb_connection_t* connection_;
  xcb_screen_t* screen_;  // the screen the program runs on (its root, its visuals)
  Visual visual_;
  PixelConverter converter_;  // the program's 24-bit colours into the visual's pixels
  ProgramInfo program_;       // the name it says things under, its executable, its bus name
  std::string displayName_;   // as $DISPLAY gave it, for what is said and for the lock
  Atoms atoms_;
  // The extensions' replies where the server has them; null where it has not.
  const xcb_query_extension_reply_t* shape_ = nullptr;
  const xcb_query_extension_reply_t* randr_ = nullptr;
  const xcb_query_extension_reply_t* xinput_ = nullptr;  // with XInput 2.0 or later
  xcb_key_symbols_t* keySymbols_ = nullptr;
  int dpi_ = 96;  // the desktop's, as its resources say
  InstanceLock instanceLock_;
  Clock::time_point xErrorSecond_{};  // the second whose X errors are being counted
  int xErrorsThisSecond_ = 0;

  // --- Where it runs ---
  // The primary monitor, in root coordinates: its corner is the desktop's origin.
  PixelRect primary_;
  std::vector<PixelRect> monitors_;  // every monitor, on the desktop (from the primary's corner)
  PixelSize rootExtent_;             // the monitors' extent from the root's origin
  bool onXWayland_ = false;
  // Under XWayland with KWin or GNOME Shell: the pointer as the compositor sees it.
  std::unique_ptr<companions::CompositorPointer> compositorPointer_;
  PointerRule pointerRule_;  // which of the server's pointer and the compositor's to believe

  // --- The window ---
  xcb_window_t window_ = XCB_NONE;
  xcb_gcontext_t gc_ = XCB_NONE;
  EventSink* sink_ = nullptr;  // the runtime's handlers of the window's events
  PixelSize size_;
  PixelPoint position_;  // on the desktop, as last requested; the server's answer wins once mapped
  bool mapped_ = false;
  bool everMapped_ = false;
  bool topmost_ = false;
  bool showInTaskbar_ = true;
  bool focusFallbackDue_ = false;  // mapped with no manager that gives the focus: taken then
  Clock::time_point focusFallbackAt_{};
  int mapRetriesLeft_ = 0;
  Clock::time_point mapRetryAt_{};
  std::vector<uint8_t> uploadBuffer_;  // kUploadBufferBytes, made with the window
  // Drawn in a visual with alpha: for each pixel, whether it is inside the shape (shown).
  std::vector<uint8_t> opaque_;
  // A ConfigureNotify of the window, handled once the queue is drained: a flood of them costs
  // one handling.
  std::optional<xcb_configure_notify_event_t> pendingConfigure_;

  // --- Where a window manager puts the window ---
  // How far inside a manager's frame the client area lies, where the manager places frames at
  // the positions asked for the client.
  FrameOffset frameOffset_;
  int32_t borderWidth_ = 0;  // the border a manager may give the window itself
  bool inFrame_ = false;     // reparented into a manager's frame
  Clock::time_point placementCheckUntil_{};
  uint16_t placementRequest_ = 0;  // the sequence number of the placement's last request
  // The window manager, as last read; read again when it changes.
  std::optional<WindowManagerInfo> windowManager_;

  // --- Presses, double-clicks and moves ---
  Press press_ = Press::kNone;
  PixelPoint pressRoot_;    // where the armed press was, on the root
  PixelPoint pressOffset_;  // the pointer's offset from the window's corner
  PressRule pressRule_;     // the double-click's pairing and the drag's threshold

  // --- Timers ---
  TimerSchedule timers_;
  bool watchingPointer_ = false;  // raw motion asked for

  // --- The loop ---
  std::optional<int> exitCode_;  // set once the program is ending
  LoopObserver* observer_;       // whoever watches the loop's costs (the benchmark); none else
};

}  // namespace oculon::x11

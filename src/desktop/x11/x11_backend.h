// The forms runtime's backend on X11, written on XCB: one shaped, undecorated, topmost
// window, the pointer and the desktop's window manager.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/x11/atoms.h"
#include "desktop/x11/compositor_pointer.h"
#include "desktop/x11/frame_offset.h"
#include "desktop/x11/pixel_format.h"
#include "desktop/x11/pointer_rule.h"
#include "desktop/x11/press_rule.h"
#include "desktop/x11/primary_monitor.h"
#include "runtime/backend.h"
#include "runtime/instance_lock.h"

namespace oculon::x11 {

class LoopObserver;

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
  void ReleaseCapture() override;
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

  // A window manager that is still starting may drop a map request: ask again until mapped.
  static constexpr int kMapRetries = 10;
  static constexpr auto kMapRetryInterval = std::chrono::milliseconds(500);

  // How a left press on the window is being handled.
  enum class Press { kNone, kArmed, kWindowManagerMove, kOwnMove };

  struct TimerSlot {
    int id = -1;
    Clock::duration interval{};
    Clock::time_point due{};
    bool asleep = false;         // waits for the pointer, the window or the form to change
    Clock::time_point lookAt{};  // while asleep: when it ticks once all the same
  };
  // A pointer warped by a program makes no raw motion: a sleeping timer ticks once in this many
  // intervals all the same (3 s at 70 ms), on its schedule.
  static constexpr int kIntervalsBetweenLooks = 43;

  // The visual the window is drawn in: the root's when it is TrueColor, else the best
  // TrueColor visual the screen offers.
  struct Visual {
    xcb_visualid_t id = XCB_NONE;
    uint8_t depth = 0;
    PixelFormat format;
  };

  X11Backend(xcb_connection_t* connection, xcb_screen_t* screen, Visual visual, ProgramInfo program,
             std::string displayName);

  // Window set-up.
  void SetWindowProperties(const WindowRequest& request);
  void WriteWmState();
  void WriteSizeHints();
  // Asks for the window at position_, and at size_ too when told; the request's sequence number
  // (its low 16 bits).
  uint16_t ConfigurePosition(bool withSize = false);
  void SendRootMessage(xcb_atom_t type, std::array<uint32_t, 5> data);
  // Takes the monitors the server told of; the primary one is the desktop's origin.
  void TakeLayout(const Layout& layout);
  // Positions on the desktop (relative to the primary monitor) and on the root window.
  PixelPoint RootFromDesktop(PixelPoint desktop) const;
  PixelPoint DesktopFromRoot(PixelPoint root) const;
  // Where the client area's corner is on the root; none when the server cannot say.
  std::optional<PixelPoint> ClientCornerOnRoot();
  // The window's rectangle with its corner at `corner`.
  PixelRect RectAt(PixelPoint corner) const;
  using PointerReply = std::unique_ptr<xcb_query_pointer_reply_t, decltype(&free)>;
  PointerReply QueryPointer(xcb_window_t window);
  // Shortly after the first map, each time the window is configured: the frame offset's check
  // (frame_offset.h) of where the client area landed.
  void CheckPlacement(uint16_t eventSequence);
  // WORKAROUND(openbox 3.6): it forgot the window's states when another program unmapped it
  // (xdotool windowunmap, windowmap): asked again at each map.
  void ReassertStates();
  // Raw motion is asked for only while a timer sleeps: a moving pointer wakes the loop once.
  void WatchPointer(bool on);
  // Under XWayland, where the compositor can tell the pointer's place over Wayland windows too,
  // starts listening to it; says once what the user has where it cannot.
  void ListenToCompositor();
  // The pointer's place on the root, by the pointer rule (pointer_rule.h).
  PixelPoint PointerOnRoot(const xcb_query_pointer_reply_t& reply);
  // A live EWMH window manager runs and lists `feature` among what it supports.
  bool WindowManagerSupports(xcb_atom_t feature);
  // What the window manager says it is and supports, read afresh (three round trips).
  struct WindowManagerInfo {
    xcb_window_t check = XCB_NONE;  // none: no live EWMH manager
    std::vector<xcb_atom_t> supported;
  };
  WindowManagerInfo ReadWindowManager();
  // The manager's name for itself (_NET_WM_NAME of its check window): "KWin", "GNOME Shell".
  std::string WindowManagerName();

  // The event loop.
  int WaitTimeoutMs() const;
  // Some timer is armed and awake: its ticks come on their own.
  bool TimerTicking() const;
  void FireFocusFallback(Clock::time_point now);
  void RetryMap(Clock::time_point now);
  void FireDueTimers(Clock::time_point now);
  void DispatchPending();
  void Dispatch(xcb_generic_event_t* event);
  // Runs one event of the sink; none once the program is ending.
  template <class Event>
  void Deliver(Event&& event) {
    if (!exitCode_) exitCode_ = DeliverEvent(*this, event);
  }
  void OnButtonPress(const xcb_button_press_event_t& event);
  void OnButtonRelease(const xcb_button_release_event_t& event);
  void OnMotion(const xcb_motion_notify_event_t& event);
  void OnKeyPress(const xcb_key_press_event_t& event);
  void OnMapped(uint16_t mapSequence);
  void OnLayoutChanged();
  void ReportXError(const xcb_generic_error_t& error);
  void OnRootPropertyChanged(xcb_atom_t property);
  // The desktop's dpi from the root's resources, asked for and then read.
  xcb_get_property_cookie_t AskResources();
  int ReadDpi(xcb_get_property_cookie_t asked);
  // A length given at 96 dpi (a distance the pointer travels, a frame's width), in device
  // pixels at the desktop's scale.
  int Scaled(int unscaled) const { return unscaled * dpi_ / 96; }
  void StartMove(PixelPoint pointer);
  // Whether the server says the left button is down now (a round trip).
  bool LeftButtonHeld();
  // The loop ends with `exitCode` and delivers no further event.
  void EndProgram(int exitCode);
  void CheckConnection();

  // --- Connection ---
  xcb_connection_t* connection_;
  xcb_screen_t* screen_;
  Visual visual_;
  PixelConverter converter_;
  ProgramInfo program_;
  std::string displayName_;
  Atoms atoms_;
  // The extensions' replies where the server has them; null where it has not.
  const xcb_query_extension_reply_t* shape_ = nullptr;
  const xcb_query_extension_reply_t* randr_ = nullptr;
  const xcb_query_extension_reply_t* xinput_ = nullptr;  // with XInput 2.0 or later
  bool watchingPointer_ = false;
  // The primary monitor, in root coordinates: its corner is the desktop's origin.
  PixelRect primary_;
  std::vector<PixelRect> monitors_;  // every monitor, on the desktop (from the primary's corner)
  xcb_key_symbols_t* keySymbols_ = nullptr;
  // Under XWayland with KWin or GNOME Shell: the pointer as the compositor sees it.
  std::unique_ptr<CompositorPointer> compositorPointer_;
  bool onXWayland_ = false;
  PointerRule pointerRule_;  // which of the server's pointer and the compositor's to believe
  PixelSize rootExtent_;     // the monitors' extent from the root's origin
  int dpi_ = 96;             // the desktop's, as its resources say
  InstanceLock instanceLock_;

  // --- The window ---
  xcb_window_t window_ = XCB_NONE;
  xcb_gcontext_t gc_ = XCB_NONE;
  EventSink* sink_ = nullptr;
  std::optional<int> exitCode_;  // set once the program is ending
  PixelSize size_;
  PixelPoint position_;  // on the desktop, as last requested; the server's answer wins once mapped
  bool mapped_ = false;
  bool everMapped_ = false;
  bool topmost_ = false;
  bool showInTaskbar_ = true;
  bool focusFallbackDue_ = false;
  Clock::time_point focusFallbackAt_{};
  int mapRetriesLeft_ = 0;
  Clock::time_point mapRetryAt_{};
  // Pixels go out in requests of at most this size (or the server's maximum, if smaller): a
  // small area goes in one request, a large one in several, and the buffer is made once.
  static constexpr size_t kUploadBufferBytes = 64 * 1024;
  std::vector<uint8_t> uploadBuffer_;
  // Drawn in a visual with alpha: for each pixel, whether it is inside the shape (shown).
  std::vector<uint8_t> opaque_;

  // --- Where a window manager puts the window ---
  // How far inside a manager's frame the client area lies, where the manager places frames at
  // the positions asked for the client.
  FrameOffset frameOffset_;
  int32_t borderWidth_ = 0;  // the border a manager may give the window itself
  bool inFrame_ = false;     // reparented into a manager's frame
  static constexpr auto kPlacementCheckTime = std::chrono::seconds(2);
  Clock::time_point placementCheckUntil_{};
  uint16_t placementRequest_ = 0;  // the sequence number of the placement's last request

  // --- Presses, double-clicks and moves ---
  Press press_ = Press::kNone;
  PixelPoint pressRoot_;
  PixelPoint pressOffset_;  // the pointer's offset from the window's corner
  PressRule pressRule_;     // the double-click's pairing and the drag's threshold

  // --- The window manager, as last read; read again when it changes ---
  std::optional<WindowManagerInfo> windowManager_;

  // --- X errors said: at most kXErrorsPerSecond lines a second, then how many were not ---
  static constexpr int kXErrorsPerSecond = 10;
  Clock::time_point xErrorSecond_{};
  int xErrorsThisSecond_ = 0;

  // --- A ConfigureNotify of the window, handled once the queue is drained: a flood of them
  // costs one handling ---
  std::optional<xcb_configure_notify_event_t> pendingConfigure_;

  // --- Timers ---
  std::array<TimerSlot, 4> timers_{};

  // --- Whoever watches the loop's costs (the benchmark); none in the program ---
  LoopObserver* observer_;
};

}  // namespace oculon::x11

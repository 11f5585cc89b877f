// An in-process desktop for tests: a scripted screen, pointer and window manager, a virtual
// clock that fires timers deterministically, and records of what the program asked for.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/backend.h"

namespace oculon {

class HeadlessDesktop : public Backend {
 public:
  explicit HeadlessDesktop(PixelSize screen = {1920, 1080});
  ~HeadlessDesktop() override;

  // --- The script ---
  // The screen, the pointer and the window changing wake sleeping timers, as on a real desktop.
  // The screen is the primary monitor; others may lie around it.
  void SetScreenSize(PixelSize size);
  void SetOtherMonitors(std::vector<PixelRect> monitors);
  void SetPointer(PixelPoint point);
  // The desktop's scale changes (the window, if any, hears of it at once).
  void SetDpi(int dpi);
  void SetAnotherInstanceRuns(bool runs) { anotherInstance_ = runs; }
  void SetShapeRefused(bool refused) { shapeRefused_ = refused; }
  void SetQueriesFail(bool fail) { queriesFail_ = fail; }
  // What the window manager does on its own, such as the user dragging the window.
  void MoveWindowByUser(PixelPoint topLeft);
  // Off: every timer ticks on its schedule, as on a desktop that cannot tell when the pointer
  // moves.
  void SetTimersMaySleep(bool may) { timersMaySleep_ = may; }

  // --- Events, delivered at once; after the program ended nothing more is delivered ---
  void AdvanceTime(int milliseconds);
  void PressKey(Key key);
  void MouseDown(int16_t button, int16_t shift, PixelPoint client);
  void DoubleClick();
  void Expose(const PixelRect& area);
  // The pointer moves to `point` with the left button held: a move started by BeginMove
  // carries the window along.
  void DragPointerTo(PixelPoint point);
  // Runs any call of the program as an event would, noting how the program ended.
  template <class Call>
  void Deliver(Call&& call) {
    if (ended_) return;
    if (std::optional<int> end = DeliverEvent(*this, call)) {
      ended_ = true;
      exitCode_ = *end;
    }
  }

  // --- What the program asked for ---
  struct WindowRecord {
    bool created = false;
    bool shown = false;
    bool topmost = false;
    bool shaped = false;
    std::string title;
    PixelSize size;
    PixelPoint position;
    std::vector<PixelRect> shape;
    std::vector<PixelPoint> moves;
    Image content;  // the client pixels as uploaded
    Image icon;
  };
  const WindowRecord& window() const { return window_; }
  bool ended() const { return ended_; }
  int exitCode() const { return exitCode_; }
  const std::string& fatalError() const { return fatalError_; }
  int moveRequests() const { return moveRequests_; }
  int captureReleases() const { return captureReleases_; }
  int64_t uploadedPixels() const { return uploadedPixels_; }
  int uploads() const { return uploads_; }
  // How many timer events were delivered: the wake-ups a real desktop would have made.
  int timerTicks() const { return timerTicks_; }
  int64_t now() const { return now_; }
  bool TimerRunning(int timerId) const { return timers_.count(timerId) != 0; }
  // Whether the pixel lies inside the window's shape (the whole window when unshaped).
  bool InShape(PixelPoint client) const;

  // --- Backend ---
  PixelSize ScreenSize() override { return screen_; }
  int Dpi() override { return dpi_; }
  std::span<const PixelRect> Monitors() override { return monitors_; }
  bool AnotherInstanceRuns() override { return anotherInstance_; }
  uint32_t CreateWindow(const WindowRequest& request, EventSink& sink) override;
  void MoveWindow(PixelPoint topLeft) override;
  void ResizeWindow(PixelSize size) override;
  // Like a real desktop, showing the window exposes all of it.
  void ShowWindow() override;
  void SetTopmost() override { window_.topmost = true; }
  bool SetShape(std::span<const PixelRect> rects) override;
  void ReleaseCapture() override { ++captureReleases_; }
  void BeginMove() override;
  bool WindowRect(PixelRect& rect) override;
  bool CursorPos(PixelPoint& point) override;
  WindowAndCursorRead WindowRectAndCursorPos(PixelRect& rect, PixelPoint& point) override {
    return {WindowRect(rect), CursorPos(point)};
  }
  void Upload(const Image& image, const PixelRect& area) override;
  void StartTimer(int timerId, int intervalMs) override;
  void StopTimer(int timerId) override { timers_.erase(timerId); }
  void SleepTimer(int timerId) override;
  void WakeTimers() override;
  void ShowFatalError(const std::string& message) override { fatalError_ = message; }

 private:
  struct TimerState {
    int interval;
    int64_t due;
    bool asleep = false;
  };

  PixelSize screen_;
  std::vector<PixelRect> monitors_;  // the screen first
  PixelPoint pointer_;
  int dpi_ = 96;
  bool anotherInstance_ = false;
  bool shapeRefused_ = false;
  bool queriesFail_ = false;
  bool timersMaySleep_ = true;

  EventSink* sink_ = nullptr;
  WindowRecord window_;
  std::map<int, TimerState> timers_;
  int64_t now_ = 0;

  bool moving_ = false;
  PixelPoint moveGrip_;  // the pointer's offset from the window's corner during a move
  int moveRequests_ = 0;
  int captureReleases_ = 0;
  int uploads_ = 0;
  int timerTicks_ = 0;
  int64_t uploadedPixels_ = 0;
  bool ended_ = false;
  int exitCode_ = -1;
  std::string fatalError_;
};

}  // namespace oculon

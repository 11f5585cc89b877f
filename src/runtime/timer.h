// The timer control: a Timer event every Interval milliseconds while Enabled.
#pragma once

#include <functional>

namespace oculon {

class Timer {
 public:
  Timer(int intervalMs, bool enabled) : interval_(intervalMs), enabled_(enabled) {}
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  int Interval() const { return interval_; }
  void SetInterval(int intervalMs);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // The program's promise that the Timer event reads nothing but the pointer, the window's
  // place and the form's picture. Then a tick that drew nothing is followed by none until one
  // of these changes: the desktop sleeps meanwhile, and the ticks resume on their schedule.
  bool WaitsForChange() const { return waitsForChange_; }
  void SetWaitsForChange(bool waits) { waitsForChange_ = waits; }

  // From now on the backend ticks this timer under `timerId` while it is enabled.
  void Attach(int timerId);

  std::function<void()> Tick;

 private:
  void Sync() const;

  int interval_;
  bool enabled_;
  bool waitsForChange_ = false;
  int id_ = -1;
};

}  // namespace oculon

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

  // From now on the backend ticks this timer under `timerId` while it is enabled.
  void Attach(int timerId);

  std::function<void()> Tick;

 private:
  void Sync() const;

  int interval_;
  bool enabled_;
  int id_ = -1;
};

}  // namespace oculon

// The timers' schedule: when each ticks, whether it sleeps, and when the loop must wake for them.
// A timer's arming and its firing live here together; the loop asks it what is due.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>

namespace oculon::x11 {

class TimerSchedule {
 public:
  using Clock = std::chrono::steady_clock;
  // A sleeping timer waits to be woken, and ticks once in this many intervals all the same (3 s
  // at 70 ms), on its schedule: a pointer warped by a program makes no raw motion to wake it.
  static constexpr int kIntervalsBetweenLooks = 43;

  // Arms `id` to tick every `interval` from `now`, afresh; false when no slot is left.
  bool Start(int id, Clock::duration interval, Clock::time_point now);
  void Stop(int id);
  // `id` sleeps until it is woken, or looks.
  void Sleep(int id);
  // Every sleeping timer goes on; the next tick is the first of its schedule still to come.
  void Wake(Clock::time_point now);
  // Some timer is armed and awake: its ticks come on their own.
  bool Ticking() const;
  // When the next tick or look is due; Clock::time_point::max() when none is.
  Clock::time_point Next() const;
  // Calls `tick(id)` for each timer due at `now`, while it returns true. A late timer ticks once
  // and starts afresh: ticks never pile up.
  template <class Tick>
  void FireDue(Clock::time_point now, Tick&& tick);

 private:
  struct Slot {
    int id = -1;  // -1: free
    Clock::duration interval{};
    Clock::time_point due{};
    bool asleep = false;
    Clock::time_point lookAt{};  // while asleep: when it ticks once all the same
  };
  std::array<Slot, 4> slots_{};
};

template <class Tick>
void TimerSchedule::FireDue(Clock::time_point now, Tick&& tick) {
  for (Slot& slot : slots_) {
    if (slot.id < 0) continue;
    if (slot.asleep) {
      if (slot.lookAt > now) continue;
      slot.asleep = false;  // a look, on the schedule: a tick that draws nothing sleeps again
      slot.due = slot.lookAt;
    }
    if (slot.due > now) continue;
    slot.due += slot.interval;
    if (slot.due <= now) slot.due = now + slot.interval;
    if (!tick(slot.id)) return;
  }
}

}  // namespace oculon::x11

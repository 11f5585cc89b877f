// The timers' schedule: arming, sleeping and waking.
#include "desktop/x11/timer_schedule.h"

namespace oculon::x11 {

bool TimerSchedule::Start(int id, Clock::duration interval, Clock::time_point now) {
  auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.id == id; });
  if (slot == slots_.end())
    slot = std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.id < 0; });
  if (slot == slots_.end()) return false;
  *slot = {id, interval, now + interval, false, {}};
  return true;
}

void TimerSchedule::Stop(int id) {
  for (Slot& slot : slots_) {
    if (slot.id == id) slot.id = -1;
  }
}

void TimerSchedule::Sleep(int id) {
  for (Slot& slot : slots_) {
    if (slot.id != id) continue;
    slot.asleep = true;
    slot.lookAt = slot.due + (kIntervalsBetweenLooks - 1) * slot.interval;
  }
}

void TimerSchedule::Wake(Clock::time_point now) {
  for (Slot& slot : slots_) {
    if (slot.id < 0 || !slot.asleep) continue;
    slot.asleep = false;
    if (slot.due <= now) slot.due += ((now - slot.due) / slot.interval + 1) * slot.interval;
  }
}

bool TimerSchedule::Ticking() const {
  return std::any_of(slots_.begin(), slots_.end(),
                     [](const Slot& slot) { return slot.id >= 0 && !slot.asleep; });
}

TimerSchedule::Clock::time_point TimerSchedule::Next() const {
  Clock::time_point next = Clock::time_point::max();
  for (const Slot& slot : slots_) {
    if (slot.id >= 0) next = std::min(next, slot.asleep ? slot.lookAt : slot.due);
  }
  return next;
}

}  // namespace oculon::x11

// The timers: armed, stopped, put to sleep and woken on their schedule (timer_schedule.h), their
// ticks delivered; and, while a timer sleeps, the pointer's raw motion asked for to wake it.
#include "desktop/x11/x11_backend.h"

#include <xcb/xinput.h>

#include "desktop/x11/loop_observer.h"

namespace oculon::x11 {

void X11Backend::StartTimer(int timerId, int intervalMs) {
  if (!timers_.Start(timerId, std::chrono::milliseconds(intervalMs), Clock::now()))
    Raise(ErrorNumber::kInvalidProcedureCall);  // no timer left
}

void X11Backend::StopTimer(int timerId) {
  timers_.Stop(timerId);
}

void X11Backend::SleepTimer(int timerId) {
  if (!xinput_) return;  // no word of the pointer's motion: the timer keeps looking
  timers_.Sleep(timerId);
  WatchPointer(true);
}

void X11Backend::WakeTimers() {
  timers_.Wake(Clock::now());
  WatchPointer(false);
}

void X11Backend::FireDueTimers(Clock::time_point now) {
  timers_.FireDue(now, [&](int id) {
    if (exitCode_) return false;
    if (observer_) observer_->TickStarted();
    if (compositorPointer_) compositorPointer_->Dispatch();  // the latest push, without waiting
    Deliver([&] { sink_->OnTimer(id); });
    if (observer_) observer_->TickEnded();
    return true;
  });
}

void X11Backend::WatchPointer(bool on) {
  if (!xinput_ || watchingPointer_ == on) return;
  watchingPointer_ = on;
  struct {
    xcb_input_event_mask_t head;
    uint32_t bits;
  } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, on ? uint32_t{XCB_INPUT_XI_EVENT_MASK_RAW_MOTION} : 0};
  xcb_input_xi_select_events(connection_, screen_->root, 1, &mask.head);
}

}  // namespace oculon::x11

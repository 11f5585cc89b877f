// Starting and stopping the backend's timer as the control's properties change.
#include "runtime/timer.h"

#include "runtime/backend.h"
#include "runtime/run_time_error.h"

namespace oculon {

void Timer::SetInterval(int intervalMs) {
  if (intervalMs < 0 || intervalMs > 65535) Raise(ErrorNumber::kInvalidPropertyValue);
  interval_ = intervalMs;
  Sync();
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Sync();
}

void Timer::Attach(int timerId) {
  id_ = timerId;
  Sync();
}

void Timer::Sync() const {
  if (id_ < 0) return;
  if (enabled_ && interval_ > 0) {
    CurrentBackend().StartTimer(id_, interval_);
  } else {
    CurrentBackend().StopTimer(id_);
  }
}

}  // namespace oculon

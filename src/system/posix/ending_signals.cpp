// Ending signals on POSIX: a handler that exits, and a hold around writes.
#include "runtime/ending_signals.h"

#include "system/posix/ending_signals_held.h"

#include <unistd.h>

namespace oculon {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

sigset_t EndingSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kEndingSignals) sigaddset(&set, signal);
  return set;
}

void EndAtOnce(int) {
  _exit(0);  // async-signal-safe; the server and the kernel release what the process held
}

}  // namespace

void EndOnEndingSignals() {
  struct sigaction action {};
  action.sa_handler = EndAtOnce;
  action.sa_mask = EndingSignalSet();
  for (int signal : kEndingSignals) sigaction(signal, &action, nullptr);
  sigset_t set = EndingSignalSet();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

EndingSignalsHeld::EndingSignalsHeld() {
  sigset_t set = EndingSignalSet();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

EndingSignalsHeld::~EndingSignalsHeld() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace oculon

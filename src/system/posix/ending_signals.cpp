// Ending signals on POSIX: a handler that exits, and a hold around writes.
#include "runtime/ending_signals.h"

#include "system/posix/ending_signals_held.h"

#include <unistd.h>

#include <algorithm>

namespace oculon {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What the handler writes before the end; changed only while the ending signals are held.
struct LastWords {
  int descriptor = -1;
  size_t length = 0;
  char bytes[kMostLastWords];
};
LastWords lastWords;

sigset_t EndingSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kEndingSignals) sigaddset(&set, signal);
  return set;
}

void EndAtOnce(int) {
  // write and _exit are async-signal-safe; the server and the kernel release what the process
  // held.
  if (lastWords.descriptor >= 0) {
    ssize_t ignored = write(lastWords.descriptor, lastWords.bytes, lastWords.length);
    (void)ignored;
  }
  _exit(0);
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

void SayAtEnd(int descriptor, std::span<const char> bytes) {
  EndingSignalsHeld held;
  bool fits = bytes.size() <= kMostLastWords;
  lastWords.descriptor = fits ? descriptor : -1;
  lastWords.length = fits ? bytes.size() : 0;
  std::copy(bytes.begin(), bytes.begin() + ptrdiff_t(lastWords.length), lastWords.bytes);
}

EndingSignalsHeld::EndingSignalsHeld() {
  sigset_t set = EndingSignalSet();
  sigprocmask(SIG_BLOCK, &set, &previous_);
}

EndingSignalsHeld::~EndingSignalsHeld() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace oculon

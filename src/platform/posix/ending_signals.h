// The signals that end the program as a close by the desktop does (SIGTERM, SIGINT, SIGHUP):
// exit code 0, nothing written, whatever the program is waiting for at that moment.
#pragma once

#include <csignal>

namespace oculon {

// From now on each ending signal ends the process at once with exit code 0. A handler that
// ends the process is the one way to be sure that no wait (for a frozen X server, a slow file)
// delays the end.
void EndOnEndingSignals();

// Holds the ending signals off while it lives, so that a file being written is never left
// half-written; a signal that came meanwhile ends the program as soon as this goes.
class EndingSignalsHeld {
 public:
  EndingSignalsHeld();
  ~EndingSignalsHeld();
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace oculon

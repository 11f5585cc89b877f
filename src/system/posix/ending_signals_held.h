// Holding the ending signals (SIGTERM, SIGINT, SIGHUP) off around a write of a file.
#pragma once

#include <csignal>

namespace oculon {

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

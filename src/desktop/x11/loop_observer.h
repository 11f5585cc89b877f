// What the event loop tells whoever watches its costs. The program installs no observer; the
// benchmark's counted build installs one, so that no counting lives in the product.
#pragma once

#include <cstdint>

namespace oculon::x11 {

class LoopObserver {
 public:
  virtual ~LoopObserver() = default;
  virtual void TickStarted() = 0;
  virtual void TickEnded() = 0;
  // A request whose reply the loop waits for; `sequence` numbers it among all requests sent.
  virtual void RoundTrip(uint64_t sequence) = 0;
  virtual void Uploaded(uint64_t bytes) = 0;
  // The place on the root a tick took the pointer to be at.
  virtual void PointerBelieved(int32_t x, int32_t y) = 0;
  virtual void LoopEnded() = 0;
};

inline LoopObserver* installedLoopObserver = nullptr;

// Installs the observer for backends created from now on; null for none.
inline void SetLoopObserver(LoopObserver* observer) {
  installedLoopObserver = observer;
}
inline LoopObserver* CurrentLoopObserver() {
  return installedLoopObserver;
}

}  // namespace oculon::x11

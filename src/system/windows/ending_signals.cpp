// Ending signals on Windows: a program without a console gets no such request. Its window's
// messages (WM_CLOSE, WM_ENDSESSION) end it instead, as the desktop backend handles them.
#include "runtime/ending_signals.h"

namespace oculon {

void EndOnEndingSignals() {}

void SayAtEnd(int, std::span<const char>) {}

}  // namespace oculon

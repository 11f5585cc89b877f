// The system's requests to end the process from outside the desktop (SIGTERM, SIGINT and
// SIGHUP on POSIX) end it as a close by the desktop does: exit code 0, nothing written,
// whatever the program is waiting for at that moment.
#pragma once

#include <span>

namespace oculon {

// Installed by main before it connects to the desktop. A handler that ends the process is the
// one way to be sure that no wait (for a frozen X server, a slow file) delays the end.
void EndOnEndingSignals();

// The last words of a process ended by such a request: `bytes` written to `descriptor` before it
// ends (a message another process must have, made ready beforehand, on a connection that
// carries nothing else). Replaces what was said before; none (-1) says nothing. At most
// kMostLastWords bytes.
inline constexpr size_t kMostLastWords = 1024;
void SayAtEnd(int descriptor, std::span<const char> bytes);

}  // namespace oculon

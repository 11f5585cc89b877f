// The system's requests to end the process from outside the desktop (SIGTERM, SIGINT and
// SIGHUP on POSIX) end it as a close by the desktop does: exit code 0, nothing written,
// whatever the program is waiting for at that moment.
#pragma once

namespace oculon {

// Installed by main before it connects to the desktop. A handler that ends the process is the
// one way to be sure that no wait (for a frozen X server, a slow file) delays the end.
void EndOnEndingSignals();

}  // namespace oculon

// The message that ends the program after an unhandled run-time error: on stderr, and in the
// system's message box.
#include <cstdio>

#include "desktop/win32/win32_backend.h"
#include "system/windows/wide_text.h"

namespace oculon::win32 {

void Win32Backend::ShowFatalError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program_.name.c_str(), message.c_str());
  // The message box's own loop goes on dispatching the window's timers and input: none of them
  // may run an event of the program, which is ending.
  showingFatalError_ = true;
  MessageBoxW(window_, Wide(message).c_str(), Wide(program_.name).c_str(),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace oculon::win32

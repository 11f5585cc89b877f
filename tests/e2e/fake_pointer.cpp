// Moves and clicks the pointer of a KWin session through its fake-input protocol, as a mouse
// would: XTest reaches only XWayland's pointer, not the compositor's. Reads commands, one a line,
// from the file (a FIFO) named on the command line, and sends them all over one connection:
//   move X Y       the pointer to (X, Y) on the compositor's screen
//   press, release the left button
// Writes "ready" to stderr once authenticated, and "done N" after the Nth command has reached
// KWin.
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "fake-input-client-protocol.h"

namespace {

org_kde_kwin_fake_input* fakeInput = nullptr;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
    fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fake_pointer COMMAND_FILE\n");
    return 2;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return 1;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, nullptr);
  wl_display_roundtrip(display);
  if (!fakeInput) return 1;
  org_kde_kwin_fake_input_authenticate(fakeInput, "tests", "moves the pointer");
  wl_display_roundtrip(display);
  std::fprintf(stderr, "ready\n");
  std::ifstream commands(argv[1]);
  std::string line;
  for (int count = 1; std::getline(commands, line); ++count) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "move") {
      double x = 0, y = 0;
      words >> x >> y;
      org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_double(x),
                                                      wl_fixed_from_double(y));
    } else if (command == "press" || command == "release") {
      org_kde_kwin_fake_input_button(
          fakeInput, BTN_LEFT,
          command == "press" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    }
    wl_display_roundtrip(display);
    std::fprintf(stderr, "done %d\n", count);
  }
  wl_display_disconnect(display);
  return 0;
}

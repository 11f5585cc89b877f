// The floor of the benchmark: the least any program of this kind must do per 70 ms tick. It
// asks where its window and the pointer are (one query, one round trip) and, when the pointer
// moved, uploads two 38 x 38 eye areas. Nothing else: no artwork, no shape, no runtime.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

int main() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  xcb_window_t window = xcb_generate_id(connection);
  uint32_t values[] = {screen->black_pixel};
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 555, 0, 170, 322, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
  const char title[] = "floor";
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                      8, sizeof title - 1, title);
  xcb_gcontext_t gc = xcb_generate_id(connection);
  xcb_create_gc(connection, gc, window, 0, nullptr);
  xcb_map_window(connection, window);
  xcb_flush(connection);

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

  std::vector<uint32_t> eye(38 * 38, 0xFFFFFF);
  constexpr auto kInterval = std::chrono::milliseconds(70);
  auto due = std::chrono::steady_clock::now() + kInterval;
  int16_t lastX = -1, lastY = -1;
  for (;;) {
    auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {signalFd, POLLIN, 0}};
    poll(fds, 2, static_cast<int>(std::max<int64_t>(0, wait.count())));
    if (fds[1].revents & POLLIN) break;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) free(event);
    if (xcb_connection_has_error(connection)) return 1;
    if (std::chrono::steady_clock::now() < due) continue;
    due += kInterval;
    xcb_query_pointer_reply_t* pointer =
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, window), nullptr);
    if (!pointer) continue;
    if (pointer->root_x != lastX || pointer->root_y != lastY) {
      lastX = pointer->root_x;
      lastY = pointer->root_y;
      for (int16_t x : {int16_t{39}, int16_t{98}}) {
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, 38, 38, x, 129, 0,
                      screen->root_depth, uint32_t(eye.size() * 4),
                      reinterpret_cast<const uint8_t*>(eye.data()));
      }
    }
    free(pointer);
    xcb_flush(connection);
  }
  xcb_disconnect(connection);
  return 0;
}

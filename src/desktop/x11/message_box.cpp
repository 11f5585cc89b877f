// The message that ends the program after an unhandled run-time error: on stderr, and in a
// small window with an OK button that Return, Escape, Space, a click on OK or a close dismiss.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "desktop/x11/x11_backend.h"

namespace oculon::x11 {
namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 96;
constexpr xcb_rectangle_t kOkButton{kWidth / 2 - 40, 56, 80, 26};

void DrawText(xcb_connection_t* connection, xcb_window_t window, xcb_gcontext_t gc, int x, int y,
              const std::string& text) {
  xcb_image_text_8(connection, static_cast<uint8_t>(std::min<size_t>(text.size(), 255)), window, gc,
                   static_cast<int16_t>(x), static_cast<int16_t>(y), text.c_str());
}

bool Inside(const xcb_rectangle_t& r, int x, int y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

}  // namespace

void X11Backend::ShowFatalError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program_.name.c_str(), message.c_str());
  if (xcb_connection_has_error(connection_)) return;
  xcb_window_t box = xcb_generate_id(connection_);
  uint32_t values[] = {screen_->white_pixel, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                                 XCB_EVENT_MASK_KEY_PRESS};
  int16_t x = static_cast<int16_t>((screen_->width_in_pixels - kWidth) / 2);
  int16_t y = static_cast<int16_t>((screen_->height_in_pixels - kHeight) / 2);
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, box, screen_->root, x, y, kWidth, kHeight, 1,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, box, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      uint32_t(program_.name.size()), program_.name.data());
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, box, atoms_.WM_PROTOCOLS, XCB_ATOM_ATOM,
                      32, 1, &atoms_.WM_DELETE_WINDOW);
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, box, atoms_._NET_WM_STATE, XCB_ATOM_ATOM,
                      32, 1, &atoms_._NET_WM_STATE_ABOVE);
  xcb_font_t font = xcb_generate_id(connection_);
  xcb_open_font(connection_, font, 5, "fixed");
  xcb_gcontext_t gc = xcb_generate_id(connection_);
  uint32_t gcValues[] = {screen_->black_pixel, screen_->white_pixel, font};
  xcb_create_gc(connection_, gc, box, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND | XCB_GC_FONT,
                gcValues);
  if (window_ != XCB_NONE) xcb_unmap_window(connection_, window_);
  xcb_map_window(connection_, box);
  xcb_flush(connection_);

  for (bool done = false; !done;) {
    XcbOwned<xcb_generic_event_t> event(xcb_wait_for_event(connection_));
    if (!event) break;  // the display is gone
    switch (event->response_type & 0x7f) {
      case XCB_EXPOSE:
        DrawText(connection_, box, gc, 16, 30, message);
        xcb_poly_rectangle(connection_, box, gc, 1, &kOkButton);
        DrawText(connection_, box, gc, kOkButton.x + 34, kOkButton.y + 17, "OK");
        xcb_flush(connection_);
        break;
      case XCB_KEY_PRESS: {
        auto* key = reinterpret_cast<xcb_key_press_event_t*>(event.get());
        xcb_keysym_t keysym = xcb_key_symbols_get_keysym(keySymbols_, key->detail, 0);
        done = keysym == 0xff0d || keysym == 0xff8d || keysym == 0xff1b || keysym == 0x20;
        break;
      }
      case XCB_BUTTON_PRESS: {
        auto* press = reinterpret_cast<xcb_button_press_event_t*>(event.get());
        done = press->event == box && Inside(kOkButton, press->event_x, press->event_y);
        break;
      }
      case XCB_CLIENT_MESSAGE:
        done = reinterpret_cast<xcb_client_message_event_t*>(event.get())->window == box;
        break;
      default:
        break;
    }
  }
  xcb_destroy_window(connection_, box);
  xcb_flush(connection_);
}

}  // namespace oculon::x11

// What a tick reads of the window and the pointer, in one round trip, and what it paints: the
// window's place, the pointer's, and the pixels sent in the window's format.
#include "desktop/x11/x11_backend.h"

#include <algorithm>

#include "desktop/x11/loop_observer.h"
#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {

PixelSize X11Backend::ScreenSize() {
  return {primary_.Width(), primary_.Height()};
}

PixelPoint X11Backend::RootFromDesktop(PixelPoint desktop) const {
  return {desktop.x + primary_.left, desktop.y + primary_.top};
}

PixelPoint X11Backend::DesktopFromRoot(PixelPoint root) const {
  return {root.x - primary_.left, root.y - primary_.top};
}

PixelRect X11Backend::RectAt(PixelPoint corner) const {
  return {corner.x, corner.y, corner.x + size_.width, corner.y + size_.height};
}

XcbOwned<xcb_query_pointer_reply_t> X11Backend::QueryPointer(xcb_window_t window) {
  xcb_query_pointer_cookie_t cookie = xcb_query_pointer(connection_, window);
  if (observer_) observer_->RoundTrip(cookie.sequence);
  return Owned(xcb_query_pointer_reply(connection_, cookie, nullptr));
}

bool X11Backend::WindowRect(PixelRect& rect) {
  std::optional<PixelPoint> corner = mapped_ ? ClientCornerOnRoot() : RootFromDesktop(position_);
  if (!corner) return false;
  rect = RectAt(DesktopFromRoot(*corner));
  return true;
}

bool X11Backend::CursorPos(PixelPoint& point) {
  XcbOwned<xcb_query_pointer_reply_t> reply = QueryPointer(screen_->root);
  if (!reply || !reply->same_screen) return false;
  point = DesktopFromRoot(PointerOnRoot(*reply));
  return true;
}

Backend::WindowAndCursorRead X11Backend::WindowRectAndCursorPos(PixelRect& rect,
                                                                PixelPoint& point) {
  if (!mapped_) return {WindowRect(rect), CursorPos(point)};
  // One query on the window answers both where the window is and where the pointer is.
  XcbOwned<xcb_query_pointer_reply_t> reply = QueryPointer(window_);
  if (!reply) return {};
  if (!reply->same_screen) {
    // The pointer is on another X screen: its answer says nothing of the window, and the
    // caller keeps its last pointer.
    return {WindowRect(rect), false};
  }
  rect = RectAt(DesktopFromRoot({reply->root_x - reply->win_x, reply->root_y - reply->win_y}));
  point = DesktopFromRoot(PointerOnRoot(*reply));
  return {true, true};
}

std::optional<PixelPoint> X11Backend::ClientCornerOnRoot() {
  auto reply = XcbOwned<xcb_translate_coordinates_reply_t>(xcb_translate_coordinates_reply(
      connection_, xcb_translate_coordinates(connection_, window_, screen_->root, 0, 0), nullptr));
  if (!reply) return std::nullopt;
  return PixelPoint{reply->dst_x, reply->dst_y};
}

void X11Backend::Upload(const Image& image, const PixelRect& area) {
  PixelRect clipped = area.Intersect(image.Bounds());
  if (clipped.IsEmpty() || window_ == XCB_NONE) return;
  // Requests are limited in length, and so is the buffer: send as many whole rows as fit.
  constexpr uint32_t kPutImageHeader = 24;
  uint64_t maxBytes = std::min<uint64_t>(
      uint64_t{xcb_get_maximum_request_length(connection_)} * 4 - kPutImageHeader,
      uploadBuffer_.size());
  uint64_t rowBytes = converter_.RowBytes(size_t(clipped.Width()));
  int32_t rowsPerRequest = static_cast<int32_t>(std::max<uint64_t>(1, maxBytes / rowBytes));
  for (int32_t top = clipped.top; top < clipped.bottom; top += rowsPerRequest) {
    int32_t rows = std::min(rowsPerRequest, clipped.bottom - top);
    uint8_t* out = uploadBuffer_.data();
    for (int32_t y = top; y < top + rows; ++y) {
      std::span<const uint8_t> opaque;
      if (!opaque_.empty() && image.width() == size_.width && image.height() == size_.height) {
        opaque = std::span<const uint8_t>(opaque_).subspan(
            size_t(y) * size_t(size_.width) + size_t(clipped.left), size_t(clipped.Width()));
      }
      out = converter_.ConvertRow(
          image.Row(y).subspan(size_t(clipped.left), size_t(clipped.Width())), out, opaque);
    }
    if (observer_) observer_->Uploaded(uint64_t(rows) * rowBytes);
    xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_,
                  static_cast<uint16_t>(clipped.Width()), static_cast<uint16_t>(rows),
                  ClampToInt16(clipped.left), ClampToInt16(top), 0, visual_.depth,
                  uint32_t(uint64_t(rows) * rowBytes), uploadBuffer_.data());
  }
}

}  // namespace oculon::x11

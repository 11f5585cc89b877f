// Presses on the window: a left press becomes MouseDown or, paired with the last, DblClick; past
// the drag threshold it becomes a move, the window manager's or the program's own (press_rule.h
// holds the rule).
#include "desktop/x11/x11_backend.h"

#include "desktop/x11/ewmh.h"
#include "desktop/x11/keys.h"
#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {

void X11Backend::OnButtonPress(const xcb_button_press_event_t& event) {
  int16_t button = event.detail == 1   ? kLeftButton
                   : event.detail == 2 ? kMiddleButton
                   : event.detail == 3 ? kRightButton
                                       : 0;
  if (button == 0) return;    // wheel and extra buttons
  placementCheckUntil_ = {};  // from the user's first press on, where the window is is theirs
  PixelPoint root{event.root_x, event.root_y};
  if (button == kLeftButton) {
    if (pressRule_.Pressed(event.time, root, dpi_)) {
      press_ = Press::kNone;
      Deliver([&] { sink_->OnDblClick(); });
      return;
    }
  }
  pressRoot_ = root;
  pressOffset_ = {event.event_x, event.event_y};
  Deliver([&] {
    sink_->OnMouseDown(button, ShiftFrom(event.state), {event.event_x, event.event_y});
  });
}

void X11Backend::BeginMove() {
  // WORKAROUND(openbox 3.6): a press handed to it at once, then released in the same
  // millisecond, left it in a move that swallowed the next click, the second of a double-click:
  // the move starts once the pointer has travelled the drag threshold.
  press_ = Press::kArmed;
}

void X11Backend::OnMotion(const xcb_motion_notify_event_t& event) {
  PixelPoint pointer{event.root_x, event.root_y};
  if (press_ == Press::kArmed && PressRule::IsDrag(pressRoot_, pointer, dpi_)) {
    StartMove(pointer);
  }
  if (press_ == Press::kOwnMove) {
    position_ = DesktopFromRoot({pointer.x - pressOffset_.x, pointer.y - pressOffset_.y});
    ConfigurePosition();
  }
}

void X11Backend::StartMove(PixelPoint pointer) {
  pressRule_.Dragged();
  // WORKAROUND(mutter, GNOME Shell 43 under XWayland): told to move the window once the button
  // was up (the program saw the drag late), it saw no release to end the move on and moved the
  // window until the next click: such a drag is the program's own.
  if (WindowManagerSupports(atoms_._NET_WM_MOVERESIZE) && LeftButtonHeld()) {
    // Some managers start the move from where the pointer is when the request arrives, others
    // from the point the request names: the window first catches up with the pointer, and the
    // request names where the pointer is, so both keep the travel before the threshold.
    position_ = DesktopFromRoot({pointer.x - pressOffset_.x, pointer.y - pressOffset_.y});
    ConfigurePosition();
    xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
    SendRootMessage(atoms_._NET_WM_MOVERESIZE, {uint32_t(pointer.x), uint32_t(pointer.y),
                                                ewmh::kMoveResizeMove, 1, ewmh::kFromApplication});
    press_ = Press::kWindowManagerMove;
  } else {
    press_ = Press::kOwnMove;
  }
}

bool X11Backend::LeftButtonHeld() {
  XcbOwned<xcb_query_pointer_reply_t> reply = QueryPointer(screen_->root);
  return reply && (reply->mask & XCB_KEY_BUT_MASK_BUTTON_1);
}

void X11Backend::OnButtonRelease(const xcb_button_release_event_t& event) {
  if (event.detail != 1) return;
  if (press_ == Press::kWindowManagerMove) {
    // WORKAROUND(openbox 3.6): the release reached us, so the window manager never took the move
    // over, and would start it at the next press: call it off.
    SendRootMessage(atoms_._NET_WM_MOVERESIZE,
                    {uint32_t(event.root_x), uint32_t(event.root_y), ewmh::kMoveResizeCancel, 1,
                     ewmh::kFromApplication});
  }
  press_ = Press::kNone;
}

}  // namespace oculon::x11

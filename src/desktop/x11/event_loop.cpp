// The X11 event loop: one poll over the connection and the timers; one flat dispatch; presses
// turned into MouseDown, DblClick and moves; keys into the focus model.
#include <poll.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/shape.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "desktop/x11/keys.h"
#include "desktop/x11/loop_observer.h"
#include "desktop/x11/x11_backend.h"
#include "desktop/x11/x_error_text.h"

namespace oculon::x11 {
namespace {

// The bit of an event's type that marks one another client sent (SendEvent).
constexpr uint8_t kSentByAClient = 0x80;

// With no window manager to give the window the focus, it takes it itself after this long.
constexpr auto kFocusFallback = std::chrono::milliseconds(100);

constexpr uint32_t kMoveResizeMove = 8;
constexpr uint32_t kMoveResizeCancel = 11;
constexpr uint32_t kFromApplication = 1;

}  // namespace

int X11Backend::Run() {
  while (!exitCode_) {
    xcb_flush(connection_);
    if (compositorPointer_ && compositorPointer_->DispatchRead()) WakeTimers();
    // While a timer ticks, each tick reads what the compositor pushed meanwhile (FireDueTimers):
    // a push, up to 60 a second, wakes the loop only while no timer ticks.
    bool listenToTheBus = compositorPointer_ && !TimerTicking();
    pollfd descriptors[] = {{xcb_get_file_descriptor(connection_), POLLIN, 0},
                            {listenToTheBus ? compositorPointer_->Descriptor() : -1, POLLIN, 0}};
    poll(descriptors, listenToTheBus ? 2 : 1, WaitTimeoutMs());
    // A push of the pointer's place wakes a sleeping timer, as the server's raw motion does.
    if (descriptors[1].revents && compositorPointer_->Dispatch()) WakeTimers();
    DispatchPending();
    CheckConnection();
    if (exitCode_) break;
    Clock::time_point now = Clock::now();
    FireFocusFallback(now);
    RetryMap(now);
    FireDueTimers(now);
  }
  xcb_flush(connection_);
  if (observer_) observer_->LoopEnded();
  return *exitCode_;
}

void X11Backend::DispatchPending() {
  while (!exitCode_) {
    std::unique_ptr<xcb_generic_event_t, decltype(&free)> event(xcb_poll_for_event(connection_),
                                                                &free);
    if (!event) break;
    Dispatch(event.get());
  }
  if (std::optional<xcb_configure_notify_event_t> configure = std::exchange(pendingConfigure_, {});
      configure && !exitCode_) {
    borderWidth_ = configure->border_width;
    CheckPlacement(configure->sequence);
    WakeTimers();  // moved or resized, by the program, the user or the window manager
  }
}

void X11Backend::CheckConnection() {
  if (!xcb_connection_has_error(connection_)) return;
  std::fprintf(stderr, "%s: lost the connection to the display \"%s\"\n", program_.name.c_str(),
               displayName_.c_str());
  EndProgram(1);
}

void X11Backend::EndProgram(int exitCode) {
  if (!exitCode_) exitCode_ = exitCode;
}

bool X11Backend::TimerTicking() const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [](const TimerSlot& slot) { return slot.id >= 0 && !slot.asleep; });
}

int X11Backend::WaitTimeoutMs() const {
  Clock::time_point now = Clock::now();
  Clock::time_point next = Clock::time_point::max();
  for (const TimerSlot& slot : timers_) {
    if (slot.id >= 0) next = std::min(next, slot.asleep ? slot.lookAt : slot.due);
  }
  if (focusFallbackDue_) next = std::min(next, focusFallbackAt_);
  if (!mapped_ && mapRetriesLeft_ > 0) next = std::min(next, mapRetryAt_);
  if (next == Clock::time_point::max()) return -1;
  if (next <= now) return 0;
  auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::min<int64_t>(wait, 60'000));
}

void X11Backend::FireFocusFallback(Clock::time_point now) {
  if (!focusFallbackDue_ || now < focusFallbackAt_) return;
  focusFallbackDue_ = false;
  xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
}

void X11Backend::RetryMap(Clock::time_point now) {
  if (mapped_ || mapRetriesLeft_ == 0 || now < mapRetryAt_) return;
  --mapRetriesLeft_;
  mapRetryAt_ = now + kMapRetryInterval;
  ConfigurePosition();
  xcb_map_window(connection_, window_);
}

void X11Backend::FireDueTimers(Clock::time_point now) {
  for (TimerSlot& slot : timers_) {
    if (exitCode_) return;
    if (slot.id < 0) continue;
    if (slot.asleep) {
      if (slot.lookAt > now) continue;
      slot.asleep = false;  // a look, on the schedule: a tick that draws nothing sleeps again
      slot.due = slot.lookAt;
    }
    if (slot.due > now) continue;
    // A late timer ticks once and starts afresh: ticks never pile up.
    slot.due += slot.interval;
    if (slot.due <= now) slot.due = now + slot.interval;
    if (observer_) observer_->TickStarted();
    if (compositorPointer_) compositorPointer_->Dispatch();  // the latest push, without waiting
    Deliver([&] { sink_->OnTimer(slot.id); });
    if (observer_) observer_->TickEnded();
  }
}

void X11Backend::Dispatch(xcb_generic_event_t* event) {
  switch (event->response_type & 0x7f) {
    case 0:  // an error: said once, and the program goes on where it can
      ReportXError(*reinterpret_cast<xcb_generic_error_t*>(event));
      break;
    case XCB_EXPOSE: {
      if (event->response_type & kSentByAClient) break;  // only the server knows what was lost
      auto* expose = reinterpret_cast<xcb_expose_event_t*>(event);
      Deliver([&] {
        sink_->OnExpose(
            {expose->x, expose->y, expose->x + expose->width, expose->y + expose->height});
      });
      break;
    }
    case XCB_BUTTON_PRESS:
      OnButtonPress(*reinterpret_cast<xcb_button_press_event_t*>(event));
      break;
    case XCB_BUTTON_RELEASE:
      OnButtonRelease(*reinterpret_cast<xcb_button_release_event_t*>(event));
      break;
    case XCB_MOTION_NOTIFY:
      OnMotion(*reinterpret_cast<xcb_motion_notify_event_t*>(event));
      break;
    case XCB_KEY_PRESS:
      OnKeyPress(*reinterpret_cast<xcb_key_press_event_t*>(event));
      break;
    case XCB_FOCUS_IN:
      focusFallbackDue_ = false;
      break;
    case XCB_MAP_NOTIFY:
      if (auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event); map->window == window_) {
        OnMapped(map->sequence);
      }
      break;
    case XCB_CONFIGURE_NOTIFY:
      if (auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
          configure->window == window_) {
        pendingConfigure_ = *configure;
      }
      break;
    case XCB_PROPERTY_NOTIFY:
      if (auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
          property->window == screen_->root) {
        OnRootPropertyChanged(property->atom);
      }
      break;
    case XCB_REPARENT_NOTIFY:
      if (auto* reparent = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
          reparent->window == window_) {
        inFrame_ = reparent->parent != screen_->root;
      }
      break;
    case XCB_GE_GENERIC:
      if (auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
          xinput_ && generic->extension == xinput_->major_opcode &&
          generic->event_type == XCB_INPUT_RAW_MOTION) {
        WakeTimers();  // the pointer moved, wherever it is
      }
      break;
    case XCB_MAPPING_NOTIFY:
      xcb_refresh_keyboard_mapping(keySymbols_,
                                   reinterpret_cast<xcb_mapping_notify_event_t*>(event));
      break;
    case XCB_CLIENT_MESSAGE: {
      auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
      if (message->type == atoms_.WM_PROTOCOLS &&
          message->data.data32[0] == atoms_.WM_DELETE_WINDOW) {
        EndProgram(0);  // closed by the desktop: no handler runs, nothing is written
      }
      break;
    }
    case XCB_DESTROY_NOTIFY:
      if (auto* destroy = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
          destroy->window == window_) {
        EndProgram(0);
      } else if (windowManager_ && destroy->window == windowManager_->check) {
        windowManager_.reset();  // the manager is gone
      }
      break;
    default:
      if (uint8_t type = event->response_type & 0x7f;
          randr_ && (type == randr_->first_event + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                     type == randr_->first_event + XCB_RANDR_NOTIFY)) {
        OnLayoutChanged();
      }
      break;
  }
}

void X11Backend::ReportXError(const xcb_generic_error_t& error) {
  // The focus asked for a window that another program unmapped meanwhile: expected, and no fault.
  if (error.error_code == XCB_MATCH && error.major_code == XCB_SET_INPUT_FOCUS) return;
  // A flood of errors (another program's doing) is said in a few lines a second.
  Clock::time_point now = Clock::now();
  if (now - xErrorSecond_ >= std::chrono::seconds(1)) {
    if (xErrorsThisSecond_ > kXErrorsPerSecond) {
      std::fprintf(stderr, "%s: %d more X errors in a second\n", program_.name.c_str(),
                   xErrorsThisSecond_ - kXErrorsPerSecond);
    }
    xErrorSecond_ = now;
    xErrorsThisSecond_ = 0;
  }
  if (++xErrorsThisSecond_ > kXErrorsPerSecond) return;
  std::string_view extension;
  if (shape_ && error.major_code == shape_->major_opcode) extension = "SHAPE";
  if (randr_ && error.major_code == randr_->major_opcode) extension = "RANDR";
  std::fprintf(
      stderr, "%s: %s\n", program_.name.c_str(),
      DescribeXError(error.error_code, error.major_code, error.minor_code, extension).c_str());
}

void X11Backend::OnMapped(uint16_t mapSequence) {
  mapped_ = true;
  if (!everMapped_) {
    everMapped_ = true;
    placementCheckUntil_ = Clock::now() + kPlacementCheckTime;
    CheckPlacement(mapSequence);
  } else {
    ReassertStates();  // mapped again by another program
  }
  if (WindowManagerSupports(atoms_._NET_ACTIVE_WINDOW)) {
    // A window that skips the taskbar is not focused by every window manager on its own.
    SendRootMessage(atoms_._NET_ACTIVE_WINDOW, {kFromApplication, XCB_CURRENT_TIME, 0, 0, 0});
    focusFallbackDue_ = true;
    focusFallbackAt_ = Clock::now() + kFocusFallback;
  } else {
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
  }
}

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
                                                kMoveResizeMove, 1, kFromApplication});
    press_ = Press::kWindowManagerMove;
  } else {
    press_ = Press::kOwnMove;
  }
}

bool X11Backend::LeftButtonHeld() {
  PointerReply reply = QueryPointer(screen_->root);
  return reply && (reply->mask & XCB_KEY_BUT_MASK_BUTTON_1);
}

void X11Backend::OnButtonRelease(const xcb_button_release_event_t& event) {
  if (event.detail != 1) return;
  if (press_ == Press::kWindowManagerMove) {
    // WORKAROUND(openbox 3.6): the release reached us, so the window manager never took the move
    // over, and would start it at the next press: call it off.
    SendRootMessage(atoms_._NET_WM_MOVERESIZE, {uint32_t(event.root_x), uint32_t(event.root_y),
                                                kMoveResizeCancel, 1, kFromApplication});
  }
  press_ = Press::kNone;
}

void X11Backend::OnKeyPress(const xcb_key_press_event_t& event) {
  xcb_keysym_t keysym = xcb_key_symbols_get_keysym(keySymbols_, event.detail, 0);
  if (std::optional<Key> key = KeyFrom(keysym, event.state & XCB_MOD_MASK_SHIFT))
    Deliver([&] { sink_->OnKey(*key); });
}

}  // namespace oculon::x11

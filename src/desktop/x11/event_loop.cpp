// The X11 event loop: one poll over the connection, the timers' schedule and, where it must, the
// compositor's bus; one flat dispatch of what the server sends to the handlers; keys into the
// focus model.
#include <poll.h>
#include <xcb/randr.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <utility>

#include "desktop/x11/keys.h"
#include "desktop/x11/loop_observer.h"
#include "desktop/x11/x11_backend.h"
#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {
namespace {

// The bit of an event's type that marks one another client sent (SendEvent).
constexpr uint8_t kSentByAClient = 0x80;

}  // namespace

int X11Backend::Run() {
  while (!exitCode_) {
    xcb_flush(connection_);
    if (compositorPointer_ && compositorPointer_->DispatchRead()) WakeTimers();
    // While a timer ticks, each tick reads what the compositor pushed meanwhile (FireDueTimers):
    // a push, up to 60 a second, wakes the loop only while no timer ticks.
    bool listenToTheBus = compositorPointer_ && !timers_.Ticking();
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
    XcbOwned<xcb_generic_event_t> event(xcb_poll_for_event(connection_));
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

void X11Backend::EndProgram(int exitCode) {
  if (!exitCode_) exitCode_ = exitCode;
}

int X11Backend::WaitTimeoutMs() const {
  Clock::time_point now = Clock::now();
  Clock::time_point next = timers_.Next();
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

void X11Backend::OnKeyPress(const xcb_key_press_event_t& event) {
  xcb_keysym_t keysym = xcb_key_symbols_get_keysym(keySymbols_, event.detail, 0);
  if (std::optional<Key> key = KeyFrom(keysym, event.state & XCB_MOD_MASK_SHIFT))
    Deliver([&] { sink_->OnKey(*key); });
}

}  // namespace oculon::x11

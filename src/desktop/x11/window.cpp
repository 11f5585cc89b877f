// The window: made, its properties written for the window manager, placed, shown, kept on top
// and shaped; where the manager put it; and what the window manager is and supports.
#include "desktop/x11/x11_backend.h"

#include <xcb/shape.h>

#include <algorithm>

#include "desktop/x11/ewmh.h"
#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {

uint32_t X11Backend::CreateWindow(const WindowRequest& request, EventSink& sink) {
  sink_ = &sink;
  size_ = request.size;
  position_ = request.position;
  showInTaskbar_ = request.showInTaskbar;
  uploadBuffer_.assign(kUploadBufferBytes, 0);
  if (visual_.format.alphaMask) opaque_.assign(size_t(size_.width) * size_t(size_.height), 1);
  window_ = xcb_generate_id(connection_);
  uint32_t valueMask =
      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_BIT_GRAVITY | XCB_CW_EVENT_MASK;
  std::array<uint32_t, 5> values = {
      0, 0, XCB_GRAVITY_STATIC,
      XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
          XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_KEY_PRESS |
          XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE,
      0};
  if (visual_.id != screen_->root_visual) {
    xcb_colormap_t colormap = xcb_generate_id(connection_);  // the server frees it at the end
    xcb_create_colormap(connection_, XCB_COLORMAP_ALLOC_NONE, colormap, screen_->root, visual_.id);
    valueMask |= XCB_CW_COLORMAP;
    values[4] = colormap;
  }
  PixelPoint root = RootFromDesktop(position_);
  xcb_create_window(connection_, visual_.depth, window_, screen_->root, ClampToInt16(root.x),
                    ClampToInt16(root.y), static_cast<uint16_t>(size_.width),
                    static_cast<uint16_t>(size_.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    visual_.id, valueMask, values.data());
  gc_ = xcb_generate_id(connection_);
  xcb_create_gc(connection_, gc_, window_, 0, nullptr);
  SetWindowProperties(request);
  return window_;
}

void X11Backend::SetWindowProperties(const WindowRequest& request) {
  auto setProperty = [&](xcb_atom_t property, xcb_atom_t type, uint8_t format, uint32_t count,
                         const void* data) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, property, type, format, count,
                        data);
  };
  setProperty(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, uint32_t(request.title.size()),
              request.title.data());
  setProperty(atoms_._NET_WM_NAME, atoms_.UTF8_STRING, 8, uint32_t(request.title.size()),
              request.title.data());
  std::string className = program_.name;
  if (!className.empty())
    className[0] = char(std::toupper(static_cast<unsigned char>(className[0])));
  std::string wmClass = program_.name + '\0' + className + '\0';
  setProperty(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, uint32_t(wmClass.size()), wmClass.data());
  const uint32_t motifHints[5] = {2, 0, 0, 0, 0};  // decorations: none
  setProperty(atoms_._MOTIF_WM_HINTS, atoms_._MOTIF_WM_HINTS, 32, 5, motifHints);
  // The window draws all of itself, shadow included (it has none).
  // WORKAROUND(mutter 43 on X11): it drew a shadow some 8 pixels wide round the head's outline,
  // and draws none where the window says its frame has no extents.
  const uint32_t noFrame[4] = {0, 0, 0, 0};
  setProperty(atoms_._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 32, 4, noFrame);
  const uint32_t wmHints[9] = {1, 1, 1, 0, 0, 0, 0, 0, 0};  // input: yes; state: normal
  setProperty(XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, wmHints);
  setProperty(atoms_.WM_PROTOCOLS, XCB_ATOM_ATOM, 32, 1, &atoms_.WM_DELETE_WINDOW);
  uint32_t pid = static_cast<uint32_t>(getpid());
  setProperty(atoms_._NET_WM_PID, XCB_ATOM_CARDINAL, 32, 1, &pid);
  if (request.icon) {
    std::vector<uint32_t> icon{uint32_t(request.icon->width()), uint32_t(request.icon->height())};
    icon.insert(icon.end(), request.icon->pixels().begin(), request.icon->pixels().end());
    setProperty(atoms_._NET_WM_ICON, XCB_ATOM_CARDINAL, 32, uint32_t(icon.size()), icon.data());
  }
  WriteSizeHints();
  WriteWmState();
}

void X11Backend::WriteSizeHints() {
  uint32_t hints[18] = {};
  hints[0] = ewmh::kUserPosition | ewmh::kUserSize | ewmh::kMinSize | ewmh::kMaxSize;
  PixelPoint root = RootFromDesktop(position_);
  hints[1] = static_cast<uint32_t>(root.x);
  hints[2] = static_cast<uint32_t>(root.y);
  hints[3] = hints[5] = hints[7] = static_cast<uint32_t>(size_.width);
  hints[4] = hints[6] = hints[8] = static_cast<uint32_t>(size_.height);
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS,
                      XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

void X11Backend::WriteWmState() {
  std::vector<xcb_atom_t> states;
  if (topmost_) states.push_back(atoms_._NET_WM_STATE_ABOVE);
  if (!showInTaskbar_) {
    states.push_back(atoms_._NET_WM_STATE_SKIP_TASKBAR);
    states.push_back(atoms_._NET_WM_STATE_SKIP_PAGER);
  }
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms_._NET_WM_STATE,
                      XCB_ATOM_ATOM, 32, uint32_t(states.size()), states.data());
}

uint16_t X11Backend::ConfigurePosition(bool withSize) {
  PixelPoint root = RootFromDesktop(position_);
  // A top-level window's position is its border's outer corner, and a manager that does not
  // frame it may give it a border; inside a frame, the frame's offset stands for all of it.
  int32_t border = inFrame_ ? 0 : borderWidth_;
  PixelPoint frame = frameOffset_.Offset();
  const uint32_t values[] = {static_cast<uint32_t>(ClampToInt16(root.x - frame.x - border)),
                             static_cast<uint32_t>(ClampToInt16(root.y - frame.y - border)),
                             static_cast<uint32_t>(size_.width),
                             static_cast<uint32_t>(size_.height)};
  uint16_t mask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
  if (withSize) mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
  return static_cast<uint16_t>(xcb_configure_window(connection_, window_, mask, values).sequence);
}

void X11Backend::MoveWindow(PixelPoint topLeft) {
  position_ = topLeft;
  if (!mapped_) WriteSizeHints();  // the window manager takes the position from the hints
  ConfigurePosition();
}

void X11Backend::ResizeWindow(PixelSize size) {
  PixelRect now{};
  if (!WindowRect(now)) now = RectAt(position_);
  position_ = {now.left + (now.Width() - size.width) / 2,
               now.top + (now.Height() - size.height) / 2};
  size_ = size;
  if (visual_.format.alphaMask) opaque_.assign(size_t(size_.width) * size_t(size_.height), 1);
  WriteSizeHints();  // the manager holds the window to the size the hints give
  // WORKAROUND(openbox 3.6): asked for the size and the place apart, it showed the new size at
  // the old corner for a moment, which the placement check took for a frame: one request.
  ConfigurePosition(true);
}

void X11Backend::ShowWindow() {
  if (mapped_) return;
  WriteSizeHints();
  ConfigurePosition();
  xcb_map_window(connection_, window_);
  xcb_flush(connection_);
  mapRetriesLeft_ = kMapRetries;
  mapRetryAt_ = Clock::now() + kMapRetryInterval;
}

void X11Backend::SetTopmost() {
  topmost_ = true;
  if (!mapped_) {
    WriteWmState();
    return;
  }
  SendRootMessage(atoms_._NET_WM_STATE,
                  {ewmh::kAdd, atoms_._NET_WM_STATE_ABOVE, 0, ewmh::kFromApplication, 0});
  const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
  xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_STACK_MODE, above);
}

void X11Backend::ReassertStates() {
  if (!WindowManagerSupports(atoms_._NET_WM_STATE)) return;
  if (topmost_) {
    SendRootMessage(atoms_._NET_WM_STATE,
                    {ewmh::kAdd, atoms_._NET_WM_STATE_ABOVE, 0, ewmh::kFromApplication, 0});
  }
  if (!showInTaskbar_) {
    SendRootMessage(atoms_._NET_WM_STATE,
                    {ewmh::kAdd, atoms_._NET_WM_STATE_SKIP_TASKBAR, atoms_._NET_WM_STATE_SKIP_PAGER,
                     ewmh::kFromApplication, 0});
  }
}

bool X11Backend::SetShape(std::span<const PixelRect> rects) {
  if (!opaque_.empty()) {
    // Drawn with alpha: what is cut away is transparent to a compositor too.
    std::fill(opaque_.begin(), opaque_.end(), 0);
    for (const PixelRect& rect : rects) {
      PixelRect inside = rect.Intersect({0, 0, size_.width, size_.height});
      for (int32_t y = inside.top; y < inside.bottom; ++y) {
        std::fill_n(
            opaque_.begin() + ptrdiff_t(size_t(y) * size_t(size_.width) + size_t(inside.left)),
            inside.Width(), 1);
      }
    }
  }
  if (!shape_) return opaque_.empty() ? false : true;  // without SHAPE, alpha alone cuts it
  std::vector<xcb_rectangle_t> xRects;
  xRects.reserve(rects.size());
  for (const PixelRect& r : rects) {
    xRects.push_back({ClampToInt16(r.left), ClampToInt16(r.top),
                      static_cast<uint16_t>(std::clamp(r.Width(), 0, int32_t{UINT16_MAX})),
                      static_cast<uint16_t>(std::clamp(r.Height(), 0, int32_t{UINT16_MAX}))});
  }
  bool ok = true;
  // The input shape too: pointer input on a cut-away pixel goes to what lies beneath.
  for (xcb_shape_kind_t kind : {XCB_SHAPE_SK_BOUNDING, XCB_SHAPE_SK_INPUT}) {
    xcb_void_cookie_t cookie = xcb_shape_rectangles_checked(
        connection_, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED, window_, 0, 0,
        uint32_t(xRects.size()), xRects.data());
    if (Owned(xcb_request_check(connection_, cookie))) ok = false;
  }
  return ok;
}

void X11Backend::CheckPlacement(uint16_t eventSequence) {
  if (!frameOffset_.Checking() || Clock::now() > placementCheckUntil_) return;
  // An event sent before the server saw the last request tells nothing of the answer to it.
  if (frameOffset_.Asks() > 0 && int16_t(eventSequence - placementRequest_) < 0) return;
  PixelPoint asked = RootFromDesktop(position_);
  PixelPoint client = ClientCornerOnRoot().value_or(asked);
  if (frameOffset_.Landed({client.x - asked.x, client.y - asked.y}, inFrame_,
                          Scaled(FrameOffset::kMaxFrameOffset))) {
    placementRequest_ = ConfigurePosition();
  }
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
    SendRootMessage(atoms_._NET_ACTIVE_WINDOW, {ewmh::kFromApplication, XCB_CURRENT_TIME, 0, 0, 0});
    focusFallbackDue_ = true;
    focusFallbackAt_ = Clock::now() + kFocusFallback;
  } else {
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
  }
}

void X11Backend::SendRootMessage(xcb_atom_t type, std::array<uint32_t, 5> data) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window_;
  message.type = type;
  std::copy(data.begin(), data.end(), message.data.data32);
  xcb_send_event(connection_, 0, screen_->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
}

bool X11Backend::WindowManagerSupports(xcb_atom_t feature) {
  if (!windowManager_) windowManager_ = ReadWindowManager();
  return std::find(windowManager_->supported.begin(), windowManager_->supported.end(), feature) !=
         windowManager_->supported.end();
}

std::string X11Backend::WindowManagerName() {
  if (!windowManager_) windowManager_ = ReadWindowManager();
  if (windowManager_->check == XCB_NONE) return "";
  auto reply = XcbOwned<xcb_get_property_reply_t>(
      xcb_get_property_reply(connection_,
                             xcb_get_property(connection_, 0, windowManager_->check,
                                              atoms_._NET_WM_NAME, atoms_.UTF8_STRING, 0, 64),
                             nullptr));
  if (!reply) return "";
  return {static_cast<const char*>(xcb_get_property_value(reply.get())),
          size_t(xcb_get_property_value_length(reply.get()))};
}

X11Backend::WindowManagerInfo X11Backend::ReadWindowManager() {
  auto readWindow = [&](xcb_window_t on) -> xcb_window_t {
    xcb_generic_error_t* gone = nullptr;  // a dead manager's window: expected, not reported
    auto reply = XcbOwned<xcb_get_property_reply_t>(
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 0, on, atoms_._NET_SUPPORTING_WM_CHECK,
                                                XCB_ATOM_WINDOW, 0, 1),
                               &gone));
    XcbOwned<xcb_generic_error_t> dropped(gone);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) return XCB_NONE;
    return *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
  };
  // A window manager that died leaves its properties behind: its check window must live and
  // point at itself. Its end is told by the check window's DestroyNotify.
  WindowManagerInfo manager;
  xcb_window_t check = readWindow(screen_->root);
  if (check == XCB_NONE || readWindow(check) != check) return manager;
  uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection_, check, XCB_CW_EVENT_MASK, &structure);
  auto supported = XcbOwned<xcb_get_property_reply_t>(
      xcb_get_property_reply(connection_,
                             xcb_get_property(connection_, 0, screen_->root, atoms_._NET_SUPPORTED,
                                              XCB_ATOM_ATOM, 0, 4096),
                             nullptr));
  manager.check = check;
  if (!supported) return manager;
  auto* atoms = static_cast<xcb_atom_t*>(xcb_get_property_value(supported.get()));
  manager.supported.assign(atoms, atoms + xcb_get_property_value_length(supported.get()) / 4);
  return manager;
}

}  // namespace oculon::x11

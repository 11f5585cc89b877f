// The X11 backend: connection, the window and its properties, the queries and the paint.
#include "desktop/x11/x11_backend.h"

#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/shape.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "desktop/x11/loop_observer.h"
#include "desktop/x11/primary_monitor.h"
#include "desktop/x11/resource_dpi.h"

namespace oculon::x11 {
namespace {

template <class Reply>
struct FreeReply {
  void operator()(Reply* reply) const { free(reply); }
};
template <class Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

int16_t ClampToInt16(int32_t value) {
  return static_cast<int16_t>(std::clamp(value, int32_t{INT16_MIN}, int32_t{INT16_MAX}));
}

// The flags of WM_NORMAL_HINTS.
constexpr uint32_t kUserPosition = 1;
constexpr uint32_t kUserSize = 2;
constexpr uint32_t kMinSize = 16;
constexpr uint32_t kMaxSize = 32;

// The fields of _NET_WM_STATE messages.
constexpr uint32_t kAdd = 1;
constexpr uint32_t kFromApplication = 1;

// Under a compositing manager, a TrueColor visual with alpha (32 bits); else the root's own
// visual when it is TrueColor; else the deepest TrueColor visual, one with alpha only when
// nothing else is there. Negative: not usable.
int VisualRank(const xcb_visualtype_t& visual, uint8_t depth, xcb_visualid_t rootVisual,
               bool composited) {
  if (visual._class != XCB_VISUAL_CLASS_TRUE_COLOR) return -1;
  if (composited && depth == 32) return 2000;
  if (visual.visual_id == rootVisual) return 1000;
  return depth == 32 ? 0 : depth;
}

// The extension's reply when the server has it, else null.
const xcb_query_extension_reply_t* PresentExtension(xcb_connection_t* connection,
                                                    xcb_extension_t* extension) {
  const xcb_query_extension_reply_t* reply = xcb_get_extension_data(connection, extension);
  return reply && reply->present ? reply : nullptr;
}

PixelFormat FormatOf(const xcb_setup_t& setup, const xcb_visualtype_t& visual, uint8_t depth) {
  PixelFormat format;
  for (auto it = xcb_setup_pixmap_formats_iterator(&setup); it.rem; xcb_format_next(&it)) {
    if (it.data->depth != depth) continue;
    format.bitsPerPixel = it.data->bits_per_pixel;
    format.scanlinePad = it.data->scanline_pad;
  }
  format.mostSignificantByteFirst = setup.image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
  format.redMask = visual.red_mask;
  format.greenMask = visual.green_mask;
  format.blueMask = visual.blue_mask;
  if (depth == 32) format.alphaMask = ~(visual.red_mask | visual.green_mask | visual.blue_mask);
  return format;
}

// A compositing manager owns the screen's _NET_WM_CM_S<n> selection. It draws a window's
// pixels with its alpha.
// WORKAROUND(KWin 5.27, XWayland 22.1): a window without alpha is taken for opaque over its
// whole rectangle, shape or no shape, and what lies beneath its cut-away part is never repainted:
// that part kept whatever was drawn there before, black at a session's start (10 starts of 10).
// A window with alpha, transparent where it is cut away, is drawn as it should be.
bool CompositingManagerRuns(xcb_connection_t* connection, int screenNumber) {
  std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
  ReplyPtr<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr));
  if (!atom) return false;
  ReplyPtr<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
  return owner && owner->owner != XCB_NONE;
}

}  // namespace

std::unique_ptr<X11Backend> X11Backend::Connect(const ProgramInfo& program) {
  const char* display = std::getenv("DISPLAY");
  std::string displayName = display ? display : "";
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "%s: cannot open display \"%s\"\n", program.name.c_str(),
                 displayName.c_str());
    xcb_disconnect(connection);
    return nullptr;
  }
  xcb_prefetch_extension_data(connection, &xcb_shape_id);
  xcb_prefetch_extension_data(connection, &xcb_randr_id);
  xcb_prefetch_extension_data(connection, &xcb_input_id);
  const xcb_setup_t& setup = *xcb_get_setup(connection);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(&setup);
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  const xcb_screen_t& screen = *screens.data;

  Visual chosen;
  int bestRank = -1;
  bool composited = CompositingManagerRuns(connection, screenNumber);
  for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem;
       xcb_depth_next(&depths)) {
    uint8_t depth = depths.data->depth;
    for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
         xcb_visualtype_next(&visuals)) {
      const xcb_visualtype_t& visual = *visuals.data;
      int rank = VisualRank(visual, depth, screen.root_visual, composited);
      if (rank <= bestRank) continue;
      bestRank = rank;
      chosen = {visual.visual_id, depth, FormatOf(setup, visual, depth)};
    }
  }
  if (chosen.id == XCB_NONE) {
    std::fprintf(stderr,
                 "%s: the display \"%s\" has no true-colour visual (its root window is %d-bit "
                 "with a colour palette); the program needs one\n",
                 program.name.c_str(), displayName.c_str(), screen.root_depth);
    xcb_disconnect(connection);
    return nullptr;
  }
  return std::unique_ptr<X11Backend>(
      new X11Backend(connection, screens.data, chosen, program, std::move(displayName)));
}

X11Backend::X11Backend(xcb_connection_t* connection, xcb_screen_t* screen, Visual visual,
                       ProgramInfo program, std::string displayName)
    : connection_(connection),
      screen_(screen),
      visual_(visual),
      converter_(visual.format),
      program_(std::move(program)),
      displayName_(std::move(displayName)),
      atoms_(InternAtoms(connection)),
      keySymbols_(xcb_key_symbols_alloc(connection)),
      observer_(CurrentLoopObserver()) {
  shape_ = PresentExtension(connection_, &xcb_shape_id);
  randr_ = PresentExtension(connection_, &xcb_randr_id);
  // XInput 2 answers a client only once it said which version it speaks: asked here, and
  // answered while the monitors are asked for, so that start-up waits once for both.
  const xcb_query_extension_reply_t* input = PresentExtension(connection_, &xcb_input_id);
  xcb_input_xi_query_version_cookie_t version{};
  if (input) version = xcb_input_xi_query_version(connection_, 2, 0);
  xcb_get_property_cookie_t resources = AskResources();
  constexpr char kXWayland[] = "XWAYLAND";
  xcb_query_extension_cookie_t xwayland =
      xcb_query_extension(connection_, sizeof kXWayland - 1, kXWayland);
  TakeLayout(QueryLayout(connection_, *screen_));
  // XWayland from version 23 has an extension of its name; older ones are told by their
  // monitors (see TakeLayout).
  ReplyPtr<xcb_query_extension_reply_t> xwaylandExtension(
      xcb_query_extension_reply(connection_, xwayland, nullptr));
  if (!onXWayland_ && xwaylandExtension && xwaylandExtension->present) {
    onXWayland_ = true;
    ListenToCompositor();
  }
  dpi_ = ReadDpi(resources);
  if (input) {
    ReplyPtr<xcb_input_xi_query_version_reply_t> reply(
        xcb_input_xi_query_version_reply(connection_, version, nullptr));
    if (reply && reply->major_version >= 2) xinput_ = input;  // it tells of raw motion
  }
  // The root's properties tell when a window manager comes or goes, and when the scale changes.
  uint32_t propertyChanges = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(connection_, screen_->root, XCB_CW_EVENT_MASK, &propertyChanges);
  if (randr_) {
    xcb_randr_select_input(connection_, screen_->root,
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
  }
}

void X11Backend::ListenToCompositor() {
  std::string manager = WindowManagerName();
  if (manager == "KWin") compositorPointer_ = CompositorPointer::Start(program_, Compositor::kKWin);
  if (manager == "GNOME Shell")
    compositorPointer_ = CompositorPointer::Start(program_, Compositor::kGnomeShell);
  if (compositorPointer_) {
    if (std::string hint = compositorPointer_->Hint(); !hint.empty())
      std::fprintf(stderr, "%s: %s\n", program_.name.c_str(), hint.c_str());
    return;
  }
  std::fprintf(stderr,
               "%s: on this Wayland desktop (%s) the pointer is seen only while it is over X11 "
               "windows\n",
               program_.name.c_str(), manager.empty() ? "no window manager" : manager.c_str());
}

PixelPoint X11Backend::PointerOnRoot(const xcb_query_pointer_reply_t& reply) {
  constexpr uint16_t kButtons = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 |
                                XCB_KEY_BUT_MASK_BUTTON_3 | XCB_KEY_BUT_MASK_BUTTON_4 |
                                XCB_KEY_BUT_MASK_BUTTON_5;
  PointerRule::ServerReading server{{reply.root_x, reply.root_y}, (reply.mask & kButtons) != 0};
  bool pressHolds = press_ == Press::kArmed || press_ == Press::kOwnMove;
  std::optional<PushedPointer> push;
  if (compositorPointer_) push = compositorPointer_->Pushed();
  PixelPoint believed = pointerRule_.Choose(server, pressHolds, push, rootExtent_);
  if (observer_) observer_->PointerBelieved(believed.x, believed.y);
  return believed;
}

X11Backend::~X11Backend() {
  if (keySymbols_) xcb_key_symbols_free(keySymbols_);
  xcb_disconnect(connection_);
}

PixelSize X11Backend::ScreenSize() {
  return {primary_.Width(), primary_.Height()};
}

PixelPoint X11Backend::RootFromDesktop(PixelPoint desktop) const {
  return {desktop.x + primary_.left, desktop.y + primary_.top};
}

PixelPoint X11Backend::DesktopFromRoot(PixelPoint root) const {
  return {root.x - primary_.left, root.y - primary_.top};
}

void X11Backend::TakeLayout(const Layout& layout) {
  // WORKAROUND(XWayland 22.1): before version 23 XWayland has no extension of its name; it names
  // its monitors XWAYLAND0, XWAYLAND1 …, and tells of them
  // only once the compositor has told it of its outputs: asked again with every change of the
  // layout, until they show.
  if (!onXWayland_ && !layout.names.empty()) {
    constexpr char kXWaylandMonitor[] = "XWAYLAND0";
    ReplyPtr<xcb_intern_atom_reply_t> name(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 1, sizeof kXWaylandMonitor - 1, kXWaylandMonitor),
        nullptr));
    onXWayland_ =
        name && name->atom != XCB_ATOM_NONE &&
        std::find(layout.names.begin(), layout.names.end(), name->atom) != layout.names.end();
    if (onXWayland_) ListenToCompositor();
  }
  primary_ = layout.primary;
  rootExtent_ = {};
  for (const PixelRect& monitor : layout.monitors) {
    rootExtent_ = {std::max(rootExtent_.width, monitor.right),
                   std::max(rootExtent_.height, monitor.bottom)};
  }
  monitors_.clear();
  for (const PixelRect& monitor : layout.monitors) {
    PixelPoint corner = DesktopFromRoot({monitor.left, monitor.top});
    monitors_.push_back(
        {corner.x, corner.y, corner.x + monitor.Width(), corner.y + monitor.Height()});
  }
}

void X11Backend::OnLayoutChanged() {
  // The window stays where it is on the root; its position on the desktop follows the new
  // primary monitor.
  TakeLayout(QueryLayout(connection_, *screen_));
  WakeTimers();
}

void X11Backend::WatchPointer(bool on) {
  if (!xinput_ || watchingPointer_ == on) return;
  watchingPointer_ = on;
  struct {
    xcb_input_event_mask_t head;
    uint32_t bits;
  } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, on ? uint32_t{XCB_INPUT_XI_EVENT_MASK_RAW_MOTION} : 0};
  xcb_input_xi_select_events(connection_, screen_->root, 1, &mask.head);
}

bool X11Backend::AnotherInstanceRuns() {
  return instanceLock_.HeldByAnother(program_.name, program_.executablePath, displayName_);
}

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
  hints[0] = kUserPosition | kUserSize | kMinSize | kMaxSize;
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
  SendRootMessage(atoms_._NET_WM_STATE, {kAdd, atoms_._NET_WM_STATE_ABOVE, 0, kFromApplication, 0});
  const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
  xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_STACK_MODE, above);
}

void X11Backend::ReassertStates() {
  if (!WindowManagerSupports(atoms_._NET_WM_STATE)) return;
  if (topmost_) {
    SendRootMessage(atoms_._NET_WM_STATE,
                    {kAdd, atoms_._NET_WM_STATE_ABOVE, 0, kFromApplication, 0});
  }
  if (!showInTaskbar_) {
    SendRootMessage(atoms_._NET_WM_STATE, {kAdd, atoms_._NET_WM_STATE_SKIP_TASKBAR,
                                           atoms_._NET_WM_STATE_SKIP_PAGER, kFromApplication, 0});
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
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
      free(error);
      ok = false;
    }
  }
  return ok;
}

void X11Backend::ReleaseCapture() {
  // The press's implicit grab is kept until the move is handed over: the motion that crosses
  // the drag threshold must still reach the program (see BeginMove).
}

PixelRect X11Backend::RectAt(PixelPoint corner) const {
  return {corner.x, corner.y, corner.x + size_.width, corner.y + size_.height};
}

X11Backend::PointerReply X11Backend::QueryPointer(xcb_window_t window) {
  xcb_query_pointer_cookie_t cookie = xcb_query_pointer(connection_, window);
  if (observer_) observer_->RoundTrip(cookie.sequence);
  return PointerReply(xcb_query_pointer_reply(connection_, cookie, nullptr), &free);
}

bool X11Backend::WindowRect(PixelRect& rect) {
  std::optional<PixelPoint> corner = mapped_ ? ClientCornerOnRoot() : RootFromDesktop(position_);
  if (!corner) return false;
  rect = RectAt(DesktopFromRoot(*corner));
  return true;
}

bool X11Backend::CursorPos(PixelPoint& point) {
  PointerReply reply = QueryPointer(screen_->root);
  if (!reply || !reply->same_screen) return false;
  point = DesktopFromRoot(PointerOnRoot(*reply));
  return true;
}

Backend::WindowAndCursorRead X11Backend::WindowRectAndCursorPos(PixelRect& rect,
                                                                PixelPoint& point) {
  if (!mapped_) return {WindowRect(rect), CursorPos(point)};
  // One query on the window answers both where the window is and where the pointer is.
  PointerReply reply = QueryPointer(window_);
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
  auto reply = ReplyPtr<xcb_translate_coordinates_reply_t>(xcb_translate_coordinates_reply(
      connection_, xcb_translate_coordinates(connection_, window_, screen_->root, 0, 0), nullptr));
  if (!reply) return std::nullopt;
  return PixelPoint{reply->dst_x, reply->dst_y};
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
  auto reply = ReplyPtr<xcb_get_property_reply_t>(
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
    auto reply = ReplyPtr<xcb_get_property_reply_t>(
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 0, on, atoms_._NET_SUPPORTING_WM_CHECK,
                                                XCB_ATOM_WINDOW, 0, 1),
                               &gone));
    free(gone);
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
  auto supported = ReplyPtr<xcb_get_property_reply_t>(
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

void X11Backend::OnRootPropertyChanged(xcb_atom_t property) {
  if (property == atoms_._NET_SUPPORTING_WM_CHECK || property == atoms_._NET_SUPPORTED) {
    windowManager_.reset();  // a manager came, went or changed its mind
  }
  if (property == XCB_ATOM_RESOURCE_MANAGER) {
    int dpi = ReadDpi(AskResources());
    if (dpi == dpi_) return;
    dpi_ = dpi;
    if (sink_) Deliver([&] { sink_->OnScaleChanged(); });
  }
}

xcb_get_property_cookie_t X11Backend::AskResources() {
  // The database is text of a few kilobytes; a megabyte is more than any desktop writes.
  constexpr uint32_t kMostWords = 256 * 1024;
  return xcb_get_property(connection_, 0, screen_->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING,
                          0, kMostWords);
}

int X11Backend::ReadDpi(xcb_get_property_cookie_t asked) {
  auto reply =
      ReplyPtr<xcb_get_property_reply_t>(xcb_get_property_reply(connection_, asked, nullptr));
  if (!reply) return DpiFromResources({});
  return DpiFromResources({static_cast<const char*>(xcb_get_property_value(reply.get())),
                           size_t(xcb_get_property_value_length(reply.get()))});
}

void X11Backend::StartTimer(int timerId, int intervalMs) {
  auto slot = std::find_if(timers_.begin(), timers_.end(),
                           [&](const TimerSlot& t) { return t.id == timerId; });
  if (slot == timers_.end()) {
    slot =
        std::find_if(timers_.begin(), timers_.end(), [](const TimerSlot& t) { return t.id < 0; });
  }
  if (slot == timers_.end()) Raise(ErrorNumber::kInvalidProcedureCall);  // no timer left
  slot->id = timerId;
  slot->interval = std::chrono::milliseconds(intervalMs);
  slot->due = Clock::now() + slot->interval;
  slot->asleep = false;
}

void X11Backend::SleepTimer(int timerId) {
  if (!xinput_) return;  // no word of the pointer's motion: the timer keeps looking
  for (TimerSlot& slot : timers_) {
    if (slot.id != timerId) continue;
    slot.asleep = true;
    slot.lookAt = slot.due + (kIntervalsBetweenLooks - 1) * slot.interval;
  }
  WatchPointer(true);
}

void X11Backend::WakeTimers() {
  Clock::time_point now = Clock::now();
  for (TimerSlot& slot : timers_) {
    if (slot.id < 0 || !slot.asleep) continue;
    slot.asleep = false;
    // The schedule goes on: the next tick is the first of it still to come.
    if (slot.due <= now) slot.due += ((now - slot.due) / slot.interval + 1) * slot.interval;
  }
  WatchPointer(false);
}

void X11Backend::StopTimer(int timerId) {
  for (TimerSlot& slot : timers_) {
    if (slot.id == timerId) slot.id = -1;
  }
}

}  // namespace oculon::x11

namespace oculon {

std::unique_ptr<Desktop> ConnectDesktop(const ProgramInfo& program) {
  return x11::X11Backend::Connect(program);
}

}  // namespace oculon

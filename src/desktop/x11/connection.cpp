// The connection to the X server and what is asked of it at start: its extensions, the visual
// the window is drawn in, the monitors, the scale and the instance lock; and what ends it.
#include "desktop/x11/x11_backend.h"

#include <xcb/randr.h>
#include <xcb/shape.h>
#include <xcb/xinput.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop/x11/loop_observer.h"
#include "desktop/x11/resource_dpi.h"
#include "desktop/x11/x_error_text.h"
#include "desktop/x11/xcb_owned.h"

namespace oculon::x11 {
namespace {

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
  XcbOwned<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr));
  if (!atom) return false;
  XcbOwned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
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
  Layout layout = QueryLayout(connection_, *screen_);
  TakeLayout(layout);
  XcbOwned<xcb_query_extension_reply_t> xwaylandExtension(
      xcb_query_extension_reply(connection_, xwayland, nullptr));
  RecogniseXWayland(xwaylandExtension && xwaylandExtension->present, layout);
  dpi_ = ReadDpi(resources);
  if (input) {
    XcbOwned<xcb_input_xi_query_version_reply_t> reply(
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

X11Backend::~X11Backend() {
  if (keySymbols_) xcb_key_symbols_free(keySymbols_);
  xcb_disconnect(connection_);
}

bool X11Backend::AnotherInstanceRuns() {
  return instanceLock_.HeldByAnother(program_.name, program_.executablePath, displayName_);
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
      XcbOwned<xcb_get_property_reply_t>(xcb_get_property_reply(connection_, asked, nullptr));
  if (!reply) return DpiFromResources({});
  return DpiFromResources({static_cast<const char*>(xcb_get_property_value(reply.get())),
                           size_t(xcb_get_property_value_length(reply.get()))});
}

void X11Backend::CheckConnection() {
  if (!xcb_connection_has_error(connection_)) return;
  std::fprintf(stderr, "%s: lost the connection to the display \"%s\"\n", program_.name.c_str(),
               displayName_.c_str());
  EndProgram(1);
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

}  // namespace oculon::x11

namespace oculon {

std::unique_ptr<Desktop> ConnectDesktop(const ProgramInfo& program) {
  return x11::X11Backend::Connect(program);
}

}  // namespace oculon

// The end-to-end harness.
#include "e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/shape.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "artwork_facts.h"

namespace oculon::e2e {
namespace {

template <class Reply>
std::unique_ptr<Reply, decltype(&free)> Owned(Reply* reply) {
  return {reply, &free};
}

struct Cookie {
  std::string name;  // MIT-MAGIC-COOKIE-1
  std::string data;
};

// The first cookie of an X authority file: records of a family and four counted strings
// (address, display number, name, data), each count two bytes, most significant first.
std::optional<Cookie> ReadCookie(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  auto counted = [&in]() -> std::optional<std::string> {
    unsigned char count[2];
    if (!in.read(reinterpret_cast<char*>(count), 2)) return std::nullopt;
    std::string text(size_t{count[0]} << 8 | count[1], '\0');
    if (!in.read(text.data(), std::streamsize(text.size()))) return std::nullopt;
    return text;
  };
  char family[2];
  if (!in.read(family, 2)) return std::nullopt;
  std::optional<std::string> address = counted(), number = counted(), name = counted(),
                             data = counted();
  if (!address || !number || !name || !data) return std::nullopt;
  return Cookie{*name, *data};
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// --- Process ---

Process::Process(std::vector<std::string> argv, std::map<std::string, std::string> environment,
                 const std::string& stderrFile, int workingFolder) {
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ > 0) return;
  if (workingFolder >= 0 && fchdir(workingFolder) != 0) _exit(127);
  for (const auto& [name, value] : environment) {
    if (value.empty()) {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  int devNull = open("/dev/null", O_RDWR);
  int errors = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  dup2(devNull, STDIN_FILENO);
  dup2(devNull, STDOUT_FILENO);
  dup2(errors >= 0 ? errors : devNull, STDERR_FILENO);
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

Process::~Process() {
  if (!Running()) return;
  kill(pid_, SIGTERM);
  if (!WaitForExit(2s)) {
    kill(pid_, SIGKILL);
    WaitForExit(5s);
  }
}

bool Process::Running() {
  if (exitCode_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds deadline) {
  WaitFor([&] { return !Running(); }, deadline);
  return exitCode_;
}

void Process::Kill(int signal) {
  if (Running()) kill(pid_, signal);
}

long Process::ContextSwitches() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  long count = 0;
  for (std::string line; std::getline(status, line);) {
    if (line.find("ctxt_switches:") != std::string::npos)
      count += std::stol(line.substr(line.find(':') + 1));
  }
  return count;
}

// --- Display ---

Display::Display(int width, int height)
    : Display(ServerOptions{.width = width, .height = height, .extraArguments = {}}) {}

Display::Display(const ServerOptions& options) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) + "x" +
                       std::to_string(options.depth);
  std::vector<std::string> argv{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                screen, "-noreset"};
  argv.insert(argv.end(), {options.listenTcp ? "-listen" : "-nolisten", "tcp"});
  argv.insert(argv.end(), options.extraArguments.begin(), options.extraArguments.end());
  server_ = std::make_unique<Process>(argv, std::map<std::string, std::string>{});
  close(fds[1]);
  std::string number;
  pollfd readable{fds[0], POLLIN, 0};
  char c;
  while (poll(&readable, 1, 10'000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  name_ = ":" + number;
  connection_ = xcb_connect(name_.c_str(), nullptr);
  if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot connect to Xvfb");
  root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
  uint32_t values[] = {options.depth == 24 ? kRootColor : 0, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
  xcb_change_window_attributes(connection_, root_, XCB_CW_BACK_PIXEL, values);
  xcb_clear_area(connection_, 0, root_, 0, 0, 0, 0);
  Sync();
}

Display::Display(const std::string& name, const std::string& authorityFile) : name_(name) {
  std::optional<Cookie> cookie = authorityFile.empty() ? std::nullopt : ReadCookie(authorityFile);
  if (cookie) {
    xcb_auth_info_t auth{int(cookie->name.size()), cookie->name.data(), int(cookie->data.size()),
                         cookie->data.data()};
    connection_ = xcb_connect_to_display_with_auth_info(name_.c_str(), &auth, nullptr);
  } else {
    connection_ = xcb_connect(name_.c_str(), nullptr);
  }
  if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot connect to " + name);
  root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

Display::~Display() {
  windowManager_.reset();
  if (!windowManagerConfig_.empty()) std::filesystem::remove(windowManagerConfig_);
  if (connection_) xcb_disconnect(connection_);
  server_.reset();
}

void Display::Sync() {
  free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void Display::StartWindowManager(WindowManager manager) {
  StartWindowManagerWithoutWaiting(manager);
  bool ready = WaitFor(
      [&] {
        std::vector<uint32_t> check = Property32(root_, "_NET_SUPPORTING_WM_CHECK");
        return !check.empty() && Property32(check[0], "_NET_SUPPORTING_WM_CHECK") == check;
      },
      10s);
  // The check window comes before the manager manages windows, and a window mapped in between
  // is never managed: ask again until the manager manages a probe (and gives it WM_STATE).
  xcb_window_t probe = MapOrdinaryWindow(0, 0, 10, 10, 0);
  ready = ready && WaitFor(
                       [&] {
                         if (!Property32(probe, "WM_STATE").empty()) return true;
                         xcb_map_window(connection_, probe);
                         Sync();
                         std::this_thread::sleep_for(100ms);
                         return false;
                       },
                       10s);
  xcb_destroy_window(connection_, probe);
  Sync();
  if (!ready) throw std::runtime_error("the window manager did not start");
}

void Display::StartWindowManagerWithoutWaiting(WindowManager manager) {
  std::vector<std::string> argv;
  switch (manager) {
    case WindowManager::kOpenbox:
      argv = {"openbox", "--sm-disable"};
      break;
    case WindowManager::kI3: {
      // The smallest configuration: no bar, no first-start wizard.
      std::string pattern = (std::filesystem::temp_directory_path() / "oculon-i3-XXXXXX").string();
      int fd = mkstemp(pattern.data());
      const char config[] = "font fixed\n";  // the server's own font: no font packages needed
      if (fd < 0 || write(fd, config, sizeof config - 1) < 0) throw std::runtime_error("i3 config");
      close(fd);
      windowManagerConfig_ = pattern;
      argv = {"i3", "-c", pattern};
      break;
    }
    case WindowManager::kAwesome:
      argv = {"awesome"};  // with its own default configuration, as a new user has it
      break;
  }
  windowManager_ = std::make_unique<Process>(argv, Environment());
}

std::optional<int> Display::Run(std::vector<std::string> argv) {
  Process command(std::move(argv), Environment());
  return command.WaitForExit(10s);
}

void Display::StopWindowManager() {
  windowManager_.reset();
}

xcb_atom_t Display::Atom(const std::string& name) {
  auto reply = Owned(xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, uint16_t(name.size()), name.c_str()), nullptr));
  return reply ? reply->atom : XCB_NONE;
}

std::vector<uint32_t> Display::Property32(xcb_window_t window, const std::string& name) {
  auto reply = Owned(xcb_get_property_reply(
      connection_,
      xcb_get_property(connection_, 0, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
      nullptr));
  if (!reply || reply->format != 32) return {};
  auto* values = static_cast<uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::string Display::PropertyText(xcb_window_t window, xcb_atom_t property) {
  auto reply = Owned(xcb_get_property_reply(
      connection_,
      xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
      nullptr));
  if (!reply) return "";
  auto* text = static_cast<char*>(xcb_get_property_value(reply.get()));
  return {text, text + xcb_get_property_value_length(reply.get())};
}

bool Display::IsViewable(xcb_window_t window) {
  auto reply = Owned(xcb_get_window_attributes_reply(
      connection_, xcb_get_window_attributes(connection_, window), nullptr));
  return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::optional<xcb_window_t> Display::FindWindow(const std::string& title,
                                                std::chrono::milliseconds deadline) {
  std::optional<xcb_window_t> found;
  std::function<void(xcb_window_t, int)> search = [&](xcb_window_t parent, int depth) {
    auto tree =
        Owned(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, parent), nullptr));
    if (!tree) return;
    xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()) && !found; ++i) {
      if (PropertyText(children[i], XCB_ATOM_WM_NAME) == title && IsViewable(children[i])) {
        found = children[i];
      } else if (depth < 2) {
        search(children[i], depth + 1);
      }
    }
  };
  WaitFor(
      [&] {
        search(root_, 0);
        return found.has_value();
      },
      deadline);
  return found;
}

Point Display::WindowPosition(xcb_window_t window) {
  auto reply = Owned(xcb_translate_coordinates_reply(
      connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
  return reply ? Point{reply->dst_x, reply->dst_y} : Point{INT32_MIN, INT32_MIN};
}

Point Display::WindowSize(xcb_window_t window) {
  auto reply =
      Owned(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
  return reply ? Point{reply->width, reply->height} : Point{};
}

void Display::SetResources(const std::string& text) {
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, XCB_ATOM_RESOURCE_MANAGER,
                      XCB_ATOM_STRING, 8, uint32_t(text.size()), text.data());
  xcb_flush(connection_);
}

std::vector<xcb_rectangle_t> Display::Shape(xcb_window_t window, uint8_t kind) {
  auto reply = Owned(xcb_shape_get_rectangles_reply(
      connection_, xcb_shape_get_rectangles(connection_, window, kind), nullptr));
  if (!reply) return {};
  xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply.get());
  return {rects, rects + xcb_shape_get_rectangles_rectangles_length(reply.get())};
}

xcb_window_t Display::InputFocus() {
  auto reply =
      Owned(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  return reply ? reply->focus : XCB_NONE;
}

bool Display::PointerRestsOn(xcb_window_t window) {
  constexpr uint16_t kButtons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3;
  auto pointer =
      Owned(xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr));
  if (!pointer || pointer->child == XCB_NONE || (pointer->mask & kButtons)) return false;
  // A window manager may have put the window in a frame of its own.
  for (xcb_window_t inner = window; inner != root_;) {
    if (inner == pointer->child) return true;
    auto tree =
        Owned(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, inner), nullptr));
    if (!tree) return false;
    inner = tree->parent;
  }
  return false;
}

namespace {

// A channel's bits scaled back to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctz(mask);
  uint32_t maximum = mask >> shift;
  return (((pixel & mask) >> shift) * 255 + maximum / 2) / maximum;
}

}  // namespace

std::vector<uint32_t> Display::ReadImage(xcb_drawable_t drawable, xcb_visualid_t visualId, int x,
                                         int y, int width, int height) {
  std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0xFF000000);
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  const xcb_visualtype_t* visual = nullptr;
  for (auto screens = xcb_setup_roots_iterator(setup); screens.rem && !visual;
       xcb_screen_next(&screens)) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem && !visual;
         xcb_depth_next(&depths)) {
      for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
           xcb_visualtype_next(&visuals)) {
        if (visuals.data->visual_id == visualId) visual = visuals.data;
      }
    }
  }
  auto reply = Owned(xcb_get_image_reply(
      connection_,
      xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, int16_t(x), int16_t(y),
                    uint16_t(width), uint16_t(height), ~0u),
      nullptr));
  if (!reply || !visual) return pixels;
  int bitsPerPixel = 32;
  for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
    if (it.data->depth == reply->depth) bitsPerPixel = it.data->bits_per_pixel;
  }
  size_t bytes = size_t(bitsPerPixel / 8);
  size_t rowBytes = (size_t(width) * bytes + 3) / 4 * 4;
  bool bigEndian = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
  const uint8_t* data = xcb_get_image_data(reply.get());
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const uint8_t* at = data + size_t(row) * rowBytes + size_t(column) * bytes;
      uint32_t pixel = 0;
      for (size_t i = 0; i < bytes; ++i) {
        pixel |= uint32_t(at[i]) << (8 * (bigEndian ? bytes - 1 - i : i));
      }
      pixels[size_t(row) * size_t(width) + size_t(column)] =
          Channel(pixel, visual->red_mask) << 16 | Channel(pixel, visual->green_mask) << 8 |
          Channel(pixel, visual->blue_mask);
    }
  }
  return pixels;
}

std::vector<uint32_t> Display::Pixels(int x, int y, int width, int height) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
  return ReadImage(root_, screen->root_visual, x, y, width, height);
}

std::vector<uint32_t> Display::WindowPixels(xcb_window_t window, int x, int y, int width,
                                            int height) {
  auto attributes = Owned(xcb_get_window_attributes_reply(
      connection_, xcb_get_window_attributes(connection_, window), nullptr));
  if (!attributes) return std::vector<uint32_t>(size_t(width) * size_t(height), 0xFF000000);
  return ReadImage(window, attributes->visual, x, y, width, height);
}

uint32_t Display::Pixel(int x, int y) {
  return Pixels(x, y, 1, 1)[0];
}

xcb_window_t Display::OpenOrdinaryWindow(int x, int y, int width, int height, uint32_t color) {
  xcb_window_t window = MapOrdinaryWindow(x, y, width, height, color);
  WaitFor([&] { return IsViewable(window); });
  return window;
}

xcb_window_t Display::MapOrdinaryWindow(int x, int y, int width, int height, uint32_t color) {
  xcb_window_t window = xcb_generate_id(connection_);
  uint32_t values[] = {color, XCB_EVENT_MASK_BUTTON_PRESS};
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, int16_t(x), int16_t(y),
                    uint16_t(width), uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  const char title[] = "ordinary";
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                      8, sizeof title - 1, title);
  uint32_t hints[18] = {1 | 2, uint32_t(x), uint32_t(y), uint32_t(width), uint32_t(height)};
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                      XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
  xcb_map_window(connection_, window);
  Sync();
  return window;
}

bool Display::ReceivedButtonPress(xcb_window_t window, std::chrono::milliseconds deadline) {
  return WaitFor(
      [&] {
        while (auto event = Owned(xcb_poll_for_event(connection_))) {
          if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS) {
            ++pressesSeen_[reinterpret_cast<xcb_button_press_event_t*>(event.get())->event];
          }
        }
        return pressesSeen_[window] > 0;
      },
      deadline);
}

void Display::SendClose(xcb_window_t window) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  if (windowManager_) {
    message.type = Atom("_NET_CLOSE_WINDOW");
    message.data.data32[1] = 1;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
  } else {
    message.type = Atom("WM_PROTOCOLS");
    message.data.data32[0] = Atom("WM_DELETE_WINDOW");
    xcb_send_event(connection_, 0, window, 0, reinterpret_cast<const char*>(&message));
  }
  Sync();
}

void Display::MovePointer(int x, int y) {
  xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(x),
                      int16_t(y), 0);
  Sync();
}

void Display::MovePointerToScreen(int screen, int x, int y) {
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screen && screens.rem; ++i) xcb_screen_next(&screens);
  // XTest motion stays on the screen it starts from; a warp to another root crosses over.
  xcb_warp_pointer(connection_, XCB_NONE, screens.data->root, 0, 0, 0, 0, int16_t(x), int16_t(y));
  Sync();
}

void Display::Press(int button) {
  xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, uint8_t(button), XCB_CURRENT_TIME, XCB_NONE, 0,
                      0, 0);
  Sync();
}

void Display::Release(int button) {
  xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, uint8_t(button), XCB_CURRENT_TIME, XCB_NONE,
                      0, 0, 0);
  Sync();
}

void Display::Click(int x, int y, int button) {
  MovePointer(x, y);
  Press(button);
  if (clickHold_ > 0ms) std::this_thread::sleep_for(clickHold_);
  Release(button);
}

void Display::WaitUntilPointerFree() {
  WaitFor([&] {
    auto reply = Owned(xcb_grab_pointer_reply(
        connection_,
        xcb_grab_pointer(connection_, 0, root_, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                         XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr));
    bool free = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    if (free) xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
    Sync();
    return free;
  });
}

void Display::DoubleClick(int x, int y) {
  WaitUntilPointerFree();
  Click(x, y);
  std::this_thread::sleep_for(80ms);  // a hand's pace; well within the double-click time
  Click(x, y);
}

void Display::Drag(Point from, Point to, int button) {
  MovePointer(from.x, from.y);
  Press(button);
  constexpr int kSteps = 20;
  for (int i = 1; i <= kSteps; ++i) {
    MovePointer(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps);
    std::this_thread::sleep_for(10ms);  // paces the motion like a hand would
  }
  std::this_thread::sleep_for(50ms);
  Release(button);
  WaitUntilPointerFree();  // a window manager's move ends when it gives the pointer back
}

uint8_t Display::Keycode(uint32_t keysym) {
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
  uint8_t code = codes ? codes[0] : 0;
  free(codes);
  xcb_key_symbols_free(symbols);
  return code;
}

namespace {

uint32_t KeysymNamed(const std::string& name) {
  static const std::map<std::string, uint32_t> kKeysyms = {
      {"Tab", XK_Tab},     {"Right", XK_Right},   {"Left", XK_Left},
      {"space", XK_space}, {"Return", XK_Return}, {"Shift_L", XK_Shift_L}};
  return kKeysyms.at(name);
}

}  // namespace

void Display::HoldKey(const std::string& keysymName, bool down) {
  xcb_test_fake_input(connection_, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE,
                      Keycode(KeysymNamed(keysymName)), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  Sync();
}

void Display::Key(const std::string& keysymName, bool shift) {
  uint8_t shiftCode = Keycode(XK_Shift_L);
  uint8_t code = Keycode(KeysymNamed(keysymName));
  if (shift)
    xcb_test_fake_input(connection_, XCB_KEY_PRESS, shiftCode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(connection_, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  xcb_test_fake_input(connection_, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  if (shift)
    xcb_test_fake_input(connection_, XCB_KEY_RELEASE, shiftCode, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
  Sync();
}

// --- Installed ---

Installed::Installed() : Installed(OCULON_EXECUTABLE, "oculon") {}

Installed::Installed(const std::string& program, const std::string& fileName) {
  std::string pattern = (std::filesystem::temp_directory_path() / "oculon-e2e-XXXXXX").string();
  folder_ = mkdtemp(pattern.data());
  executable_ = folder_ + "/" + fileName;
  std::filesystem::copy_file(program, executable_);
}

Installed::~Installed() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

namespace {

bool RunToItsEnd(std::vector<std::string> argv) {
  return Process(std::move(argv), {}).WaitForExit(std::chrono::minutes(2)) == 0;
}

}  // namespace

std::string DebianPackage(const std::string& given, const std::string& cpack,
                          const std::string& build, const std::string& folder) {
  if (!given.empty()) return given;
  std::string dist = folder + "/dist";
  if (!RunToItsEnd({cpack, "-G", "DEB", "--config", build + "/CPackConfig.cmake", "-B", dist}))
    return "";
  for (const auto& entry : std::filesystem::directory_iterator(dist)) {
    if (entry.path().extension() == ".deb") return entry.path();
  }
  return "";
}

bool UnpackDebianPackage(const std::string& package, const std::string& root) {
  return !package.empty() && RunToItsEnd({"dpkg-deb", "-x", package, root});
}

int DevicePixel(double programPixel, double scale) {
  return int(std::lround(programPixel * scale + (scale - 1) / 2));
}

std::optional<xcb_window_t> AwaitTheHead(Display& display, std::chrono::milliseconds deadline,
                                         ReadFrom from, double scale) {
  namespace artwork = testing::artwork;
  std::optional<xcb_window_t> window = display.FindWindow("Form1", deadline);
  if (!window) return std::nullopt;
  int x = DevicePixel(artwork::kLeftEyeWhiteX, scale),
      y = DevicePixel(artwork::kLeftEyeWhiteY, scale);
  bool painted = WaitFor(
      [&] {
        if (from == ReadFrom::kWindow) {
          std::vector<uint32_t> pixel = display.WindowPixels(*window, x, y, 1, 1);
          return !pixel.empty() && (pixel[0] & 0xFFFFFF) == 0xFFFFFF;
        }
        Point corner = display.WindowPosition(*window);
        return display.Pixel(corner.x + x, corner.y + y) == 0xFFFFFF;
      },
      deadline);
  return painted ? window : std::nullopt;
}

PupilAim AimAt(Point eye, double cornerX, double cornerY, double pointerX, double pointerY) {
  double dx = pointerX - cornerX - eye.x, dy = pointerY - cornerY - eye.y;
  double length = std::hypot(dx, dy);
  double ux = length == 0 ? 0 : dx / length, uy = length == 0 ? 0 : dy / length;
  constexpr double kDistance = testing::artwork::kPupilDistance;
  return {eye.x + kDistance * ux, eye.y + kDistance * uy, ux, uy};
}

}  // namespace oculon::e2e

// The end-to-end harness: a private Xvfb, optionally openbox, the real program, XTest input,
// and read-backs of what a user would see. Every process it starts is ended by its PID.
#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oculon::e2e {

using namespace std::chrono_literals;

// Polls `condition` until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 5s);

// A child process, ended (SIGTERM, then SIGKILL) when this object goes.
class Process {
 public:
  // Runs `argv` in the working folder open as `workingFolder`, or in this one (-1): a folder
  // whose path is too long to name can still be open.
  Process(std::vector<std::string> argv, std::map<std::string, std::string> environment,
          const std::string& stderrFile = "/dev/null", int workingFolder = -1);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  // The exit code once it ended within the deadline (128 + signal when killed by one).
  std::optional<int> WaitForExit(std::chrono::milliseconds deadline = 5s);
  void Kill(int signal);
  // How often the process was switched out so far, of its own accord or not: each wake-up from
  // a sleep is one.
  long ContextSwitches() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// How the X server of a test is started.
struct ServerOptions {
  int width = 1280;
  int height = 800;
  int depth = 24;
  bool listenTcp = false;
  std::vector<std::string> extraArguments;  // e.g. "-extension", "RANDR"; another "-screen"
};

enum class WindowManager { kOpenbox, kI3, kAwesome };

// An X server of our own, with a solid root colour, and a client connection to drive it.
class Display {
 public:
  static constexpr uint32_t kRootColor = 0x2080C0;  // what cut-away pixels show

  explicit Display(int width = 1280, int height = 800);
  explicit Display(const ServerOptions& options);
  // Connects to a display that another process runs, such as a Wayland compositor's XWayland,
  // with the cookie of `authorityFile` when the server asks for one.
  explicit Display(const std::string& name, const std::string& authorityFile = "");
  ~Display();

  const std::string& name() const { return name_; }
  xcb_connection_t* connection() const { return connection_; }
  xcb_window_t root() const { return root_; }
  std::map<std::string, std::string> Environment() const { return {{"DISPLAY", name_}}; }

  // A window manager (openbox unless told), ready once it manages a window of ours.
  void StartWindowManager(WindowManager manager = WindowManager::kOpenbox);
  void StartWindowManagerWithoutWaiting(WindowManager manager = WindowManager::kOpenbox);
  void StopWindowManager();
  void KillServer() { server_->Kill(SIGKILL); }
  // Freezes the server as a hung one would be, and lets it go on.
  void FreezeServer() { server_->Kill(SIGSTOP); }
  void ThawServer() { server_->Kill(SIGCONT); }
  // Runs a client program such as xrandr on this display; its exit code.
  std::optional<int> Run(std::vector<std::string> argv);

  // The top-level client window titled `title`, once it is viewable.
  std::optional<xcb_window_t> FindWindow(const std::string& title,
                                         std::chrono::milliseconds deadline = 5s);
  Point WindowPosition(xcb_window_t window);
  Point WindowSize(xcb_window_t window);
  // Replaces the root's resource database (what xrdb loads), as a desktop does when the user
  // changes its settings.
  void SetResources(const std::string& text);
  bool IsViewable(xcb_window_t window);
  std::vector<xcb_rectangle_t> Shape(xcb_window_t window, uint8_t kind);
  std::vector<uint32_t> Property32(xcb_window_t window, const std::string& name);
  std::string PropertyText(xcb_window_t window, xcb_atom_t property);
  xcb_atom_t Atom(const std::string& name);
  xcb_window_t InputFocus();
  // The server sees the pointer over `window`, or over its frame, with no button held.
  bool PointerRestsOn(xcb_window_t window);
  // The colour the screen shows at (x, y), 0xRRGGBB, whatever the server's pixel format.
  uint32_t Pixel(int x, int y);
  std::vector<uint32_t> Pixels(int x, int y, int width, int height);
  // The colours of a window's own pixels, read in the window's visual.
  std::vector<uint32_t> WindowPixels(xcb_window_t window, int x, int y, int width, int height);
  // An ordinary window of our own, painted `color`, that records button presses.
  xcb_window_t OpenOrdinaryWindow(int x, int y, int width, int height, uint32_t color);
  // The same, without waiting for the window to show.
  xcb_window_t MapOrdinaryWindow(int x, int y, int width, int height, uint32_t color);
  bool ReceivedButtonPress(xcb_window_t window, std::chrono::milliseconds deadline = 2s);
  void SendClose(xcb_window_t window);

  // XTest input.
  void MovePointer(int x, int y);
  // Moves the pointer onto another X screen of this server.
  void MovePointerToScreen(int screen, int x, int y);
  void Press(int button);
  void Release(int button);
  // Holds each click's button down this long.
  // WORKAROUND(Wine 8): it lost a double-click made of presses and releases that came back to
  // back.
  void HoldClicksFor(std::chrono::milliseconds hold) { clickHold_ = hold; }
  void Click(int x, int y, int button = 1);
  // Both clicks reach the same client: none is taken by a window manager's grab.
  void DoubleClick(int x, int y);
  // Waits until no client holds the pointer, as a window manager does while it moves a window.
  void WaitUntilPointerFree();
  // Left-drags from `from` to `to` in small steps.
  void Drag(Point from, Point to, int button = 1);
  void Key(const std::string& keysymName, bool shift = false);
  void HoldKey(const std::string& keysymName, bool down);

 private:
  void Sync();
  uint8_t Keycode(uint32_t keysym);
  std::vector<uint32_t> ReadImage(xcb_drawable_t drawable, xcb_visualid_t visual, int x, int y,
                                  int width, int height);

  std::unique_ptr<Process> server_;
  std::string windowManagerConfig_;
  std::unique_ptr<Process> windowManager_;
  std::string name_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  std::map<xcb_window_t, int> pressesSeen_;
  std::chrono::milliseconds clickHold_{0};
};

// A pixel of the program's own (its 96-dpi pixels) among the device pixels of a window drawn
// at `scale`: the middle of the block that covers it.
int DevicePixel(double programPixel, double scale);

// The program's window on `display`, once its first tick has painted the left eye's white,
// read from the window's own pixels at `scale` (under XWayland, where the compositor draws the
// screen) or from the screen; none when either does not come by the deadline.
enum class ReadFrom { kScreen, kWindow };
std::optional<xcb_window_t> AwaitTheHead(Display& display, std::chrono::milliseconds deadline = 5s,
                                         ReadFrom from = ReadFrom::kScreen, double scale = 1);

// Where the pupil of the eye at `eye` (the program's pixels) belongs, for the window's corner
// and the pointer on the screen, both in the program's pixels: the eye's centre pushed 10
// pixels towards the pointer, and the unit vector from the eye to the pointer ((0, 0) when the
// pointer is on the centre).
struct PupilAim {
  double x, y;    // the pupil's centre
  double ux, uy;  // towards the pointer
};
PupilAim AimAt(Point eye, double cornerX, double cornerY, double pointerX, double pointerY);

// The Debian package to test: `given` where there is one (the one scripts/package makes), else
// one built with `cpack` from the build tree `build` into `folder`; empty when it fails.
std::string DebianPackage(const std::string& given, const std::string& cpack,
                          const std::string& build, const std::string& folder);
// Unpacks the package's files into `root`, as dpkg would lay them out.
bool UnpackDebianPackage(const std::string& package, const std::string& root);

// A copy of the built program in a folder of its own, so that its settings file is its own.
class Installed {
 public:
  Installed();
  // Another program, under the file name it is to have.
  Installed(const std::string& program, const std::string& fileName);
  ~Installed();
  const std::string& executable() const { return executable_; }
  const std::string& folder() const { return folder_; }
  std::string settingsFile() const { return folder_ + "/oculon.ini"; }

 private:
  std::string folder_;
  std::string executable_;
};

}  // namespace oculon::e2e

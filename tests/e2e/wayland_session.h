// A Wayland session of a test's own, with XWayland for the X11 program: what the tests ask of
// each compositor, and what ending one takes.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace oculon::e2e {

// How a session's monitor is scaled, and whether X11 programs scale themselves (KWin's "Apply
// scaling themselves", Plasma's default; GNOME's native scaling of XWayland) or the compositor
// stretches them ("Scaled by the system").
struct Scaling {
  double monitor = 1;
  bool programsScale = true;
};

class WaylandSession {
 public:
  // The logical desktop, in the compositor's pixels, whatever the scale.
  static constexpr int kWidth = 1280;
  static constexpr int kHeight = 1024;

  virtual ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  // What a program of the session needs: XWayland's display (and its authority file, when it
  // has one), the Wayland socket, the session bus.
  const std::map<std::string, std::string>& Environment() const { return environment_; }
  const std::string& xDisplay() const { return environment_.at("DISPLAY"); }
  std::string xAuthority() const;

  // The compositor's pointer, moved or pressed as a mouse does; each returns once the
  // compositor has it.
  virtual void MovePointer(int x, int y) = 0;
  virtual void Press() = 0;
  virtual void Release() = 0;
  // What the compositor shows at (x, y), 0xRRGGBB; nothing when it cannot tell.
  virtual std::optional<uint32_t> ShownPixel(int x, int y) = 0;
  // A native Wayland window (weston-terminal), maximized over the whole desktop when told.
  void OpenNativeWindow(bool maximized = false);
  const Scaling& scaling() const { return scaling_; }
  // XWayland's root against the logical desktop: the factor from the compositor's pixels to X's.
  virtual double RootScale() const = 0;
  // The compositor's own process.
  virtual pid_t CompositorPid() const = 0;

 protected:
  // Makes the session's folder, named after `compositor`.
  explicit WaylandSession(const std::string& compositor, Scaling scaling);
  // XWayland, ended without its own cleanup, leaves its socket and lock behind; they are ours to
  // remove once the process the lock names is gone.
  void RemoveLeftoversOfXWayland();

  Scaling scaling_;
  std::string folder_;
  std::map<std::string, std::string> environment_;
  std::unique_ptr<Process> nativeWindow_;
};

std::string ReadAll(const std::string& path);
// Ends `process` (SIGTERM, then SIGKILL) unless it is gone already.
void End(pid_t process);
// The child of `parent` that runs the program `name`; -1 when there is none.
pid_t ChildNamed(pid_t parent, const std::string& name);
// The children of `parent`, their children, and so on.
std::vector<pid_t> Descendants(pid_t parent);
// `argv`, to be run in the file-system tree `root` of another system (this one's when empty): in
// a mount namespace of its own, with /proc, /sys, /dev and /tmp bound in, so that the folders
// and sockets under /tmp are the same on both sides. The process keeps its PID.
std::vector<std::string> InRoot(const std::string& root, std::vector<std::string> argv);

}  // namespace oculon::e2e

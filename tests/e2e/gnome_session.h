// A GNOME Shell Wayland session of a test's own: the shell without a screen, with XWayland, on
// session and system buses of its own, with the tests' extension (which moves the pointer and
// reads the screen) and, unless told otherwise, the program's pointer extension enabled.
#pragma once

#include <dbus/dbus.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/compositor_companions/bus_message.h"
#include "e2e/wayland_session.h"

namespace oculon::e2e {

// The program's extension: in the user's extensions and enabled, absent, there but disabled, or
// there and enabled but listing only a GNOME Shell older than any it runs on.
enum class PointerExtension { kEnabled, kAbsent, kDisabled, kOutOfDate };

struct GnomeOptions {
  PointerExtension pointerExtension = PointerExtension::kEnabled;
  std::string root;  // the system's file-system tree (see InRoot); this one's when empty
  // Scaled in the logical layout, and with XWayland's native scaling where programs scale.
  Scaling scaling;
  // A system data folder read before the system's own, such as an unpacked package's share:
  // where it is given, the user's folder holds no copy of the extension.
  std::string dataFolder;
};

class GnomeSession : public WaylandSession {
 public:
  // Starts the shell and waits until it has started; throws when it does not.
  explicit GnomeSession(const GnomeOptions& options = GnomeOptions());
  // Ends the shell and everything that runs below the session by their PIDs.
  ~GnomeSession() override;

  void MovePointer(int x, int y) override;
  void Press() override;
  void Release() override;
  std::optional<uint32_t> ShownPixel(int x, int y) override;
  double RootScale() const override {
    return scaling_.programsScale ? std::ceil(scaling_.monitor) : 1;
  }
  pid_t CompositorPid() const override { return shell_; }
  // The user's folder of extensions, and the shell's version ("48.7").
  std::string ExtensionsFolder() const;
  std::string ShellVersion();
  // Runs `argv` in the session, as a program of the user's would; its exit code.
  std::optional<int> Run(std::vector<std::string> argv);

 private:
  // Calls a method of the tests' extension; its reply, or null on failure.
  companions::Message Call(const char* method, std::optional<Point> at = std::nullopt);

  std::unique_ptr<Process> systemBus_;
  std::unique_ptr<Process> session_;  // dbus-run-session, with the shell below it
  pid_t shell_ = -1;
  // One logical monitor at the scale, in a layout of logical pixels (monitors.xml).
  void WriteMonitors(const std::string& folder) const;

  std::string root_;
  std::map<std::string, std::string> userEnvironment_;  // the shell's, for what the user types
  DBusConnection* bus_ = nullptr;
};

}  // namespace oculon::e2e

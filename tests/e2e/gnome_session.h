// A GNOME Shell Wayland session of a test's own: the shell without a screen, with XWayland, on
// session and system buses of its own, with the tests' extension (which moves the pointer and
// reads the screen) and, unless told otherwise, the program's pointer extension enabled.
#pragma once

#include <dbus/dbus.h>

#include <memory>
#include <optional>
#include <string>

#include "e2e/wayland_session.h"

namespace oculon::e2e {

class GnomeSession : public WaylandSession {
 public:
  enum class PointerExtension { kEnabled, kAbsent };

  // Starts the shell, the one of the system whose file-system tree is `root` (see InRoot), and
  // waits until it has started; throws when it does not.
  explicit GnomeSession(PointerExtension pointerExtension = PointerExtension::kEnabled,
                        const std::string& root = "");
  // Ends the shell and everything that runs below the session by their PIDs.
  ~GnomeSession() override;

  void MovePointer(int x, int y) override;
  void Press() override;
  void Release() override;
  std::optional<uint32_t> ShownPixel(int x, int y) override;

 private:
  // Calls a method of the tests' extension; its reply, or null on failure.
  DBusMessage* Call(const char* method, std::optional<Point> at = std::nullopt);

  std::unique_ptr<Process> systemBus_;
  std::unique_ptr<Process> session_;  // dbus-run-session, with the shell below it
  pid_t shell_ = -1;
  DBusConnection* bus_ = nullptr;
};

}  // namespace oculon::e2e

// The pointer as the Wayland compositor sees it, for an X11 program under XWayland: a companion
// inside the compositor (a KWin script that the program loads itself, or a GNOME Shell extension
// the user enabled) pushes its place over the session bus to a method the program exports under
// its own bus name. XWayland alone tells an X11 program where the pointer is only while it is
// over an X11 window.
#pragma once

#include <dbus/dbus.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "desktop/compositor_companions/bus_message.h"
#include "desktop/compositor_companions/gnome_extension_hint.h"
#include "desktop/compositor_companions/pushed_pointer.h"
#include "runtime/backend.h"

namespace oculon::companions {

enum class Compositor { kKWin, kGnomeShell };

class CompositorPointer {
 public:
  // Owns the program's bus name on the session bus and exports the method; with KWin, loads the
  // script. Null when there is no session bus, the name cannot be had, the compositor is not on
  // the bus, or KWin does not run the script. Under GNOME it listens whatever the extension's
  // state: the extension pushes as soon as the user enables it.
  static std::unique_ptr<CompositorPointer> Start(const ProgramInfo& program,
                                                  Compositor compositor);
  // The GNOME Shell extension's id, from the program's bus name: pointer@ and the name's
  // domain, e.g. pointer@app.example.org for org.example.app.
  static std::string ExtensionUuid(const std::string& busName);
  ~CompositorPointer();  // unloads the script
  CompositorPointer(const CompositorPointer&) = delete;
  CompositorPointer& operator=(const CompositorPointer&) = delete;

  // The bus connection's descriptor, for the event loop's poll.
  int Descriptor() const;
  // Reads and handles what came over the bus; true when the pointer's place was pushed.
  bool Dispatch();
  // Handles what was read already, while waiting for an answer, and not handled yet: no poll
  // tells of it. True when the pointer's place was pushed.
  bool DispatchRead();
  // The last place pushed, in the compositor's logical pixels; none before the first push.
  const std::optional<PushedPointer>& Pushed() const { return pushed_; }
  // Why the companion may not push, and what the user can do, in a line; empty when it runs.
  std::string Hint() const { return hint_; }

 private:
  CompositorPointer(DBusConnection* connection, const ProgramInfo& program, Compositor compositor);
  GnomeExtensionInfo AskGnomeShell();
  static DBusHandlerResult Filter(DBusConnection*, DBusMessage* message, void* self);
  DBusHandlerResult OnMessage(DBusMessage* message);
  bool LoadScript();
  void UnloadScript();
  // Makes the unload ready for an end by a signal: written on a connection of its own, which
  // carries nothing else, by the signal's handler (runtime/ending_signals.h).
  void UnloadAtSignal();
  // The one call the program makes of KWin and waits for (start-up and exit only).
  Message CallKWin(const char* path, const char* method, int firstType, ...);

  DBusConnection* connection_;
  Compositor compositor_;
  const char* companionService_;         // the compositor's bus name
  DBusConnection* lastWords_ = nullptr;  // the unload's connection
  std::string busName_;
  std::string objectPath_;
  std::string interface_;
  std::string scriptFile_;
  std::string scriptName_;
  std::string companionOwner_;  // the unique name of the connection that owns it
  std::optional<PushedPointer> pushed_;
  std::string hint_;
};

}  // namespace oculon::companions

// A KWin Wayland session of a test's own: KWin without a screen, with XWayland, on a session bus
// of its own; the compositor's pointer moved through KWin's fake input, as a mouse moves it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "e2e/wayland_session.h"

namespace oculon::e2e {

class KWinSession : public WaylandSession {
 public:
  // Starts KWin, the one of the system whose file-system tree is `root` (see InRoot), scaled as
  // `scaling` says, and waits for XWayland; throws when it does not come up.
  explicit KWinSession(const std::string& root = "", Scaling scaling = {});
  // Ends KWin (and with it XWayland and what it started) by its PID, then the bus.
  ~KWinSession() override;

  void MovePointer(int x, int y) override;
  void Press() override;
  void Release() override;
  // From a screenshot of the whole workspace; nothing when KWin takes none.
  std::optional<uint32_t> ShownPixel(int x, int y) override;
  double RootScale() const override { return scaling_.programsScale ? scaling_.monitor : 1; }
  pid_t CompositorPid() const override { return kwin_; }
  // Whether KWin has a script loaded under `name`.
  bool ScriptLoaded(const std::string& name);

 private:
  void Send(const std::string& command);
  // KWin 5 takes the scale for X11 programs from kwinrc; KWin 6 takes the monitor's scale from its
  // output configuration (on a first start it would pick 1 for a monitor of no physical size),
  // and whether X11 programs scale themselves from kdeglobals.
  void WriteConfiguration(const std::string& folder) const;

  std::unique_ptr<Process> session_;  // dbus-run-session, with KWin below it
  pid_t kwin_ = -1;
  pid_t xwayland_ = -1;
  pid_t ready_ = -1;  // the script that told where the session is, waiting
  std::unique_ptr<Process> fakePointer_;
  int commands_ = -1;  // the fake pointer's command FIFO, open for writing
  int commandsSent_ = 0;
  Point pointer_;  // where the pointer was last moved to
};

}  // namespace oculon::e2e

// A KWin Wayland session of a test's own: KWin without a screen, with XWayland, on a session bus
// of its own; the compositor's pointer moved through KWin's fake input, as a mouse moves it.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "e2e/harness.h"

namespace oculon::e2e {

class KWinSession {
 public:
  static constexpr int kWidth = 1280;
  static constexpr int kHeight = 1024;

  // Starts KWin and waits for XWayland; throws when it does not come up.
  KWinSession();
  // Ends KWin (and with it XWayland and what it started) by its PID, then the bus.
  ~KWinSession();
  KWinSession(const KWinSession&) = delete;
  KWinSession& operator=(const KWinSession&) = delete;

  // What a program of the session needs: XWayland's display, the Wayland socket, the bus.
  const std::map<std::string, std::string>& Environment() const { return environment_; }
  const std::string& xDisplay() const { return environment_.at("DISPLAY"); }

  // The compositor's pointer, moved or pressed; each returns once KWin has it.
  void MovePointer(int x, int y);
  void Press();
  void Release();
  // A native Wayland window (weston-terminal), shown before this returns.
  void OpenNativeWindow();
  // Whether KWin has a script loaded under `name`.
  bool ScriptLoaded(const std::string& name);
  // What the compositor shows at (x, y), 0xRRGGBB, from a screenshot of the whole workspace;
  // nothing when KWin takes none.
  std::optional<uint32_t> ShownPixel(int x, int y);

 private:
  void Send(const std::string& command);
  void RemoveLeftoversOfXWayland();

  std::string folder_;
  std::map<std::string, std::string> environment_;
  std::unique_ptr<Process> session_;  // dbus-run-session, with KWin below it
  pid_t kwin_ = -1;
  pid_t xwayland_ = -1;
  pid_t ready_ = -1;  // the script that told where the session is, waiting
  std::unique_ptr<Process> fakePointer_;
  std::unique_ptr<Process> nativeWindow_;
  int commands_ = -1;  // the fake pointer's command FIFO, open for writing
  int commandsSent_ = 0;
  Point pointer_;  // where the pointer was last moved to
};

}  // namespace oculon::e2e

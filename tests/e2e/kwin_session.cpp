// KWin headless for the tests: started on a bus of its own, found through a script it runs, and
// ended by its PID.
#include "e2e/kwin_session.h"

#include <dbus/dbus.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "desktop/compositor_companions/bus_message.h"

namespace oculon::e2e {
namespace {

// A whole number among the results of a screenshot, a{sv}; 0 where there is none.
uint32_t Result(DBusMessage* reply, std::string_view name) {
  uint32_t number = 0;
  companions::ForEachEntry(reply, [&](std::string_view key, DBusMessageIter& value) {
    if (key == name && dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_UINT32)
      dbus_message_iter_get_basic(&value, &number);
  });
  return number;
}

}  // namespace

KWinSession::KWinSession(const std::string& root, Scaling scaling)
    : WaylandSession("kwin", scaling) {
  WriteConfiguration(folder_ + "/config");
  // WORKAROUND(KWin 5.27 in a container): kwin_wayland carries a file capability that a container
  // cannot grant, and failed with "Operation not permitted": a copy has none. Its platform plugin
  // loads only into a program of that name.
  std::filesystem::create_directory(folder_ + "/bin");
  std::filesystem::copy_file(root + "/usr/bin/kwin_wayland", folder_ + "/bin/kwin_wayland");
  std::string ready = folder_ + "/ready.sh";
  std::ofstream(ready) << "#!/bin/sh\nprintf '%s\\n%s\\n%s\\n' \"$DISPLAY\" "
                          "\"$DBUS_SESSION_BUS_ADDRESS\" \"$$\" > \""
                       << folder_ << "/session.tmp\" && mv \"" << folder_ << "/session.tmp\" \""
                       << folder_ << "/session\"\nexec sleep 3600\n";
  std::filesystem::permissions(ready, std::filesystem::perms::owner_all);
  std::string socket = "wayland-test-" + std::to_string(getpid()) + "-" +
                       std::filesystem::path(folder_).filename().string();
  session_ = std::make_unique<Process>(
      InRoot(root, {"dbus-run-session", "--", folder_ + "/bin/kwin_wayland", "--virtual",
                    "--xwayland", "--width", std::to_string(kWidth), "--height",
                    std::to_string(kHeight), "--scale", std::to_string(scaling_.monitor),
                    "--socket", socket, "--no-lockscreen", "--no-global-shortcuts", ready}),
      std::map<std::string, std::string>{{"KWIN_WAYLAND_NO_PERMISSION_CHECKS", "1"},
                                         {"KWIN_SCREENSHOT_NO_PERMISSION_CHECKS", "1"},
                                         {"XDG_CONFIG_HOME", folder_ + "/config"},
                                         {"DISPLAY", ""},
                                         {"WAYLAND_DISPLAY", ""}},
      folder_ + "/kwin.log");
  if (!WaitFor([&] { return std::filesystem::exists(folder_ + "/session"); }, 30s))
    throw std::runtime_error("KWin did not start XWayland: " + ReadAll(folder_ + "/kwin.log"));
  std::istringstream session(ReadAll(folder_ + "/session"));
  std::string display, bus, pid;
  std::getline(session, display);
  std::getline(session, bus);
  std::getline(session, pid);
  ready_ = std::stoi(pid);
  kwin_ = ChildNamed(session_->pid(), "kwin_wayland");
  std::ifstream("/tmp/.X" + display.substr(1) + "-lock") >> xwayland_;
  environment_ = {
      {"DISPLAY", display}, {"WAYLAND_DISPLAY", socket}, {"DBUS_SESSION_BUS_ADDRESS", bus}};

  std::string fifo = folder_ + "/pointer";
  mkfifo(fifo.c_str(), 0600);
  fakePointer_ = std::make_unique<Process>(std::vector<std::string>{OCULON_FAKE_POINTER, fifo},
                                           environment_, folder_ + "/pointer.log");
  // Opened for writing once the tool reads it: before, the open fails at once.
  if (!WaitFor([&] { return (commands_ = open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }, 10s) ||
      !WaitFor([&] { return ReadAll(folder_ + "/pointer.log").find("ready") != std::string::npos; },
               10s)) {
    throw std::runtime_error("no fake input: " + ReadAll(folder_ + "/pointer.log"));
  }
  fcntl(commands_, F_SETFL, 0);
}

void KWinSession::WriteConfiguration(const std::string& folder) const {
  std::filesystem::create_directories(folder);
  if (scaling_.monitor == 1) return;
  if (scaling_.programsScale) {
    std::ofstream(folder + "/kwinrc") << "[Xwayland]\nScale=" << scaling_.monitor << "\n";
  } else {
    std::ofstream(folder + "/kdeglobals") << "[KScreen]\nXwaylandClientsScale=false\n";
  }
  long width = std::lround(kWidth * scaling_.monitor),
       height = std::lround(kHeight * scaling_.monitor);
  std::ofstream(folder + "/kwinoutputconfig.json")
      << "[{\"name\": \"outputs\", \"data\": [{\"connectorName\": \"Virtual-0\", \"mode\": "
         "{\"width\": "
      << width << ", \"height\": " << height
      << ", \"refreshRate\": 60000}, \"scale\": " << scaling_.monitor
      << "}]},\n {\"name\": \"setups\", \"data\": [{\"lidClosed\": false, \"outputs\": "
         "[{\"enabled\": true, \"outputIndex\": 0, \"position\": {\"x\": 0, \"y\": 0}, "
         "\"priority\": 0}]}]}]\n";
}

KWinSession::~KWinSession() {
  if (commands_ >= 0) close(commands_);
  fakePointer_.reset();
  nativeWindow_.reset();
  // KWin and what it started are no children of this process: each is ended by its PID, and
  // KWin's end ends the bus's session.
  for (pid_t process : {kwin_, xwayland_, ready_}) End(process);
  if (session_) session_->WaitForExit(10s);
}

void KWinSession::Send(const std::string& command) {
  std::string line = command + "\n";
  if (write(commands_, line.data(), line.size()) != ssize_t(line.size())) return;
  std::string done = "done " + std::to_string(++commandsSent_) + "\n";
  WaitFor([&] { return ReadAll(folder_ + "/pointer.log").find(done) != std::string::npos; });
}

void KWinSession::MovePointer(int x, int y) {
  pointer_ = {x, y};
  Send("move " + std::to_string(x) + " " + std::to_string(y));
}

void KWinSession::Press() {
  Send("press");
}

void KWinSession::Release() {
  Send("release");
}

std::optional<uint32_t> KWinSession::ShownPixel(int x, int y) {
  DBusConnection* bus =
      dbus_connection_open_private(environment_.at("DBUS_SESSION_BUS_ADDRESS").c_str(), nullptr);
  if (!bus) return std::nullopt;
  std::optional<uint32_t> shown;
  int fds[2];
  if (dbus_bus_register(bus, nullptr) && pipe(fds) == 0) {
    companions::Message call(
        dbus_message_new_method_call("org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                                     "org.kde.KWin.ScreenShot2", "CaptureWorkspace"));
    DBusMessageIter arguments, options;
    dbus_message_iter_init_append(call.get(), &arguments);
    dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &options);
    dbus_message_iter_close_container(&arguments, &options);
    dbus_message_iter_append_basic(&arguments, DBUS_TYPE_UNIX_FD, &fds[1]);
    DBusPendingCall* pending = nullptr;
    dbus_connection_send_with_reply(bus, call.get(), &pending, 10'000);
    dbus_connection_flush(bus);
    call.reset();  // its copy of the pipe's end too: the picture ends where KWin closes its own
    close(fds[1]);
    // WORKAROUND(KWin 5.27): it takes the picture at its next repaint, and none came on a still
    // desktop: the pointer's sprite moving makes one.
    MovePointer(pointer_.x + 1, pointer_.y);
    MovePointer(pointer_.x - 1, pointer_.y);
    companions::Message reply;
    if (pending) {
      dbus_pending_call_block(pending);
      reply.reset(dbus_pending_call_steal_reply(pending));
      dbus_pending_call_unref(pending);
    }
    std::string bytes;
    char buffer[65536];
    pollfd readable{fds[0], POLLIN, 0};
    while (poll(&readable, 1, 10'000) > 0) {
      ssize_t got = read(fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      bytes.append(buffer, size_t(got));
    }
    close(fds[0]);
    // The workspace as 32-bit pixels, 0xAARRGGBB in this machine's order, row after row, of the
    // width and height the answer gives: the logical desktop's, or more on a scaled one.
    uint32_t width = Result(reply.get(), "width"), height = Result(reply.get(), "height");
    size_t at = (size_t(y * height / kHeight) * width + size_t(x * width / kWidth)) * 4;
    if (reply && dbus_message_get_type(reply.get()) == DBUS_MESSAGE_TYPE_METHOD_RETURN && x >= 0 &&
        x < kWidth && y >= 0 && y < kHeight && bytes.size() == size_t(width) * height * 4) {
      uint32_t pixel;
      std::memcpy(&pixel, bytes.data() + at, 4);
      shown = pixel & 0xFFFFFF;
    }
  }
  dbus_connection_close(bus);
  dbus_connection_unref(bus);
  return shown;
}

bool KWinSession::ScriptLoaded(const std::string& name) {
  std::string answer = folder_ + "/answer";
  std::map<std::string, std::string> environment = environment_;
  Process({"sh", "-c",
           "dbus-send --session --print-reply --dest=org.kde.KWin /Scripting "
           "org.kde.kwin.Scripting.isScriptLoaded \"string:$0\" > \"$1\"",
           name, answer},
          environment)
      .WaitForExit(10s);
  return ReadAll(answer).find("boolean true") != std::string::npos;
}

}  // namespace oculon::e2e

// What the Wayland sessions of the tests share: their folder, the native window, and how their
// processes and XWayland's files are ended.
#include "e2e/wayland_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace oculon::e2e {
namespace {

// Gone, or a zombie that its parent has still to reap.
bool Gone(pid_t process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string pid, name, state;
  return !(stat >> pid >> name >> state) || state == "Z";
}

std::vector<pid_t> Children(pid_t parent) {
  std::string task = "/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent);
  std::ifstream children(task + "/children");
  std::vector<pid_t> found;
  pid_t child = 0;
  while (children >> child) found.push_back(child);
  return found;
}

}  // namespace

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void End(pid_t process) {
  if (process <= 0 || Gone(process)) return;
  kill(process, SIGTERM);
  if (!WaitFor([&] { return Gone(process); }, 5s)) kill(process, SIGKILL);
}

pid_t ChildNamed(pid_t parent, const std::string& name) {
  for (pid_t child : Children(parent)) {
    std::string comm;
    std::ifstream("/proc/" + std::to_string(child) + "/comm") >> comm;
    if (comm == name) return child;
  }
  return -1;
}

std::vector<pid_t> Descendants(pid_t parent) {
  std::vector<pid_t> found = Children(parent);
  for (size_t next = 0; next < found.size(); ++next) {
    for (pid_t child : Children(found[next])) found.push_back(child);
  }
  return found;
}

std::vector<std::string> InRoot(const std::string& root, std::vector<std::string> argv) {
  if (root.empty()) return argv;
  std::vector<std::string> wrapped{
      "unshare",
      "--mount",
      "--propagation",
      "private",
      "sh",
      "-c",
      "for d in proc sys dev tmp; do mount --rbind \"/$d\" \"$0/$d\" || exit 127; done; "
      "exec chroot \"$0\" \"$@\"",
      root};
  wrapped.insert(wrapped.end(), argv.begin(), argv.end());
  return wrapped;
}

WaylandSession::WaylandSession(const std::string& compositor, Scaling scaling) : scaling_(scaling) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (compositor + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("no folder for " + compositor);
  folder_ = pattern;
  // Where XWayland puts its socket, as any X server does: writable by all, sticky.
  mkdir("/tmp/.X11-unix", 01777);
  chmod("/tmp/.X11-unix", 01777);
}

WaylandSession::~WaylandSession() {
  RemoveLeftoversOfXWayland();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string WaylandSession::xAuthority() const {
  auto authority = environment_.find("XAUTHORITY");
  return authority == environment_.end() ? "" : authority->second;
}

void WaylandSession::OpenNativeWindow(bool maximized) {
  std::vector<std::string> argv{"weston-terminal"};
  if (maximized) argv.push_back("--maximized");
  nativeWindow_ = std::make_unique<Process>(argv, environment_, folder_ + "/native.log");
}

void WaylandSession::RemoveLeftoversOfXWayland() {
  auto display = environment_.find("DISPLAY");
  if (display == environment_.end() || display->second.size() < 2) return;
  std::string number = display->second.substr(1);
  std::string lock = "/tmp/.X" + number + "-lock";
  pid_t server = 0;
  std::ifstream(lock) >> server;
  if (server > 0 && !Gone(server)) return;
  std::filesystem::remove("/tmp/.X11-unix/X" + number);
  std::filesystem::remove(lock);
}

}  // namespace oculon::e2e

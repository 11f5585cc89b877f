// The instance lock on POSIX: an flock on a file in the user's runtime folder, named after the
// program, the executable's real path and the display.
#include "runtime/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace oculon {
namespace {

std::string HashOf(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

// The display's name without its screen number (":1.0" -> ":1").
std::string DisplayWithoutScreen(const std::string& displayName) {
  size_t colon = displayName.rfind(':');
  if (colon == std::string::npos) return displayName;
  size_t dot = displayName.find('.', colon);
  return dot == std::string::npos ? displayName : displayName.substr(0, dot);
}

std::string LockPath(const std::string& program, const std::string& executablePath,
                     const std::string& displayName) {
  std::error_code error;
  std::string real = std::filesystem::canonical(executablePath, error).string();
  if (error) real = executablePath;
  std::string name =
      program + "-" + HashOf(real) + "-" + HashOf(DisplayWithoutScreen(displayName)) + ".lock";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && std::filesystem::is_directory(runtime, error)) {
    return std::string(runtime) + "/" + name;
  }
  return "/tmp/" + std::to_string(getuid()) + "-" + name;
}

}  // namespace

InstanceLock::~InstanceLock() {
  if (handle_ != kNone) close(static_cast<int>(handle_));
}

bool InstanceLock::HeldByAnother(const std::string& program, const std::string& executablePath,
                                 const std::string& desktop) {
  if (handle_ != kNone) return false;
  std::string path = LockPath(program, executablePath, desktop);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    bool held = errno == EWOULDBLOCK;
    close(fd);
    return held;
  }
  handle_ = fd;
  return false;
}

}  // namespace oculon

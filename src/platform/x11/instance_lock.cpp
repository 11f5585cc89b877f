// The lock file lies in the user's runtime folder, named after the executable's real path.
#include "platform/x11/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace oculon::x11 {
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

std::string LockPath(const std::string& executablePath, const std::string& displayName) {
  std::error_code error;
  std::string real = std::filesystem::canonical(executablePath, error).string();
  if (error) real = executablePath;
  std::string name = std::filesystem::path(real).filename().string() + "-" + HashOf(real) + "-" +
                     HashOf(DisplayWithoutScreen(displayName)) + ".lock";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && std::filesystem::is_directory(runtime, error)) {
    return std::string(runtime) + "/" + name;
  }
  return "/tmp/" + std::to_string(getuid()) + "-" + name;
}

}  // namespace

std::string DisplayWithoutScreen(const std::string& displayName) {
  size_t colon = displayName.rfind(':');
  if (colon == std::string::npos) return displayName;
  size_t dot = displayName.find('.', colon);
  return dot == std::string::npos ? displayName : displayName.substr(0, dot);
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

bool InstanceLock::HeldByAnother(const std::string& executablePath,
                                 const std::string& displayName) {
  if (fd_ >= 0) return false;
  std::string path = LockPath(executablePath, displayName);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    bool held = errno == EWOULDBLOCK;
    close(fd);
    return held;
  }
  fd_ = fd;
  return false;
}

}  // namespace oculon::x11

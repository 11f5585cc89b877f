// The instance lock on POSIX: an flock on a file in a folder where only this user can create
// names (the runtime folder, else the user's cache folder), named after the program, the
// executable's identity (device and inode) and the display. The file goes with the lock.
#include "runtime/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "system/posix/display_name.h"

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

// An absolute path from the environment, or "": a relative one is no base folder.
std::string AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : "";
}

// `folder` when it is a folder of this user's alone, not reached through a link.
bool IsOwnPrivateFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool own = fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 0077) == 0;
  close(fd);
  return own;
}

// Where the lock's file lies: the runtime folder, else the program's folder in the user's
// cache folder, made open to the user only. "" when neither is to be had.
std::string LockFolder(const std::string& program) {
  std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR");
  if (!runtime.empty() && IsOwnPrivateFolder(runtime)) return runtime;
  std::string cache = AbsoluteFromEnvironment("XDG_CACHE_HOME");
  if (cache.empty()) {
    std::string home = AbsoluteFromEnvironment("HOME");
    if (home.empty()) return "";
    cache = home + "/.cache";
  }
  mkdir(cache.c_str(), 0700);
  std::string folder = cache + "/" + program;
  mkdir(folder.c_str(), 0700);
  return IsOwnPrivateFolder(folder) ? folder : "";
}

// The executable by its identity, which every path to it shares; by its path where it has none.
std::string ExecutableIdentity(const std::string& executablePath) {
  struct stat info {};
  if (stat(executablePath.c_str(), &info) != 0) return HashOf(executablePath);
  return std::to_string(info.st_dev) + "-" + std::to_string(info.st_ino);
}

// Whether `fd` is still the file at `path`: its last holder may have removed it between this
// process's open and its lock.
bool StillThere(int fd, const std::string& path) {
  struct stat held {};
  struct stat there {};
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &there) == 0 && held.st_dev == there.st_dev &&
         held.st_ino == there.st_ino;
}

}  // namespace

std::string CanonicalDisplayName(const std::string& name) {
  size_t colon = name.rfind(':');
  if (colon == std::string::npos) return name;
  std::string host = name.substr(0, colon);
  if (host == "unix") host.clear();
  std::string number = name.substr(colon + 1);
  return host + ":" + number.substr(0, number.find('.'));
}

InstanceLock::~InstanceLock() {
  if (handle_ == kNone) return;
  unlink(file_.c_str());  // while still held: a later start makes a file of its own
  close(static_cast<int>(handle_));
}

bool InstanceLock::HeldByAnother(const std::string& program, const std::string& executablePath,
                                 const std::string& desktop) {
  if (handle_ != kNone) return false;
  std::string folder = LockFolder(program);
  if (folder.empty()) return false;
  std::string path = folder + "/" + program + "-" + ExecutableIdentity(executablePath) + "-" +
                     HashOf(CanonicalDisplayName(desktop)) + ".lock";
  constexpr int kTries = 3;
  for (int tries = 0; tries < kTries; ++tries) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      bool held = errno == EWOULDBLOCK;
      close(fd);
      return held;
    }
    if (StillThere(fd, path)) {
      handle_ = fd;
      file_ = path;
      return false;
    }
    close(fd);
  }
  return false;
}

}  // namespace oculon

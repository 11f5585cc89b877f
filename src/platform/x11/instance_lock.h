// One running instance per user, executable and display: an flock that dies with the process.
#pragma once

#include <string>

namespace oculon::x11 {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when another process holds the lock for this executable on this display; otherwise
  // this process holds it from now on. A lock that cannot be made at all claims nothing.
  bool HeldByAnother(const std::string& executablePath, const std::string& displayName);

 private:
  int fd_ = -1;
};

// The display's name without its screen number (":1.0" -> ":1").
std::string DisplayWithoutScreen(const std::string& displayName);

}  // namespace oculon::x11

// One running instance per user, program, executable and desktop: a lock the system releases
// when the process ends, however it ends, that no other user can take or break. Each operating
// system keeps it its own way.
#pragma once

#include <cstdint>
#include <string>

namespace oculon {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when another process holds the lock of `program` for this executable on `desktop` (a
  // display's name, or "" for the one desktop of a logon session); otherwise this process
  // holds it from now on. A lock that cannot be made at all claims nothing.
  bool HeldByAnother(const std::string& program, const std::string& executablePath,
                     const std::string& desktop);

 private:
  // The system's handle of the lock: a file descriptor, or a mutex; kNone before.
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;
  std::string file_;  // where the system keeps the lock in a file: removed with it
};

}  // namespace oculon

// The name of the mutex that keeps one instance of a program per executable in a logon session.
#pragma once

#include <string>

namespace oculon::win32 {

// "Local\<program>-instance-<hash>": one name per executable path, compared as Windows compares
// paths (case and all), hashed because a path may be longer than a name may be.
std::wstring InstanceMutexName(const std::string& program, const std::string& executablePath);

}  // namespace oculon::win32

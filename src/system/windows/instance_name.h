// The name of the mutex that keeps one instance of a program per executable in a logon session.
#pragma once

#include <string>

namespace oculon::win32 {

// "Local\<program>-instance-<hex>": one name per executable file, by its volume and file index
// whatever the path that names it; by the path as Windows compares paths where the file
// cannot be opened.
std::wstring InstanceMutexName(const std::string& program, const std::string& executablePath);

}  // namespace oculon::win32

// The instance lock on Windows: a named mutex in the logon session's namespace, which the
// system closes with the process.
#include "runtime/instance_lock.h"

#include <cstdio>

#include "system/windows/instance_name.h"
#include "system/windows/wide_text.h"
#include "system/windows/windows_api.h"

namespace oculon {

namespace win32 {

std::wstring InstanceMutexName(const std::string& program, const std::string& executablePath) {
  std::wstring path = Wide(executablePath);
  CharLowerBuffW(path.data(), DWORD(path.size()));
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (wchar_t c : path) {
    hash = (hash ^ uint16_t(c)) * 1099511628211ull;
  }
  wchar_t hex[17];
  std::swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(hash));
  return L"Local\\" + Wide(program) + L"-instance-" + std::wstring(hex);
}

}  // namespace win32

InstanceLock::~InstanceLock() {
  if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

// A logon session has one desktop: `desktop` tells nothing apart here.
bool InstanceLock::HeldByAnother(const std::string& program, const std::string& executablePath,
                                 const std::string&) {
  if (handle_ != kNone) return false;
  HANDLE mutex =
      CreateMutexW(nullptr, FALSE, win32::InstanceMutexName(program, executablePath).c_str());
  if (!mutex) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return true;
  }
  handle_ = reinterpret_cast<intptr_t>(mutex);
  return false;
}

}  // namespace oculon

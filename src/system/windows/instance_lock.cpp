// The instance lock on Windows: a named mutex in the logon session's namespace, which the
// system closes with the process.
#include "runtime/instance_lock.h"

#include <cstdio>
#include <optional>

#include "system/windows/instance_name.h"
#include "system/windows/wide_text.h"
#include "system/windows/windows_api.h"

namespace oculon {

namespace win32 {

namespace {

// The file's volume serial number and index, which every path to it shares (a drive letter,
// a short name, Wine's Z:); none where the file cannot be opened.
std::optional<uint64_t> FileIdentity(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  bool known = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!known) return std::nullopt;
  uint64_t index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return (index * 1099511628211ull) ^ info.dwVolumeSerialNumber;
}

// The path as Windows compares paths, case and all.
uint64_t PathHash(std::wstring path) {
  CharLowerBuffW(path.data(), DWORD(path.size()));
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (wchar_t c : path) hash = (hash ^ uint16_t(c)) * 1099511628211ull;
  return hash;
}

}  // namespace

std::wstring InstanceMutexName(const std::string& program, const std::string& executablePath) {
  std::wstring path = Wide(executablePath);
  uint64_t identity = FileIdentity(path).value_or(PathHash(path));
  wchar_t hex[17];
  std::swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(identity));
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

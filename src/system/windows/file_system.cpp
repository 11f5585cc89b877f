// Path queries on Windows: UTF-8 paths in, the system's wide calls underneath.
#include "runtime/file_system.h"

#include <cstring>
#include <vector>

#include "system/windows/wide_text.h"
#include "system/windows/windows_api.h"

namespace oculon {
namespace {

using win32::Utf8;
using win32::Wide;

uint32_t Deliver(const std::string& text, char* buffer, uint32_t size) {
  if (text.size() + 1 > size) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<uint32_t>(text.size());
}

// Calls a query that fills a wide buffer and returns the length it needs or wrote.
template <class Query>
std::wstring WideQuery(Query query) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length = query(buffer.data(), DWORD(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A volume that takes no writes at all (a disc, a write-protected card), whatever the access
// lists on it say.
bool OnReadOnlyVolume(const std::wstring& path) {
  wchar_t root[MAX_PATH + 1];
  DWORD flags = 0;
  return GetVolumePathNameW(path.c_str(), root, MAX_PATH + 1) &&
         GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_READ_ONLY_VOLUME);
}

// The owner, group and access list of a file or folder; empty when they cannot be read.
std::vector<BYTE> SecurityDescriptor(const std::wstring& path) {
  constexpr SECURITY_INFORMATION kWhat =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  GetFileSecurityW(path.c_str(), kWhat, nullptr, 0, &needed);
  std::vector<BYTE> descriptor(needed);
  if (needed == 0 || !GetFileSecurityW(path.c_str(), kWhat, descriptor.data(), needed, &needed)) {
    return {};
  }
  return descriptor;
}

// This thread's token as an access check takes it; null when it cannot be had.
HANDLE ImpersonationToken() {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY | TOKEN_DUPLICATE, TRUE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token)) {
    return nullptr;
  }
  HANDLE impersonation = nullptr;
  if (!DuplicateToken(token, SecurityImpersonation, &impersonation)) impersonation = nullptr;
  CloseHandle(token);
  return impersonation;
}

}  // namespace

std::string ThisExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Utf8({buffer.data(), length});
    if (buffer.size() > 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == kPathSeparator) return 3;
  if (path.starts_with("\\\\")) {  // \\server\share\ is a network path's root
    size_t server = path.find(kPathSeparator, 2);
    size_t share = server == std::string::npos ? server : path.find(kPathSeparator, server + 1);
    return share == std::string::npos ? path.size() : share + 1;
  }
  return 0;
}

uint32_t GetLongPathNameA(const std::string& path, char* buffer, uint32_t size) {
  std::wstring full = WideQuery([&](wchar_t* out, DWORD length) {
    return GetFullPathNameW(Wide(path).c_str(), length, out, nullptr);
  });
  if (full.empty()) return 0;
  size_t slash = full.rfind(L'\\');
  if (slash == std::wstring::npos) return 0;
  std::wstring folder = full.substr(0, slash + 1);
  if (!IsFolder(folder)) return 0;
  // An existing file comes back with its folder and its own name as the file system spells
  // them; a missing one keeps its name as given.
  std::wstring longForm = WideQuery(
      [&](wchar_t* out, DWORD length) { return GetLongPathNameW(full.c_str(), out, length); });
  if (longForm.empty()) {
    std::wstring longFolder = WideQuery(
        [&](wchar_t* out, DWORD length) { return GetLongPathNameW(folder.c_str(), out, length); });
    if (longFolder.empty()) return 0;
    if (longFolder.back() != L'\\') longFolder += L'\\';
    longForm = longFolder + full.substr(slash + 1);
  }
  return Deliver(Utf8(longForm), buffer, size);
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool BelongsToUser(const std::string& path) {
  return PathExists(path);
}

bool UserMayWrite(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY);
}

bool FolderAcceptsNewFiles(const std::string& folder) {
  std::wstring path = Wide(folder);
  if (!IsFolder(path) || OnReadOnlyVolume(path)) return false;
  // The folder's access list, held against this user's token: what a new file's creation
  // would be checked against. What cannot be read counts as a no: the settings then go to the
  // user's own folder, where they are kept all the same.
  std::vector<BYTE> descriptor = SecurityDescriptor(path);
  HANDLE token = ImpersonationToken();
  if (descriptor.empty() || !token) {
    if (token) CloseHandle(token);
    return false;
  }
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                          FILE_ALL_ACCESS};
  DWORD desired = FILE_ADD_FILE;
  MapGenericMask(&desired, &mapping);
  PRIVILEGE_SET privileges{};
  DWORD privilegesLength = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  bool checked = AccessCheck(descriptor.data(), token, desired, &mapping, &privileges,
                             &privilegesLength, &granted, &allowed);
  CloseHandle(token);
  return checked && allowed;
}

bool FoldersCanBeMade(const std::string& folder) {
  // Access rules on Windows are lists: whether a missing folder can be made shows when it is.
  std::wstring at = Wide(folder);
  size_t root = Wide(folder.substr(0, RootLength(folder))).size();
  for (;;) {
    DWORD attributes = GetFileAttributesW(at.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return attributes & FILE_ATTRIBUTE_DIRECTORY;
    size_t slash = at.rfind(L'\\');
    DWORD error = GetLastError();
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    if (!missing || slash == std::wstring::npos || slash < root) return false;
    at.resize(std::max(slash, root));
  }
}

bool CreateFolders(const std::string& folder) {
  std::wstring path = Wide(folder);
  size_t start = Wide(folder.substr(0, RootLength(folder))).size();  // the root is there
  for (size_t end = path.find(L'\\', start);; end = path.find(L'\\', end + 1)) {
    std::wstring part = path.substr(0, end);
    if (!part.empty() && !IsFolder(part) && !CreateDirectoryW(part.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
    if (end == std::wstring::npos) break;
  }
  return IsFolder(path);
}

std::string UserConfigurationFolder() {
  return Utf8(WideQuery(
      [](wchar_t* out, DWORD length) { return GetEnvironmentVariableW(L"APPDATA", out, length); }));
}

uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) {
  std::wstring folder =
      WideQuery([](wchar_t* out, DWORD length) { return ::GetWindowsDirectoryW(out, length); });
  return Deliver(Utf8(folder), buffer, size);
}

uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) {
  std::wstring folder =
      WideQuery([](wchar_t* out, DWORD length) { return ::GetSystemDirectoryW(out, length); });
  return Deliver(Utf8(folder), buffer, size);
}

uint32_t GetTempPathA(uint32_t size, char* buffer) {
  std::wstring folder =
      WideQuery([](wchar_t* out, DWORD length) { return ::GetTempPathW(length, out); });
  return Deliver(Utf8(folder), buffer, size);
}

}  // namespace oculon

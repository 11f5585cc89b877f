// Settings files on Windows: a bounded read of a disk file, and a write to a new file that
// then takes the old one's place (ReplaceFileW keeps the old file's attributes and access list).
#include "runtime/settings_file.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "runtime/file_system.h"
#include "system/windows/wide_text.h"
#include "system/windows/windows_api.h"

namespace oculon {
namespace {

using win32::Wide;

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool Close() {
    bool closed = !IsOpen() || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A disk file: not a console, pipe or device, whatever the name says ("nul.ini").
bool IsDiskFile(const FileHandle& file) {
  return GetFileType(file.get()) == FILE_TYPE_DISK;
}

bool WriteAll(const FileHandle& file, std::string_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    DWORD chunk = DWORD(std::min<size_t>(text.size(), 1 << 20));
    if (!WriteFile(file.get(), text.data(), chunk, &written, nullptr) || written == 0) return false;
    text.remove_prefix(written);
  }
  return true;
}

enum class Replaced { kYes, kNoRoomForANewFile, kFailed };

std::wstring TemporaryName(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) +
         L".tmp";
}

// The attributes a new file takes over from the one it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

Replaced ReplaceFile(const std::wstring& path, std::string_view text, bool existed,
                     DWORD attributes) {
  std::wstring temporary = TemporaryName(path);
  DWORD newAttributes = existed ? attributes & kKeptAttributes : 0;
  FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              newAttributes ? newAttributes : FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return Replaced::kNoRoomForANewFile;
  bool written = WriteAll(file, text) && FlushFileBuffers(file.get());
  written = file.Close() && written;
  bool placed = written && existed &&
                ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
  // A new file, a file system without ReplaceFileW, or an old file that went away meanwhile.
  if (written && !placed) {
    placed = MoveFileExW(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!placed) {
    DeleteFileW(temporary.c_str());
    return Replaced::kFailed;
  }
  return Replaced::kYes;
}

// For a writable file in a folder that is not: the file is rewritten where it lies, its new
// length claimed first so that a full disk fails before a byte changes.
bool RewriteInPlace(const std::wstring& path, std::string_view text) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen() || !IsDiskFile(file)) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(file.get(), &size);
  LARGE_INTEGER claim{};
  claim.QuadPart = std::max<LONGLONG>(size.QuadPart, LONGLONG(text.size()));
  LARGE_INTEGER start{};
  LARGE_INTEGER end{};
  end.QuadPart = LONGLONG(text.size());
  bool ok = SetFilePointerEx(file.get(), claim, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()) &&
            SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) && WriteAll(file, text) &&
            SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()) &&
            FlushFileBuffers(file.get());
  return file.Close() && ok;
}

}  // namespace

FileRead ReadSettingsFile(const std::string& path, std::string& text) {
  text.clear();
  std::wstring wide = Wide(path);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return IsMissing(GetLastError()) ? FileRead::kMissing : FileRead::kRefused;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileRead::kRefused;
  FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return IsMissing(GetLastError()) ? FileRead::kMissing : FileRead::kRefused;
  if (!IsDiskFile(file)) return FileRead::kRefused;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return FileRead::kRefused;
  if (size.QuadPart > kMaxSettingsFileBytes) return FileRead::kTooLarge;
  char chunk[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
      text.clear();
      return FileRead::kRefused;
    }
    if (got == 0) return FileRead::kRead;
    text.append(chunk, got);
    // The file may have grown since it was looked at.
    if (text.size() > size_t(kMaxSettingsFileBytes)) {
      text.clear();
      return FileRead::kTooLarge;
    }
  }
}

std::string WriteTarget(const std::string& file) {
  return file;
}

std::string ReplaceSettingsFile(const std::string& path, std::string_view text, bool existed) {
  std::wstring wide = Wide(path);
  DWORD attributes = existed ? GetFileAttributesW(wide.c_str()) : 0;
  if (attributes == INVALID_FILE_ATTRIBUTES) attributes = 0;
  // A read-only file is one the user asked Windows to keep as it is.
  if (attributes & FILE_ATTRIBUTE_READONLY) return "the file is read-only";
  Replaced replaced = ReplaceFile(wide, text, existed, attributes);
  bool stored = replaced == Replaced::kNoRoomForANewFile && existed ? RewriteInPlace(wide, text)
                                                                    : replaced == Replaced::kYes;
  return stored ? "" : "it could not be written";
}

}  // namespace oculon

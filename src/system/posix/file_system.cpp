// Path queries on a POSIX file system.
#include "runtime/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "system/posix/own_links.h"

namespace oculon {
namespace {

uint32_t Deliver(const std::string& text, char* buffer, uint32_t size) {
  if (text.size() + 1 > size) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<uint32_t>(text.size());
}

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::string ThisExecutablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

size_t RootLength(const std::string& path) {
  return path.starts_with(kPathSeparator) ? 1 : 0;
}

uint32_t GetLongPathNameA(const std::string& path, char* buffer, uint32_t size) {
  size_t slash = path.rfind(kPathSeparator);
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::error_code error;
  std::filesystem::path real = std::filesystem::canonical(folder, error);
  if (error || !std::filesystem::is_directory(real, error)) return 0;
  std::string longForm = real.string();
  if (longForm.back() != kPathSeparator) longForm += kPathSeparator;
  return Deliver(longForm + name, buffer, size);
}

bool PathExists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

bool BelongsToUser(const std::string& path) {
  std::optional<std::string> file = FollowOwnLinks(path);
  struct stat status;
  return file && lstat(file->c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         status.st_uid == geteuid();
}

bool UserMayWrite(const std::string& path) {
  return access(path.c_str(), W_OK) == 0;
}

bool FolderAcceptsNewFiles(const std::string& folder) {
  struct stat status;
  if (access(folder.c_str(), W_OK | X_OK) != 0 || stat(folder.c_str(), &status) != 0 ||
      status.st_uid != geteuid()) {
    return false;
  }
  if (geteuid() != 0) return true;
  // Root owns every system folder. Its own are those no one else may run the program from (no
  // search permission for group and others), and those inside its home; a folder others run the
  // program from, such as /usr/libexec or an /opt tree, is a shared install and keeps no
  // position, not even root's.
  if ((status.st_mode & (S_IXGRP | S_IXOTH)) == 0) return true;
  std::string home = FromEnvironment("HOME");
  std::error_code error;
  std::string real = std::filesystem::weakly_canonical(folder, error).string();
  return !home.empty() && home != "/" && !error &&
         (real + kPathSeparator).starts_with(home + kPathSeparator);
}

bool CreateFolders(const std::string& folder) {
  for (size_t end = folder.find(kPathSeparator, 1);; end = folder.find(kPathSeparator, end + 1)) {
    std::string part = folder.substr(0, end);
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (end == std::string::npos) break;
  }
  struct stat status;
  return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool FoldersCanBeMade(const std::string& folder) {
  std::filesystem::path at = folder;
  for (;;) {
    struct stat status;
    if (stat(at.c_str(), &status) == 0) {
      return S_ISDIR(status.st_mode) && (at == folder || access(at.c_str(), W_OK | X_OK) == 0);
    }
    if (errno != ENOENT || !at.has_relative_path()) return false;
    at = at.parent_path();
  }
}

std::string UserConfigurationFolder() {
  // As the base-directory rules say: a relative or empty value is ignored.
  std::string folder = FromEnvironment("XDG_CONFIG_HOME");
  if (folder.starts_with(kPathSeparator)) return folder;
  std::string home = FromEnvironment("HOME");
  if (!home.starts_with(kPathSeparator)) return "";  // no home: no configuration folder
  return home + "/.config";
}

uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) {
  std::string folder = UserConfigurationFolder();
  return folder.empty() ? 0 : Deliver(folder, buffer, size);
}

uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) {
  return Deliver("/usr/lib", buffer, size);
}

uint32_t GetTempPathA(uint32_t size, char* buffer) {
  std::string folder = FromEnvironment("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != kPathSeparator) folder += kPathSeparator;
  return Deliver(folder, buffer, size);
}

}  // namespace oculon

// Settings files on a POSIX file system: a bounded, non-blocking read, and a write to a new
// file that is renamed over the old one; nothing of another user's is followed or replaced.
#include "runtime/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "system/posix/ending_signals_held.h"

namespace oculon {
namespace {

FileRead ReadRegularFile(const std::string& path, std::string& text, struct stat& info) {
  text.clear();
  if (stat(path.c_str(), &info) != 0)
    return errno == ENOENT ? FileRead::kMissing : FileRead::kRefused;
  if (!S_ISREG(info.st_mode)) return FileRead::kRefused;
  if (info.st_size > kMaxSettingsFileBytes) return FileRead::kTooLarge;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return FileRead::kRefused;
  FileRead result =
      fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? FileRead::kRead : FileRead::kRefused;
  char chunk[65536];
  while (result == FileRead::kRead) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) result = FileRead::kRefused;
    if (got <= 0) break;
    text.append(chunk, size_t(got));
    // The file may have grown since it was looked at.
    if (text.size() > size_t(kMaxSettingsFileBytes)) result = FileRead::kTooLarge;
  }
  close(fd);
  if (result != FileRead::kRead) text.clear();
  return result;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(size_t(written));
  }
  return true;
}

// The outcome of a replace: 0 when done, else the error number of the step that failed.
struct Replaced {
  int error = 0;
  bool noRoomForANewFile = false;
};

// Writes `text` to a new file beside `path`, with the old file's mode, group and (where the
// system allows) owner, and renames it over `path`.
Replaced ReplaceFile(const std::string& path, std::string_view text, mode_t mode,
                     const struct stat* existing) {
  std::string temporary = path + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return {errno, true};
  if (existing && fchown(fd, existing->st_uid, existing->st_gid) != 0) {
    [[maybe_unused]] int groupOnly = fchown(fd, uid_t(-1), existing->st_gid);
  }
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (close(fd) != 0 && ok) error = errno;
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    return {error};
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  int folderFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);  // the rename itself survives a crash too
    close(folderFd);
  }
  return {};
}

// For a writable file in a folder that is not (a shared install): the file is rewritten where
// it lies. The space is claimed first, so a full disk fails before a byte changes (read access
// too, for file systems where the C library claims it by reading and writing each block).
// Returns 0 or the error number of the step that failed.
int RewriteOpenFile(int fd, std::string_view text) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return errno;
  if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) return EPERM;
  if (!text.empty()) {
    if (int claimed = posix_fallocate(fd, 0, off_t(text.size()))) return claimed;
  }
  if (!WriteAll(fd, text) || ftruncate(fd, off_t(text.size())) != 0 || fsync(fd) != 0) return errno;
  return 0;
}

int RewriteInPlace(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
  if (fd < 0) return errno;
  int error = RewriteOpenFile(fd, text);
  if (close(fd) != 0 && error == 0) error = errno;
  return error;
}

mode_t ModeForNewFiles() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

FileRead ReadSettingsFile(const std::string& path, std::string& text) {
  struct stat info {};
  return ReadRegularFile(path, text, info);
}

std::string WriteTarget(const std::string& file) {
  // Each link is looked at itself: one this user does not own is not followed.
  constexpr int kMostLinks = 40;  // as the kernel follows them
  std::filesystem::path path = file;
  for (int links = 0; links < kMostLinks; ++links) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path.string();
    if (info.st_uid != geteuid()) return "";
    std::error_code error;
    std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) return "";
    path = (path.parent_path() / target).lexically_normal();
  }
  return "";
}

std::string ReplaceSettingsFile(const std::string& path, std::string_view text, bool existed) {
  struct stat info {};
  const struct stat* existing = existed && lstat(path.c_str(), &info) == 0 ? &info : nullptr;
  if (existing && existing->st_uid != geteuid()) return "the file belongs to another user";
  EndingSignalsHeld held;  // a signal never leaves the file half-written
  mode_t mode = existing ? existing->st_mode & 0777 : ModeForNewFiles();
  Replaced replaced = ReplaceFile(path, text, mode, existing);
  int error = replaced.noRoomForANewFile && existing ? RewriteInPlace(path, text) : replaced.error;
  return error == 0 ? "" : std::strerror(error);
}

}  // namespace oculon

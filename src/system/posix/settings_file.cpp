// Settings files on a POSIX file system: a bounded, non-blocking read, and a write to a new
// file that is renamed over the old one.
#include "runtime/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

enum class Replaced { kYes, kNoRoomForANewFile, kFailed };

// Writes `text` to a new file beside `path`, with the old file's mode, group and (where the
// system allows) owner, and renames it over `path`.
Replaced ReplaceFile(const std::string& path, std::string_view text, mode_t mode,
                     const struct stat* existing) {
  std::string temporary = path + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return Replaced::kNoRoomForANewFile;
  if (existing && fchown(fd, existing->st_uid, existing->st_gid) != 0) {
    [[maybe_unused]] int groupOnly = fchown(fd, uid_t(-1), existing->st_gid);
  }
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return Replaced::kFailed;
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  int folderFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);  // the rename itself survives a crash too
    close(folderFd);
  }
  return Replaced::kYes;
}

// For a writable file in a folder that is not (a shared install): the file is rewritten where
// it lies. The space is claimed first, so a full disk fails before a byte changes (read access
// too, for file systems where the C library claims it by reading and writing each block).
bool RewriteInPlace(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            (text.empty() || posix_fallocate(fd, 0, off_t(text.size())) == 0) &&
            WriteAll(fd, text) && ftruncate(fd, off_t(text.size())) == 0 && fsync(fd) == 0;
  return close(fd) == 0 && ok;
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
  std::error_code error;
  if (!std::filesystem::is_symlink(file, error)) return file;
  std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
  return error ? file : target.string();
}

bool ReplaceSettingsFile(const std::string& path, std::string_view text, bool existed) {
  struct stat info {};
  const struct stat* existing = existed && stat(path.c_str(), &info) == 0 ? &info : nullptr;
  EndingSignalsHeld held;  // a signal never leaves the file half-written
  mode_t mode = existing ? existing->st_mode & 07777 : ModeForNewFiles();
  Replaced replaced = ReplaceFile(path, text, mode, existing);
  if (replaced == Replaced::kNoRoomForANewFile && existing) return RewriteInPlace(path, text);
  return replaced == Replaced::kYes;
}

}  // namespace oculon

// Settings files on a POSIX file system: a bounded, non-blocking read, and a write to a new
// file that is renamed over the old one; nothing of another user's is followed or replaced.
#include "runtime/settings_file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "system/posix/ending_signals_held.h"
#include "system/posix/own_links.h"

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

// A new file in the folder of `path`. Where the file system allows it, the file has no name
// until it is whole (O_TMPFILE), so that a kill while it is written leaves nothing behind;
// elsewhere it is named at once (mkstemp). `name` is empty while it has none.
struct NewFile {
  int fd = -1;
  std::string name;
};

// The names of new files beside `path` before they take its place: "<path>.<pid>-<n>", which
// tells the process that made them.
constexpr int kTemporaryNames = 100;

std::string TemporaryName(const std::string& path, int n) {
  return path + "." + std::to_string(getpid()) + "-" + std::to_string(n);
}

// The process that made a temporary file named `name` beside `path`; 0 for another name.
pid_t MakerOfTemporary(const std::string& name, const std::string& path) {
  std::string prefix = std::filesystem::path(path).filename().string() + ".";
  if (!name.starts_with(prefix)) return 0;
  std::string rest = name.substr(prefix.size());
  size_t dash = rest.find('-');
  auto digits = [](std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos &&
           text.size() < 10;
  };
  if (dash == std::string::npos || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1)))
    return 0;
  return pid_t(std::stol(rest.substr(0, dash)));
}

// Removes the files that saves of this user's left beside `path` when they were killed between
// naming their new file and putting it in place: those whose process is gone.
void RemoveStaleTemporaries(const std::string& path, const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    pid_t maker = MakerOfTemporary(entry.path().filename().string(), path);
    if (maker <= 0 || maker == getpid() || kill(maker, 0) == 0 || errno != ESRCH) continue;
    struct stat info {};
    if (lstat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_uid == geteuid()) {
      unlink(entry.path().c_str());
    }
  }
}

NewFile CreateNewFileBeside(const std::string& path, const std::string& folder) {
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) return {fd, ""};
  for (int n = 0; n < kTemporaryNames; ++n) {
    std::string name = TemporaryName(path, n);
    fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) return {fd, name};
    if (errno != EEXIST) break;
  }
  return {};
}

// Gives a nameless file a name beside `path`, for the rename; 0 or the error number.
int NameNewFile(NewFile& file, const std::string& path) {
  std::string self = "/proc/self/fd/" + std::to_string(file.fd);
  for (int n = 0; n < kTemporaryNames; ++n) {
    std::string name = TemporaryName(path, n);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      file.name = name;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Writes `text` to a new file beside `path`, with the old file's mode, group and (where the
// system allows) owner, and renames it over `path`.
Replaced ReplaceFile(const std::string& path, std::string_view text, mode_t mode,
                     const struct stat* existing) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  RemoveStaleTemporaries(path, folder);
  NewFile file = CreateNewFileBeside(path, folder);
  if (file.fd < 0) return {errno, true};
  if (existing && fchown(file.fd, existing->st_uid, existing->st_gid) != 0) {
    [[maybe_unused]] int groupOnly = fchown(file.fd, uid_t(-1), existing->st_gid);
  }
  bool ok = fchmod(file.fd, mode) == 0 && WriteAll(file.fd, text) && fsync(file.fd) == 0;
  int error = ok ? 0 : errno;
  if (error == 0 && file.name.empty()) error = NameNewFile(file, path);
  if (error == 0 && rename(file.name.c_str(), path.c_str()) != 0) error = errno;
  close(file.fd);  // its text is on the disk already (fsync)
  if (error != 0) {
    if (!file.name.empty()) unlink(file.name.c_str());
    return {error};
  }
  int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);  // the rename itself survives a crash too
    close(folderFd);
  }
  return {};
}

// Claims the disk space for `size` bytes of the file without changing its length, so that a
// stop before the write leaves no zeros at its end; 0 or the error number. Where the file system
// cannot claim space that way, the space is claimed by lengthening the file.
int ClaimSpace(int fd, size_t size) {
  if (size == 0) return 0;
  if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0) return 0;
  if (errno != EOPNOTSUPP) return errno;
  return posix_fallocate(fd, 0, off_t(size));
}

// For a writable file in a folder that is not (a shared install): the file is rewritten where
// it lies, so that it never reads as anything but the old text or the new. The new text goes
// in one write, padded with empty lines to the old length, and the file is cut to the new length
// last: stopped at any point, the file holds the old text, the new one, or the new one followed
// by empty lines. A size limit or a full disk fails before a byte changes: the limit is looked at
// and the space claimed first (read access too, for file systems where the C library claims it
// by reading and writing each block). Returns 0 or the error number of the step that failed.
int RewriteOpenFile(int fd, std::string_view text) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return errno;
  if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) return EPERM;
  std::string padded(text);
  if (size_t(info.st_size) > padded.size()) padded.resize(size_t(info.st_size), '\n');
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      padded.size() > limit.rlim_cur) {
    return EFBIG;
  }
  if (int claimed = ClaimSpace(fd, padded.size())) return claimed;
  if (!WriteAll(fd, padded) || ftruncate(fd, off_t(text.size())) != 0 || fsync(fd) != 0)
    return errno;
  return 0;
}

int RewriteInPlace(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
  if (fd < 0) return errno;
  int error = RewriteOpenFile(fd, text);
  if (close(fd) != 0 && error == 0) error = errno;
  return error;
}

// SIGXFSZ ignored while it lives: a write past the process's file size limit then fails with
// EFBIG instead of ending the program half-way.
class FileSizeSignalIgnored {
 public:
  FileSizeSignalIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous_);
  }
  ~FileSizeSignalIgnored() { sigaction(SIGXFSZ, &previous_, nullptr); }
  FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
  FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

 private:
  struct sigaction previous_ {};
};

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
  return FollowOwnLinks(file).value_or("");
}

std::string ReplaceSettingsFile(const std::string& path, std::string_view text, bool existed) {
  struct stat info {};
  const struct stat* existing = existed && lstat(path.c_str(), &info) == 0 ? &info : nullptr;
  if (existing && existing->st_uid != geteuid()) return "the file belongs to another user";
  EndingSignalsHeld held;           // a signal never leaves the file half-written
  FileSizeSignalIgnored overLimit;  // a write past the size limit fails, and ends nothing
  mode_t mode = existing ? existing->st_mode & 0777 : ModeForNewFiles();
  Replaced replaced = ReplaceFile(path, text, mode, existing);
  int error = replaced.noRoomForANewFile && existing ? RewriteInPlace(path, text) : replaced.error;
  return error == 0 ? "" : std::strerror(error);
}

}  // namespace oculon

// Profile files: lookup by the line, and writes that replace the whole file atomically.
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/ascii_case.h"
#include "platform/ending_signals.h"

namespace oculon {
namespace {

constexpr std::string_view kNewLine = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// A UTF-8 byte-order mark is no part of the first line; it is kept when the file is written.
size_t ByteOrderMarkLength(std::string_view text) {
  return text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
}

// One line of the file: [begin, end) is its text, [end, next) its line break.
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

// Walks the lines of a text; a line ends at LF, and a CR before the LF belongs to the break.
class LineReader {
 public:
  LineReader(std::string_view text, size_t start) : text_(text), position_(start) {}

  std::optional<Line> Next() {
    if (position_ >= text_.size()) return std::nullopt;
    size_t lineFeed = text_.find('\n', position_);
    Line line{position_, lineFeed == std::string_view::npos ? text_.size() : lineFeed, 0};
    line.next = lineFeed == std::string_view::npos ? text_.size() : lineFeed + 1;
    if (line.end > line.begin && text_[line.end - 1] == '\r') --line.end;
    position_ = line.next;
    return line;
  }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// Where a key was found, or where a new key of the section goes.
struct Lookup {
  bool sectionFound = false;
  std::optional<Line> keyLine;
  size_t equalsSign = 0;                  // in the key line
  std::optional<Line> lastLineOfSection;  // its last non-blank line, the heading included
};

Lookup Find(std::string_view text, std::string_view section, std::string_view key) {
  section = Trim(section);
  key = Trim(key);
  Lookup found;
  LineReader reader(text, ByteOrderMarkLength(text));
  bool inSection = false;
  while (auto line = reader.Next()) {
    std::string_view content = text.substr(line->begin, line->end - line->begin);
    if (auto name = SectionName(content)) {
      if (found.sectionFound) break;  // the first section of that name is the one
      inSection = SameName(*name, section);
      found.sectionFound = inSection;
      if (inSection) found.lastLineOfSection = line;
      continue;
    }
    if (!inSection) continue;
    if (!Trim(content).empty()) found.lastLineOfSection = line;
    size_t equals = content.find('=');
    if (equals != std::string_view::npos && SameName(Trim(content.substr(0, equals)), key)) {
      found.keyLine = line;
      found.equalsSign = line->begin + equals;
      break;
    }
  }
  return found;
}

// This program writes a few dozen bytes: a settings file past this size is not its own, and is
// neither read whole into memory nor replaced.
constexpr off_t kMaxSettingsFileBytes = 1 << 20;

enum class FileRead { kRead, kMissing, kRefused, kTooLarge };

// Reads a settings file that is a regular file of at most kMaxSettingsFileBytes. A FIFO,
// device or socket is refused before it is opened, and the open never blocks.
FileRead ReadSettingsFile(const std::string& path, std::string& text, struct stat& info) {
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

void ReportTooLargeToReplace(const std::string& path) {
  static bool reported = false;  // one line, however many keys the save writes
  if (reported) return;
  reported = true;
  std::fprintf(stderr,
               "%s: not saving into \"%s\": a settings file over %lld KiB is left as it is\n",
               program_invocation_short_name, path.c_str(),
               static_cast<long long>(kMaxSettingsFileBytes / 1024));
}

// A settings file reached through a symbolic link is written where the link points, so the
// link stays a link.
std::string WriteTarget(const std::string& file) {
  std::error_code error;
  if (!std::filesystem::is_symlink(file, error)) return file;
  std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
  return error ? file : target.string();
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Whether the texts come back as written: a line break or NUL would add lines of their own; an
// "=" in a key, a key that opens with "[" or a "]" in a section would be read as something else.
bool CanBeStored(std::string_view section, std::string_view key, std::string_view value) {
  return !Trim(section).empty() && !Trim(key).empty() && !HasLineBreakOrNul(section) &&
         !HasLineBreakOrNul(key) && !HasLineBreakOrNul(value) && key.find('=') == key.npos &&
         Trim(key).front() != '[' && section.find(']') == section.npos;
}

}  // namespace

uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, char* buffer, uint32_t size,
                                  const std::string& file) {
  if (size == 0) return 0;
  std::string text;
  std::string_view value;
  struct stat info {};
  if (!file.empty() && ReadSettingsFile(file, text, info) == FileRead::kRead) {
    Lookup found = Find(text, section, key);
    if (found.keyLine) {
      value = Trim(std::string_view(text).substr(found.equalsSign + 1,
                                                 found.keyLine->end - found.equalsSign - 1));
    }
  }
  if (value.empty()) value = defaultValue;
  size_t count = std::min<size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), count);
  buffer[count] = '\0';
  return static_cast<uint32_t>(count);
}

bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& file) {
  if (file.empty() || !CanBeStored(section, key, value)) return false;
  std::string target = WriteTarget(file);
  std::string text;
  struct stat info {};
  FileRead read = ReadSettingsFile(target, text, info);
  if (read == FileRead::kTooLarge) ReportTooLargeToReplace(target);
  if (read != FileRead::kRead && read != FileRead::kMissing) return false;  // never replace
  const struct stat* existing = read == FileRead::kRead ? &info : nullptr;

  Lookup found = Find(text, section, key);
  if (found.keyLine) {
    text.replace(found.equalsSign + 1, found.keyLine->end - found.equalsSign - 1, value);
  } else if (found.sectionFound) {
    const Line& last = *found.lastLineOfSection;
    std::string keyLine = key + "=" + value + std::string(kNewLine);
    if (last.next == last.end) keyLine.insert(0, kNewLine);  // the file ended without a break
    text.insert(last.next, keyLine);
  } else {
    if (text.size() > ByteOrderMarkLength(text) && text.back() != '\n') text += kNewLine;
    text += "[" + section + "]" + std::string(kNewLine) + key + "=" + value + std::string(kNewLine);
  }
  EndingSignalsHeld held;  // a signal never leaves the file half-written
  mode_t mode = existing ? existing->st_mode & 07777 : ModeForNewFiles();
  Replaced replaced = ReplaceFile(target, text, mode, existing);
  if (replaced == Replaced::kNoRoomForANewFile && existing) return RewriteInPlace(target, text);
  return replaced == Replaced::kYes;
}

}  // namespace oculon

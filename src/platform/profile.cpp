// Profile files: lookup by the line, and writes that replace the whole file atomically.
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

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

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
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
  explicit LineReader(std::string_view text) : text_(text) {}

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
  LineReader reader(text);
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

bool ReadWholeFile(const std::string& path, std::string& text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  text.clear();
  char chunk[65536];
  while (ok) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    text.append(chunk, size_t(got));
  }
  close(fd);
  return ok;
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

// Writes `text` to a new file beside `path` and renames it over `path`.
bool ReplaceFile(const std::string& path, std::string_view text, mode_t mode) {
  std::string temporary = path + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  int folderFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);  // the rename itself survives a crash too
    close(folderFd);
  }
  return true;
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
  if (!file.empty() && ReadWholeFile(file, text)) {
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
  mode_t mode = 0666 & ~[] {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
  }();
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) {
    if (!ReadWholeFile(target, text)) return false;  // never replace what could not be read
    mode = info.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }

  Lookup found = Find(text, section, key);
  if (found.keyLine) {
    text.replace(found.equalsSign + 1, found.keyLine->end - found.equalsSign - 1, value);
  } else if (found.sectionFound) {
    const Line& last = *found.lastLineOfSection;
    std::string keyLine = key + "=" + value + std::string(kNewLine);
    if (last.next == last.end) keyLine.insert(0, kNewLine);  // the file ended without a break
    text.insert(last.next, keyLine);
  } else {
    if (!text.empty() && text.back() != '\n') text += kNewLine;
    text += "[" + section + "]" + std::string(kNewLine) + key + "=" + value + std::string(kNewLine);
  }
  return ReplaceFile(target, text, mode);
}

}  // namespace oculon

// Profile files: lookup by the line, and writes that replace the whole file atomically, the
// keys one event writes together.
#include "runtime/profile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "runtime/application.h"
#include "runtime/ascii_case.h"
#include "runtime/settings_file.h"

namespace oculon {
namespace {

constexpr std::string_view kNewLine = "\r\n";

// Says once on stderr why a save did not reach `path`, however many keys the save writes.
void ReportNotSaved(const std::string& path, const std::string& reason) {
  static bool reported = false;
  if (reported) return;
  reported = true;
  std::string program = std::filesystem::path(App.ExecutablePath()).filename().string();
  std::fprintf(stderr, "%s: not saving into \"%s\": %s\n", program.c_str(), path.c_str(),
               reason.c_str());
}

// Why a file that could not be read is not replaced either.
std::string WhyNotReplaced(FileRead read) {
  if (read == FileRead::kTooLarge) {
    return "a settings file over " + std::to_string(kMaxSettingsFileBytes / 1024) +
           " KiB is left as it is";
  }
  return "it is not a regular file this user can read, and is left as it is";
}

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

// A settings file's new text, waiting for its batch to end.
struct WaitingText {
  std::string target;  // the file itself: a link's target
  std::string text;
  bool existed = false;
};
int openBatches = 0;
std::optional<WaitingText> waiting;

bool Store(const WaitingText& settings) {
  std::string failure = ReplaceSettingsFile(settings.target, settings.text, settings.existed);
  if (!failure.empty()) ReportNotSaved(settings.target, failure);
  return failure.empty();
}

void StoreWaitingText() {
  if (std::optional<WaitingText> settings = std::exchange(waiting, std::nullopt)) Store(*settings);
}

}  // namespace

ProfileWriteBatch::ProfileWriteBatch() {
  ++openBatches;
}

ProfileWriteBatch::~ProfileWriteBatch() {
  if (--openBatches == 0) StoreWaitingText();
}

uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, char* buffer, uint32_t size,
                                  const std::string& file) {
  if (size == 0) return 0;
  StoreWaitingText();  // a read finds what was written
  std::string text;
  std::string_view value;
  if (!file.empty() && ReadSettingsFile(file, text) == FileRead::kRead) {
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
  if (target.empty()) {
    ReportNotSaved(file, "a link on the way belongs to another user");
    return false;
  }
  WaitingText settings{target, {}, false};
  if (waiting && waiting->target == target) {
    settings = *std::exchange(waiting, std::nullopt);
  } else {
    StoreWaitingText();
    FileRead read = ReadSettingsFile(target, settings.text);
    if (read != FileRead::kRead && read != FileRead::kMissing) {  // never replaced
      ReportNotSaved(target, WhyNotReplaced(read));
      return false;
    }
    settings.existed = read == FileRead::kRead;
  }
  std::string& text = settings.text;

  Lookup found = Find(text, section, key);
  if (found.keyLine) {
    text.replace(found.equalsSign + 1, found.keyLine->end - found.equalsSign - 1, value);
  } else if (found.sectionFound) {
    const Line& last = *found.lastLineOfSection;
    std::string keyLine = key + "=" + value + std::string(kNewLine);
    // The file may end without a line feed, or with a carriage return alone, which ends no line.
    if (text[last.next - 1] != '\n') keyLine.insert(0, kNewLine);
    text.insert(last.next, keyLine);
  } else {
    if (text.size() > ByteOrderMarkLength(text) && text.back() != '\n') text += kNewLine;
    text += "[" + section + "]" + std::string(kNewLine) + key + "=" + value + std::string(kNewLine);
  }
  if (openBatches == 0) return Store(settings);
  waiting = std::move(settings);
  return true;
}

}  // namespace oculon

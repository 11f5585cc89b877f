// Reading and replacing a settings file whole, as each operating system implements it. The
// profile service looks keys up and edits the text; these move the text to and from the disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace oculon {

// A settings file holds a few keys: one past this size is no settings file, and is neither read
// whole into memory nor replaced.
inline constexpr int64_t kMaxSettingsFileBytes = 1 << 20;

enum class FileRead { kRead, kMissing, kRefused, kTooLarge };

// Reads a settings file that is a regular file of at most kMaxSettingsFileBytes. Anything else
// (a FIFO, a device, a folder) is refused before it is read, and opening it never blocks.
// `text` is empty unless the file was read.
FileRead ReadSettingsFile(const std::string& path, std::string& text);

// Where writes to `file` go: a link's target, so the link stays a link. "" when a link on the
// way belongs to another user, who may have planted it: such a link is never followed.
std::string WriteTarget(const std::string& file);

// Replaces `path` by a file holding `text`, written in full beside it before it takes the old
// one's place, so that a failure leaves the old file as it was. `existed`: the file was just
// read, and the new one keeps what the old one had of permissions and owner. Where no new file
// can be made beside it (a folder the user cannot write), an existing file is rewritten where
// it lies. A file of another user's is left alone. Returns "" when the text was stored, else
// why not, in words for the user.
std::string ReplaceSettingsFile(const std::string& path, std::string_view text, bool existed);

}  // namespace oculon

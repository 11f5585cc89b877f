// The profile service: reading and writing one key of a settings file made of [section] lines
// and key=value lines. Texts are 8-bit and passed through unconverted.
#pragma once

#include <cstdint>
#include <string>

namespace oculon {

// Copies the value of `key` in `section` of `file` into `buffer` (cut to size - 1 characters,
// NUL-terminated) and returns the number of characters copied. When the file, section or key
// is missing, or the value is empty, `defaultValue` is copied instead. Sections and keys match
// without regard to letter case; blanks around keys and values do not count; a UTF-8
// byte-order mark before the first line is passed over. Only a regular file of at most 1 MiB
// is read: anything else (a FIFO, a device, a huge file) reads as missing.
uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, char* buffer, uint32_t size,
                                  const std::string& file);

// Stores `value` under `key` in `section` of `file`: replaces the value in the key's own line,
// or adds the key as the last line of its section, or adds the section at the end of the file,
// creating the file when it is missing. Every other line stays byte for byte. The new file
// replaces the old one only once it is completely written, so a failure leaves the old file
// as it was; only where no new file can be made beside it (a folder the user cannot write) is
// a writable file rewritten in place. A file that could not be read (not a regular file, or
// over 1 MiB, which is also said on stderr) is never replaced. False when nothing was stored.
// While a ProfileWriteBatch lives, the file is written when the batch ends (see there), and true
// means the value was taken.
bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& file);

// While it lives, the keys written to one settings file reach it together, in one write when it
// goes: a kill between two writes leaves the file as it was, never with some keys new and
// others old. Every event runs in one (DeliverEvent). A read of the file, or a write to another
// file, writes what waits first; a save that fails is said on stderr then.
class ProfileWriteBatch {
 public:
  ProfileWriteBatch();
  ~ProfileWriteBatch();
  ProfileWriteBatch(const ProfileWriteBatch&) = delete;
  ProfileWriteBatch& operator=(const ProfileWriteBatch&) = delete;
};

}  // namespace oculon

// Folder and path queries of the desktop, with the contracts the settings module relies on.
// On this desktop "/" is the path separator and file names are case-sensitive.
#pragma once

#include <cstdint>
#include <string>

namespace oculon {

inline constexpr char kPathSeparator = '/';
inline constexpr bool kFileNamesIgnoreCase = false;
// The longest path the queries deliver, NUL included.
inline constexpr uint32_t kMaxPath = 4096;

// The long form of `path`: its folder resolved to the real one (symbolic links followed), its
// file name kept as given. Writes it NUL-terminated and returns its length; 0 when the folder
// does not exist or the result does not fit `size`.
uint32_t GetLongPathNameA(const std::string& path, char* buffer, uint32_t size);

// Whether anything lies at `path`; a link counts, wherever it points.
bool PathExists(const std::string& path);
// Whether this user may create files in `folder`.
bool FolderAcceptsNewFiles(const std::string& folder);
// Creates `folder` and whatever of its parents is missing, each open to this user only, as
// configuration folders are; true when the folder is there afterwards.
bool CreateFolders(const std::string& folder);

// These write a folder path and return its length, or 0 when it does not fit `size`.
// The Windows folder stands for the user's configuration folder ($XDG_CONFIG_HOME, or
// ~/.config), the System folder for /usr/lib: nothing in the program reads either.
uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size);
uint32_t GetSystemDirectoryA(char* buffer, uint32_t size);
// $TMPDIR, or "/tmp/", with a trailing separator.
uint32_t GetTempPathA(uint32_t size, char* buffer);

}  // namespace oculon

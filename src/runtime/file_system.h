// Folder and path queries of the operating system, with the contracts the settings module
// relies on; each system implements them. Paths are 8-bit texts: the system's own on POSIX,
// UTF-8 on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace oculon {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr bool kFileNamesIgnoreCase = true;
// The longest path the queries deliver, NUL included: MAX_PATH UTF-16 units, in UTF-8.
inline constexpr uint32_t kMaxPath = 1024;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kFileNamesIgnoreCase = false;
// The longest path the queries deliver, NUL included.
inline constexpr uint32_t kMaxPath = 4096;
#endif

// The real path of this process's executable; "" when the system cannot say.
std::string ThisExecutablePath();
// How many leading characters of an absolute `path` name its root folder, separator included:
// 1 for "/", 3 for "C:\"; 0 for a relative path.
size_t RootLength(const std::string& path);

// The long form of `path`: its folder resolved to the real one (symbolic links followed), its
// file name kept as given (on Windows, an existing file's name as the file system spells it).
// Writes it NUL-terminated and returns its length; 0 when the folder does not exist or the result
// does not fit `size`.
uint32_t GetLongPathNameA(const std::string& path, char* buffer, uint32_t size);

// Whether anything lies at `path`; a link counts, wherever it points.
bool PathExists(const std::string& path);
// Whether the file at `path` is this user's: on POSIX, a regular file that, and every link on
// the way to it, belongs to the user (another user may have planted it in a shared folder); on
// Windows, a file that is there (its access list says the rest).
bool BelongsToUser(const std::string& path);
// Whether this user may write the file at `path` (not read-only, on Windows).
bool UserMayWrite(const std::string& path);
// Whether this user may make files of its own in `folder`: one the user may write, and on
// POSIX one the user owns (for root, one that no one else may run the program from, or one in
// its home folder), so that a system install holds no one's file.
bool FolderAcceptsNewFiles(const std::string& folder);
// Creates `folder` and whatever of its parents is missing, each open to this user only, as
// configuration folders are; true when the folder is there afterwards.
bool CreateFolders(const std::string& folder);
// Whether `folder` is there, or CreateFolders could make it: the nearest of it and its parents
// that is there is a folder (on POSIX, one the user may write). Nothing is made to find out.
bool FoldersCanBeMade(const std::string& folder);

// The user's configuration folder: $XDG_CONFIG_HOME, or ~/.config; %APPDATA% on Windows.
// "" when there is none.
std::string UserConfigurationFolder();

// These write a folder path and return its length, or 0 when it does not fit `size`.
// The Windows folder and the System folder are the system's on Windows; on POSIX the first
// stands for the user's configuration folder, the second for /usr/lib. Nothing in the program
// reads either.
uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size);
uint32_t GetSystemDirectoryA(char* buffer, uint32_t size);
// $TMPDIR, or "/tmp/" (the user's temporary folder on Windows), with a trailing separator.
uint32_t GetTempPathA(uint32_t size, char* buffer);

}  // namespace oculon

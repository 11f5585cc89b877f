// The module Commands: the process-wide paths, and reading and writing the settings file.
#pragma once

#include <string>

namespace oculon {

extern std::string gAppPath;
extern std::string gAppTitle;
extern std::string gExeName;
extern std::string gIniFile;
extern std::string gWinIni;
extern std::string gWinDir;
extern std::string gSysDir;
extern std::string gTempDir;
extern std::string gCommandLine;
extern std::string gCrLf;

void InitPaths();
void InitIniFile();
// The settings file beside the executable when it is this user's, or when none lies there and
// the folder is the user's to make it in; otherwise (an install under /usr, a file of another
// user's, or one the user cannot write while the user has one of its own) the file of that
// name in the user's configuration folder, below "oculon", which the first save into it makes.
// Unchanged when neither can be had.
std::string UsableIniFile(const std::string& besideExecutable);
// Appends the path separator unless the path ends in one; changes the caller's variable.
std::string AddBackslash(std::string& path);
// The value's text, or `defaultValue` when nothing is found; the section and key match
// without regard to letter case.
std::string ReadIni(const std::string& section, const std::string& key, const std::string& file,
                    const std::string& defaultValue);
void WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);
// The long form of the path; where the desktop has none and ignores letter case, the path
// re-cased by ReCase.
std::string GetLongName(const std::string& path);
// Upper-cases each character that follows a blank, "-", "(", "_" or `separator`, and the first
// one; lower-cases the rest.
std::string ReCase(const std::string& path, char separator);
std::string GetWinDir();
std::string GetSysDir();
std::string GetTempDir();

}  // namespace oculon

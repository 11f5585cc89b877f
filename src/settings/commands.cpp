// Paths and the settings file. The procedures that skip a failing statement do so through
// ResumeNext; the folder queries pass their failures to their caller.
#include "settings/commands.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "runtime/application.h"
#include "runtime/ascii_case.h"
#include "runtime/file_system.h"
#include "runtime/numbers.h"
#include "runtime/profile.h"
#include "runtime/resume_next.h"
#include "runtime/run_time_error.h"

namespace oculon {

std::string gAppPath;
std::string gAppTitle;
std::string gExeName;
std::string gIniFile;
std::string gWinIni;
std::string gWinDir;
std::string gSysDir;
std::string gTempDir;
std::string gCommandLine;
std::string gCrLf;

namespace {

constexpr uint32_t kProfileBufferLength = 2048;

std::string UCase(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

// Left$(text, length): error 5 for a negative length.
std::string Left(const std::string& text, int64_t length) {
  if (length < 0) Raise(ErrorNumber::kInvalidProcedureCall);
  return text.substr(0, size_t(length));
}

// The folder a query names, ending in the separator; "" when it names none (not the root).
template <class Query>
std::string FolderFrom(Query query) {
  std::vector<char> buffer(kMaxPath, '\0');
  uint32_t length = query(buffer.data(), kMaxPath);
  std::string folder(buffer.data(), length);
  if (!folder.empty()) AddBackslash(folder);
  return folder;
}

// The user's own folder for the settings file, in the configuration folder; "" without one.
std::string UsersSettingsFolder() {
  std::string configuration = UserConfigurationFolder();
  return configuration.empty() ? "" : AddBackslash(configuration) + "oculon";
}

}  // namespace

void InitPaths() {
  ResumeNext([] { gAppPath = App.Path(); });
  ResumeNext([] { AddBackslash(gAppPath); });
  ResumeNext([] { gExeName = App.EXEName(); });
  ResumeNext([] { gWinDir = GetWinDir(); });
  ResumeNext([] { gSysDir = GetSysDir(); });
  ResumeNext([] { gTempDir = GetTempDir(); });
  ResumeNext([] { gWinIni = gWinDir + "Win.ini"; });
  ResumeNext([] { gCrLf = "\r\n"; });
}

void InitIniFile() {
  ResumeNext([] { gAppTitle = "Brask's Quibbet"; });
  // Without the executable's name there is no file beside it to use: then there is no
  // settings file at all, rather than one named after nothing in some other folder.
  if (gExeName.empty()) return;
  std::string longName;
  ResumeNext([&] { longName = GetLongName(gAppPath + gExeName + ".exe"); });
  // Exactly three characters are dropped, whatever they are.
  ResumeNext([&] { gIniFile = Left(longName, int64_t(longName.size()) - 3) + "ini"; });
  ResumeNext([] { gIniFile = UsableIniFile(gIniFile); });
}

std::string UsableIniFile(const std::string& besideExecutable) {
  size_t slash = besideExecutable.rfind(kPathSeparator);
  std::string folder = UsersSettingsFolder();
  if (slash == std::string::npos || folder.empty()) return besideExecutable;
  std::string usersOwn = folder + kPathSeparator + besideExecutable.substr(slash + 1);
  if (BelongsToUser(besideExecutable) &&
      (UserMayWrite(besideExecutable) || !PathExists(usersOwn))) {
    return besideExecutable;
  }
  if (!PathExists(besideExecutable) &&
      FolderAcceptsNewFiles(besideExecutable.substr(0, slash + 1))) {
    return besideExecutable;
  }
  // Decided now, made by the first save that needs it: a start makes nothing.
  if (!FoldersCanBeMade(folder)) return besideExecutable;
  return usersOwn;
}

std::string AddBackslash(std::string& path) {
  if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
  return path;
}

std::string ReadIni(const std::string& section, const std::string& key, const std::string& file,
                    const std::string& defaultValue) {
  std::string result;
  std::vector<char> buffer(kProfileBufferLength, '\0');
  uint32_t returned = GetPrivateProfileStringA(UCase(section), UCase(key), "", buffer.data(),
                                               kProfileBufferLength, file);
  int16_t count = 0;
  ResumeNext([&] { count = CInt(returned); });
  if (ResumeNextTest([&] { return count > 0; })) {
    ResumeNext([&] { result = std::string(buffer.data(), size_t(count)); });
  } else {
    result = defaultValue;
  }
  return result;
}

void WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
  std::string folder = UsersSettingsFolder();
  if (!folder.empty() && file.starts_with(folder + kPathSeparator)) CreateFolders(folder);
  WritePrivateProfileStringA(section, key, value, file);
}

std::string GetLongName(const std::string& path) {
  std::string result;
  std::vector<char> buffer(kMaxPath, '\0');
  uint32_t count = GetLongPathNameA(path, buffer.data(), kMaxPath);
  if (count != 0) {
    auto nul = std::find(buffer.begin(), buffer.end(), '\0');
    result.assign(buffer.begin(), nul);
  } else if (kFileNamesIgnoreCase) {
    result = ReCase(path, kPathSeparator);
  } else {
    result = path;  // on a case-sensitive file system another casing would be another file
  }
  return result;
}

std::string ReCase(const std::string& path, char separator) {
  std::string result = path;
  for (size_t i = 1; i < path.size(); ++i) {
    char before = path[i - 1];
    bool afterSeparator =
        before == ' ' || before == '-' || before == '(' || before == '_' || before == separator;
    result[i] = afterSeparator ? AsciiUpper(path[i]) : AsciiLower(path[i]);
  }
  if (!result.empty()) result[0] = AsciiUpper(result[0]);
  return result;
}

std::string GetWinDir() {
  return FolderFrom(GetWindowsDirectoryA);
}
std::string GetSysDir() {
  return FolderFrom(GetSystemDirectoryA);
}
std::string GetTempDir() {
  return FolderFrom([](char* buffer, uint32_t size) { return GetTempPathA(size, buffer); });
}

}  // namespace oculon

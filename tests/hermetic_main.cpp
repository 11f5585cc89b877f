// Every test program's main. CTest runs each test as a process of its own: that process gets a
// folder of its own under the system's temporary folder, removed at its end, and HOME, the XDG
// folders and the temporary folder point inside it. The servers, window managers, Wine and
// programs a test starts inherit them, so nothing reads or writes the user's files, and no
// name outside the folder is fixed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace {

void SetVariable(const char* name, const std::filesystem::path& value) {
#ifdef _WIN32
  _putenv_s(name, value.string().c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::filesystem::path Folder(const std::filesystem::path& path) {
  std::filesystem::create_directories(path);
  return path;
}

void ConfineTo(const std::filesystem::path& home) {
  SetVariable("HOME", home);
  SetVariable("XDG_CONFIG_HOME", Folder(home / ".config"));
  SetVariable("XDG_CACHE_HOME", Folder(home / ".cache"));
  SetVariable("XDG_DATA_HOME", Folder(home / ".local/share"));
  SetVariable("XDG_STATE_HOME", Folder(home / ".local/state"));
  std::filesystem::path runtime = Folder(home / "runtime");
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  SetVariable("XDG_RUNTIME_DIR", runtime);
  std::filesystem::path temporary = Folder(home / "tmp");
  SetVariable("TMPDIR", temporary);
#ifdef _WIN32
  SetVariable("TMP", temporary);
  SetVariable("TEMP", temporary);
  SetVariable("APPDATA", Folder(home / "AppData" / "Roaming"));
#endif
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  oculon::testing::TempFolder home;
  ConfineTo(home.path());
  return RUN_ALL_TESTS();
}

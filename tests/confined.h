// A process confined to a folder of its own: HOME, the XDG folders and the temporary folder point
// inside it, so that nothing the process starts reads or writes the user's files, and no name
// outside the folder is fixed. Every test program runs so (hermetic_main.cpp), and so does the
// benchmark that starts desktops of its own.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace oculon::testing {
namespace confined {

inline void SetVariable(const char* name, const std::filesystem::path& value) {
#ifdef _WIN32
  _putenv_s(name, value.string().c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

inline std::filesystem::path Folder(const std::filesystem::path& path) {
  std::filesystem::create_directories(path);
  return path;
}

}  // namespace confined

inline void ConfineTo(const std::filesystem::path& home) {
  using confined::Folder;
  using confined::SetVariable;
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

}  // namespace oculon::testing

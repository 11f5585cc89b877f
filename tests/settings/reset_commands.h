// Empties every global of the settings module, as at process start: for tests that start the
// program more than once in one process.
#pragma once

#include <string>

#include "settings/commands.h"

namespace oculon::testing {

inline void ResetCommands() {
  for (std::string* global : {&gAppPath, &gAppTitle, &gExeName, &gIniFile, &gWinIni, &gWinDir,
                              &gSysDir, &gTempDir, &gCommandLine, &gCrLf}) {
    global->clear();
  }
}

}  // namespace oculon::testing

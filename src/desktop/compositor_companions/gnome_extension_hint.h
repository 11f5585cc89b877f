// What to tell the user when the program's GNOME Shell extension does not run: one line, with
// the one command that helps on the shell that runs.
#pragma once

#include <string>

namespace oculon::companions {

// What GNOME Shell says of an extension (org.gnome.Shell.Extensions.GetExtensionInfo).
struct GnomeExtensionInfo {
  enum class State { kRunning, kUnknown, kOff, kOutOfDate, kFailed };
  State state = State::kUnknown;
  std::string error;         // what the shell said when it failed
  std::string shellVersion;  // "48.7"

  // From the state number the shell gives: 1 enabled (active from 45 on) and 8 activating run;
  // 2 disabled, 6 initialised and 7 deactivating are off; 3 error; 4 out of date; anything else
  // (99 uninstalled, no answer) is an extension the shell does not know.
  static State FromShellState(double state);
};

// Where the program's own copy of the extension lies, if anywhere, and the user's own folder of
// extensions, which the shell reads at login.
struct ExtensionCopy {
  std::string folder;            // empty: none found
  bool whereGnomeLooks = false;  // in a folder the shell reads extensions from at login
  std::string userFolder;        // $XDG_DATA_HOME/gnome-shell/extensions
};

// The line, without the program's name; empty when the extension runs.
std::string GnomeExtensionHint(const std::string& uuid, const GnomeExtensionInfo& info,
                               const ExtensionCopy& copy);

}  // namespace oculon::companions

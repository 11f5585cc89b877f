// The line that says why the GNOME Shell extension does not run, and what to type.
#include "desktop/compositor_companions/gnome_extension_hint.h"

namespace oculon::companions {
namespace {

// A path as the shell reads it, whatever it holds.
std::string Quoted(const std::string& path) {
  std::string quoted = "'";
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

GnomeExtensionInfo::State GnomeExtensionInfo::FromShellState(double state) {
  switch (static_cast<int>(state)) {
    case 1:
    case 8:
      return State::kRunning;
    case 2:
    case 6:
    case 7:
      return State::kOff;
    case 3:
      return State::kFailed;
    case 4:
      return State::kOutOfDate;
    default:
      return State::kUnknown;
  }
}

std::string GnomeExtensionHint(const std::string& uuid, const GnomeExtensionInfo& info,
                               const ExtensionCopy& copy) {
  const std::string untilItRuns =
      "on GNOME under Wayland the pointer is seen only over X11 windows until the program's GNOME "
      "Shell extension runs: ";
  const std::string enable = "gnome-extensions enable " + uuid;
  switch (info.state) {
    case GnomeExtensionInfo::State::kRunning:
      return "";
    case GnomeExtensionInfo::State::kOff:
      return untilItRuns + enable;
    case GnomeExtensionInfo::State::kOutOfDate:
      return untilItRuns + uuid + " does not list GNOME Shell " + info.shellVersion +
             "; gsettings set org.gnome.shell disable-extension-version-validation true, then "
             "log in again";
    case GnomeExtensionInfo::State::kFailed:
      return untilItRuns + "GNOME Shell could not run " + uuid + ": " + info.error;
    case GnomeExtensionInfo::State::kUnknown:
      break;
  }
  // The shell reads its extensions at login: one installed since is not known to it yet.
  if (copy.folder.empty()) return untilItRuns + uuid + " is not installed";
  if (copy.whereGnomeLooks) return untilItRuns + enable + ", then log in again";
  return untilItRuns + "mkdir -p " + Quoted(copy.userFolder) + " && cp -r " + Quoted(copy.folder) +
         " " + Quoted(copy.userFolder) + " && " + enable + ", then log in again";
}

}  // namespace oculon::companions

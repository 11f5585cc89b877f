// The canonical name of an X display, by which one display has one lock.
#pragma once

#include <string>

namespace oculon {

// The host and the display's number, without the screen: ":1", ":1.0" and "unix:1" (this
// machine's socket) are ":1"; "host:1.2" is "host:1".
std::string CanonicalDisplayName(const std::string& name);

}  // namespace oculon

// The desktop's scale on X11: Xft.dpi in the root window's resource database
// (RESOURCE_MANAGER), where GNOME, KDE Plasma, Xfce and the others put the scale the user chose.
#pragma once

#include <string_view>

namespace oculon::x11 {

// The dpi the resources give as Xft.dpi; 96 when they give none, or none that reads as a number.
int DpiFromResources(std::string_view resources);

}  // namespace oculon::x11
